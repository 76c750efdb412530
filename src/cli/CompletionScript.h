// Shell completion for quillora-cli, written from its parser's outline: commands,
// options, the words of enumerated options and file names where a path goes. The
// build writes both scripts and installs them where bash-completion and zsh look.
#pragma once

#include "cli/ParserOutline.h"

#include <string>

namespace quillora::cli {

// A bash-completion script (it uses _init_completion and _filedir) that registers
// itself for the program's name.
std::string BashCompletionScript(const SProgramOutline& program);

// A zsh completion function file ("#compdef quillora-cli", installed as _quillora-cli).
std::string ZshCompletionScript(const SProgramOutline& program);

} // namespace quillora::cli
