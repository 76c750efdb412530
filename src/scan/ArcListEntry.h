// The listing record an archiver adapter fills for each archive entry, shaped like
// the directory-entry record so the scanner builds archive records as it does files.
#pragma once

#include "core/FileTime.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {

inline constexpr std::uint32_t kArcAttrReadOnly = 0x01;
inline constexpr std::uint32_t kArcAttrHidden = 0x02;
inline constexpr std::uint32_t kArcAttrSystem = 0x04;
inline constexpr std::uint32_t kArcAttrDirectory = 0x10;
inline constexpr std::uint32_t kArcAttrArchive = 0x20;
inline constexpr std::uint32_t kArcAttrNormal = 0x80;

// The name field of the classic record: 260 bytes with the terminating NUL, counted in
// the record's code page (CP932). Longer names are kept whole here (see SetName).
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
    // The CRC-32 of the entry's data, when it was read while listing (see
    // CArchiver::OpenArchiveWithCrc) and read without error.
    bool m_bHasCrc = false;
    std::uint32_t m_dwCrc = 0;

    // Clears every field (each conversion starts from an empty record).
    void Clear() { *this = SArcListEntry{}; }

    // Stores the path inside the archive (UTF-8, "/" separators). A name as long as the
    // classic record's field or longer is kept whole rather than cut, since a cut name
    // would stand for another path (or collide with a real entry) and the entry could
    // no longer be extracted; such names are written to the trace log. False (record
    // unchanged) only for a name holding a NUL byte.
    bool SetName(std::string_view utf8);
    std::string_view Name() const { return m_strName; }

    // Whether the name would not have fitted the classic record's field: 260 bytes or
    // more in CP932, where every character other than ASCII and half-width katakana
    // takes two bytes.
    static bool ExceedsClassicField(std::string_view utf8);

    // Sets both the 32-bit and the 64-bit fields.
    void SetSizes(std::uint64_t packed, std::uint64_t original);

private:
    std::string m_strName;
};

} // namespace quillora
