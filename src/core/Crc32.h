// CRC-32 of file contents (the zlib/gzip polynomial 0xEDB88320 with pre- and
// post-inversion): ISA-L's vectorised routine when it was found at build time,
// zlib's crc32 otherwise. Both give the same value for the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillora {

// Folds `size` bytes into `crc` (0 to start) and returns the new CRC, exactly as
// zlib's crc32(crc, data, size) does.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size);

// The same through zlib alone; for checking the fast path.
std::uint32_t Crc32UpdateZlib(std::uint32_t crc, const void* data, std::size_t size);

// Whether Crc32Update runs on ISA-L.
bool Crc32UsesIsal();

} // namespace quillora
