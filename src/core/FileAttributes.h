// The attribute bits of a file, as catalogue records store them in the low 16 bits
// of their flag word.
#pragma once

#include <cstdint>

namespace quillora {

inline constexpr std::uint32_t kAttrReadOnly = 0x00000001;
inline constexpr std::uint32_t kAttrHidden = 0x00000002;
inline constexpr std::uint32_t kAttrSystem = 0x00000004;
inline constexpr std::uint32_t kAttrDirectory = 0x00000010;
inline constexpr std::uint32_t kAttrArchive = 0x00000020;
inline constexpr std::uint32_t kAttrTemporary = 0x00000100;
inline constexpr std::uint32_t kAttrReparsePoint = 0x00000400;

} // namespace quillora
