// Fuzz target: the code converter on arbitrary bytes: detection and every conversion,
// with the first byte choosing a document code page.
#include "extract/CharMaps.h"
#include "extract/CodeConverter.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillora;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (bool euc : {false, true}) {
        const std::string text = CCodeConverter::ToUtf8(bytes, euc);
        charmaps::MapChars(text, true, true, true);
        std::string spaced = text;
        charmaps::ProcessSpaces(spaced, euc ? 2 : 1);
        charmaps::CompressLineEnds(spaced);
    }
    CCodeConverter::JisToShiftJis(bytes);
    CCodeConverter::EucToShiftJis(bytes);
    static constexpr int kPages[] = {0, 932, 65001, 1200, 1201, 1252, 1251, 936, 12345};
    const int page = size > 0 ? kPages[data[0] % (sizeof kPages / sizeof kPages[0])] : 0;
    CCodeConverter::FromCodePage(bytes, page);
    return 0;
}
