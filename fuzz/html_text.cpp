// Fuzz target: the web-page text helpers (comments, head properties, markup across
// lines, character references) on arbitrary bytes.
#include "extract/CodeConverter.h"
#include "extract/HtmlText.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillora;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string text = CHtmlText::StripComments(CCodeConverter::ToUtf8(raw, true));
    CHtmlText::ReadHead(text, [](int, const std::string&) {});
    CHtmlText markup;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
        CHtmlText::DecodeReferences(
            markup.RemoveMarkup(std::string_view(text).substr(pos, end - pos)));
        pos = end;
    }
    return 0;
}
