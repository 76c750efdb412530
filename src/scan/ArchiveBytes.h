// Little-endian fields and bounded reads, for the readers of archive headers that
// stand beside libarchive (ZIP central directory, cabinet tables, RAR headers).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace quillora {

inline std::uint32_t Le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8u);
}
inline std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8u | p[2] << 16u | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t Le64(const unsigned char* p) {
    return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

// Reads exactly `size` bytes at `offset` of the file open at `fd`; false when the file
// ends before or the read fails.
inline bool PreadExact(int fd, std::uint64_t offset, void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        out += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

} // namespace quillora
