// CRC-32 through ISA-L (several GB/s, so reading from the page cache stays the limit)
// with zlib as the fallback.
#include "core/Crc32.h"

#include <limits>
#include <zlib.h>

#ifdef QUILLORA_HAVE_ISAL
#include <isa-l/crc.h>
#endif

namespace quillora {

std::uint32_t Crc32UpdateZlib(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const Bytef*>(data);
    uLong value = crc;
    // zlib takes a uInt length; feed larger buffers in pieces.
    constexpr std::size_t kPiece = std::numeric_limits<uInt>::max();
    while (size > 0) {
        const std::size_t piece = size < kPiece ? size : kPiece;
        value = crc32(value, bytes, static_cast<uInt>(piece));
        bytes += piece;
        size -= piece;
    }
    return static_cast<std::uint32_t>(value);
}

#ifdef QUILLORA_HAVE_ISAL

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    // crc32_gzip_refl inverts on entry and exit like zlib, so values chain the same way.
    return crc32_gzip_refl(crc, static_cast<const unsigned char*>(data), size);
}

bool Crc32UsesIsal() {
    return true;
}

#else

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    return Crc32UpdateZlib(crc, data, size);
}

bool Crc32UsesIsal() {
    return false;
}

#endif

} // namespace quillora
