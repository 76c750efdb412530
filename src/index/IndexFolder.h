// Where the index of every case lives unless the user points elsewhere.
#pragma once

#include <string>

namespace quillora {

// $XDG_DATA_HOME/quillora/index (else ~/.local/share/quillora/index).
std::string DefaultIndexFolder();

} // namespace quillora
