// Export encodings.
#include "export/CExportEncoder.h"

#include "core/Text.h"

#include <cstring>

namespace quillora {

namespace {

void Question(char32_t, std::string& out) {
    out += '?';
}

void CharacterReference(char32_t cp, std::string& out) {
    out += "&#";
    out += std::to_string(static_cast<std::uint32_t>(cp));
    out += ';';
}

} // namespace

void CExportEncoder::Append(std::string_view utf8, std::string& out) {
    if (m_encoding == EExportEncoding::Cp932) {
        m_nReplaced += text::AppendCp932(utf8, out, m_bHtml ? CharacterReference : Question);
        return;
    }
    // UTF-8 holds every character; only bytes kept from undecodable CP932 (escapes) have
    // no place in it. They all start with 0xED.
    if (!std::memchr(utf8.data(), 0xED, utf8.size())) {
        out.append(utf8);
        return;
    }
    for (std::size_t i = 0; i < utf8.size();) {
        if (text::IsEscapedByte(utf8, i, nullptr)) {
            out += '?';
            ++m_nReplaced;
            i += 3;
            continue;
        }
        out += utf8[i++];
    }
}

} // namespace quillora
