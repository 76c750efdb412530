// Bounded reads (and, through core, little-endian fields), for the readers of archive headers that
// stand beside libarchive (ZIP central directory, cabinet tables, RAR headers).
#pragma once

#include "core/LittleEndian.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace quillora {

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
