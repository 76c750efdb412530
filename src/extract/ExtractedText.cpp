// Cleaning extracted texts.
#include "extract/ExtractedText.h"

#include "core/Text.h"
#include "extract/CodeConverter.h"

namespace quillora {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::size_t SequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

bool IsUnwantedControl(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

} // namespace

void CleanExtractedText(std::string& text) {
    bool clean = true;
    for (char c : text) {
        if (IsUnwantedControl(static_cast<unsigned char>(c)) || (c & 0x80)) {
            clean = false;
            break;
        }
    }
    if (clean) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    const std::string_view in(text);
    for (std::size_t i = 0; i < in.size();) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            if (!IsUnwantedControl(c)) {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        if (text::IsEscapedByte(in, i, nullptr)) {
            out += kReplacement;
            i += 3;
            continue;
        }
        const std::string_view sequence = in.substr(i, SequenceLength(c));
        if (sequence.size() > 1 && text::IsValidUtf8(sequence)) {
            out += sequence;
            i += sequence.size();
            continue;
        }
        out += kReplacement;
        ++i;
    }
    text = std::move(out);
}

} // namespace quillora
