// The fast CRC-32 against zlib's.
#include "core/Crc32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <zlib.h>

namespace quillora {
namespace {

std::uint32_t ZlibCrc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST(Crc32, FastPathAgreesWithZlib) {
    std::string bytes;
    for (int i = 0; i < 1 << 20; ++i) {
        bytes += static_cast<char>((i * 2654435761u) >> 24);
    }
    for (std::size_t size : {0u, 1u, 3u, 15u, 16u, 63u, 64u, 4095u, 8192u, 1u << 20}) {
        EXPECT_EQ(Crc32Update(0, bytes.data(), size), Crc32UpdateZlib(0, bytes.data(), size))
            << size;
        EXPECT_EQ(Crc32Update(0, bytes.data(), size),
                  ZlibCrc(std::string_view(bytes).substr(0, size)));
    }
    // Chained pieces give the value of the whole, as zlib's do.
    std::uint32_t chained = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 777) {
        chained =
            Crc32Update(chained, bytes.data() + at, std::min<std::size_t>(777, bytes.size() - at));
    }
    EXPECT_EQ(chained, ZlibCrc(bytes));
    EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xCBF43926u);
}

} // namespace
} // namespace quillora
