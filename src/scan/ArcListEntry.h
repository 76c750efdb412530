// The listing record an archiver adapter fills for each archive entry, shaped like
// the directory-entry record so the scanner builds archive records as it does files.
#pragma once

#include "core/FileTime.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillora {

inline constexpr std::uint32_t kArcAttrReadOnly = 0x01;
inline constexpr std::uint32_t kArcAttrHidden = 0x02;
inline constexpr std::uint32_t kArcAttrSystem = 0x04;
inline constexpr std::uint32_t kArcAttrDirectory = 0x10;
inline constexpr std::uint32_t kArcAttrArchive = 0x20;
inline constexpr std::uint32_t kArcAttrNormal = 0x80;

// Room for a name and its terminating NUL; a name of 260 bytes or more does not fit.
inline constexpr std::size_t kArcNameCapacity = 260;

struct SArcListEntry {
    std::uint32_t m_dwAttributes = 0;
    FileTime m_ftCreation = 0;
    FileTime m_ftLastAccess = 0;
    FileTime m_ftLastWrite = 0;
    // The 32-bit sizes of the classic record; a size of 4 GiB or more reads 0xFFFFFFFF
    // there, and the true value is in the 64-bit fields, which the catalogue uses.
    std::uint32_t m_dwPackedSize = 0;
    std::uint32_t m_dwOriginalSize = 0;
    std::uint64_t m_nPackedSize64 = 0;
    std::uint64_t m_nOriginalSize64 = 0;
    // Path inside the archive in UTF-8 with "/" separators, NUL-terminated.
    char m_szName[kArcNameCapacity] = {};

    // Clears every field (each conversion starts from an empty record).
    void Clear() { *this = SArcListEntry{}; }

    // Stores the name; false (record unchanged) when it has 260 bytes or more or holds
    // a NUL byte, so that a name is never silently cut into another, valid path.
    bool SetName(std::string_view utf8);
    std::string_view Name() const { return m_szName; }

    // Sets both the 32-bit and the 64-bit fields.
    void SetSizes(std::uint64_t packed, std::uint64_t original);
};

} // namespace quillora
