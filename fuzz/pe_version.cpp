// Fuzz target: the version-resource reader of PE files on arbitrary bytes, both as a
// whole file and as a bare version block.
#include "extract/PeVersionReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillora;
    const CPeVersionReader::ReadAt read = [&](std::uint64_t offset, void* buffer, std::size_t n) {
        if (offset >= size) {
            return std::size_t{0};
        }
        const std::size_t take = std::min<std::size_t>(n, size - offset);
        std::memcpy(buffer, data + offset, take);
        return take;
    };
    SPeVersionInfo info;
    if (CPeVersionReader::Read(read, size, info)) {
        info.TableFor(0x0411);
    }
    SPeVersionInfo block;
    CPeVersionReader::ParseVersionInfo(std::string_view(reinterpret_cast<const char*>(data), size),
                                       block);
    block.TableFor(0x0409);
    return 0;
}
