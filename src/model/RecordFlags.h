// Bits of a record's m_dwFlags and the archive type codes of m_wArcType.
#pragma once

#include "core/FileAttributes.h"

#include <cstdint>

namespace quillora {

inline constexpr std::uint32_t kFlagParentPlaceholder = 0x00100000;
inline constexpr std::uint32_t kFlagGroup = 0x00200000;
inline constexpr std::uint32_t kFlagCdRom = 0x01000000;
inline constexpr std::uint32_t kFlagRemovable = 0x02000000;
inline constexpr std::uint32_t kFlagRemote = 0x04000000;
inline constexpr std::uint32_t kFlagFixed = 0x08000000;
inline constexpr std::uint32_t kFlagMediumKindMask = 0x0F000000;
inline constexpr std::uint32_t kFlagMedium = 0x10000000;
inline constexpr std::uint32_t kFlagCase = 0x20000000;
inline constexpr std::uint32_t kFlagListedArchive = 0x40000000;
inline constexpr std::uint32_t kFlagArcEntry = 0x80000000;

// Folders, media and groups: records whose size is the sum of their children.
inline constexpr std::uint32_t kSizeFromChildrenMask = 0x10200010;

inline constexpr std::uint32_t kNewVolumeFlags = kFlagMedium | kAttrDirectory;
inline constexpr std::uint32_t kNewGroupFlags = kFlagGroup | kAttrDirectory;

// Bit 0 of m_wExtFlags: m_dwExtValue holds a CRC-32.
inline constexpr std::uint16_t kExtFlagCrc = 0x0001;

enum ArcType : std::uint16_t {
    kArcNone = 0,
    kArcLha = 1,
    kArcZip = 2,
    kArcTar = 3,
    kArcCab = 4,
    kArcArj = 5,
    kArcRar = 6,
    kArcIsh = 7,
    kArcGca = 8,
};

// "LHA", "ZIP", ... for codes 1-8; an empty text otherwise.
const char* ArcTypeName(std::uint16_t type);

// The size that means "unknown" for capacities and free space.
inline constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

} // namespace quillora
