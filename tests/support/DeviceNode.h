// A character device to aim a save at: as root, a node of /dev/null's kind made in a
// scratch folder, so that a save that wrongly replaced it would not take the machine's
// /dev/null with it; otherwise /dev/null itself, which an ordinary user cannot replace.
#pragma once

#include <filesystem>
#include <string>

namespace quillora::test {

std::string DeviceNodeIn(const std::filesystem::path& folder);

} // namespace quillora::test
