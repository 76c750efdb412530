// The compressed sizes of a ZIP archive's members, read from its central directory
// (libarchive does not report them).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace quillora {

// Member name bytes as stored -> compressed size (ZIP64 sizes included). False when no
// readable central directory was found; every length read is checked against the file.
bool ReadZipPackedSizes(const std::string& path,
                        std::unordered_map<std::string, std::uint64_t>& out);

} // namespace quillora
