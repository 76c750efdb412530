// Turns the UTF-8 text of an export into the bytes of its file: CP932, byte for byte for
// texts that came from CP932, or UTF-8. What the chosen encoding cannot hold is replaced
// (a numeric character reference in HTML, "?" elsewhere) and counted, so that the user
// can be told.
#pragma once

#include "export/FormFormat.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {

class CExportEncoder {
public:
    CExportEncoder(EExportEncoding encoding, bool html) : m_encoding(encoding), m_bHtml(html) {}

    EExportEncoding Encoding() const { return m_encoding; }
    // Appends `utf8` in the output encoding.
    void Append(std::string_view utf8, std::string& out);
    // Characters replaced so far.
    std::uint64_t Replaced() const { return m_nReplaced; }

private:
    EExportEncoding m_encoding;
    bool m_bHtml;
    std::uint64_t m_nReplaced = 0;
};

} // namespace quillora
