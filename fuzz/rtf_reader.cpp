// Fuzz target: our RTF reader on arbitrary bytes, read to the end of its text.
#include "rtf/RtfInfoReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillora;
    std::size_t at = 0;
    CRtfInfoReader reader([&](char* buffer, std::size_t n) {
        // Short reads, as a pipe would give them.
        const std::size_t take = std::min({n, size - at, std::size_t{7}});
        std::memcpy(buffer, data + at, take);
        at += take;
        return take;
    });
    if (!reader.Open()) {
        return 0;
    }
    std::string line;
    for (int i = 0; i < 100000 && reader.NextLine(line); ++i) {
    }
    return 0;
}
