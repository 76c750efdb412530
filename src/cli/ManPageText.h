// The parts of quillora-cli's manual page that come from its parser: the program's
// options and every command with its arguments, as troff sections of a help2man
// include file. help2man adds the name, synopsis and version from the program itself.
#pragma once

#include "cli/ParserOutline.h"

#include <string>

namespace quillora::cli {

// "[=OPTIONS]" (replacing what help2man reads from --help, which lists only the
// command names) and "[COMMANDS]" in help2man's include-file form: commands
// under their group headings, each with its usage line, description, arguments and
// options (the per-command -h/--help is said once, in OPTIONS).
std::string ManPageSections(const SProgramOutline& program);

// Text made safe for a troff text line: backslashes and hyphens escaped, and a
// leading character that troff or help2man would read as a request guarded.
std::string TroffText(const std::string& text);

} // namespace quillora::cli
