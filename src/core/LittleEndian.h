// Little-endian fields of on-disk structures (boot sectors, archive headers, document
// property sets), read from bytes whatever the machine's own order.
#pragma once

#include <cstdint>

namespace quillora {

// 32 bits wide, so that sums and comparisons with other sizes need no casts.
inline std::uint32_t Le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8u);
}
inline std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8u | p[2] << 16u | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t Le64(const unsigned char* p) {
    return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

} // namespace quillora
