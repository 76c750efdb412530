// Where the program keeps its files on Linux: the XDG base folders under
// "Pelvane/Quillora", the folder of the running program and the temporary folder.
#pragma once

#include <string>

namespace quillora {

// $XDG_CONFIG_HOME/Pelvane/Quillora (else ~/.config/Pelvane/Quillora).
std::string ConfigFolder();

// $XDG_STATE_HOME/Pelvane/Quillora (else ~/.local/state/Pelvane/Quillora).
std::string StateFolder();

// The folder holding the running executable (from /proc/self/exe).
std::string ProgramFolder();

// $TMPDIR, else /tmp, with a trailing "/".
std::string TempFolder();

} // namespace quillora
