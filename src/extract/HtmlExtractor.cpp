// The web-page reader.
#include "extract/HtmlExtractor.h"

#include "extract/CodeConverter.h"
#include "extract/ExtractFile.h"
#include "extract/OfficeExtractor.h"
#include "extract/PropertyTitles.h"

namespace quillora {

CHtmlExtractor::CHtmlExtractor() {
    SetName("HTML");
    m_strVersion = "1.0.1.0";
    m_dwSupport = kSupportTitle | kSupportProperties | kSupportFullText | kSupportBodyBySize |
                  kSupportBodyByLines;
    m_bPropUse = 1;
    m_nDocTarget = kTargetTitle;
    std::vector<SExtractProperty> table;
    for (int key : {1, 2, 4, 6, 7, 10, 3, 5, 8, 9, 11}) {
        table.push_back({key, CPropertyTitles::Title(key), {}});
    }
    SetPropertyTable(std::move(table));
    KeepDefaults();
}

bool CHtmlExtractor::CheckSuffix(const std::string& upperSuffix) {
    return MatchSuffixList(upperSuffix, "HTML", 4) || MatchSuffixList(upperSuffix, "HTM", 3);
}

void CHtmlExtractor::GetDefaultSuffix(std::string& suffixes) {
    suffixes = "HTML;HTM";
}

bool CHtmlExtractor::IsControlChar(unsigned char c) {
    return c < 32 && c != '\r' && c != '\n';
}

bool CHtmlExtractor::Open(CExtractFile& file) {
    CTextExtractor::Open(file);
    const std::string raw = file.Head(kMaxRead);
    m_text = CHtmlText::StripComments(CCodeConverter::ToUtf8(raw, true));
    m_pos = 0;
    m_markup.Reset();
    return true;
}

void CHtmlExtractor::Close() {
    m_text.clear();
    m_text.shrink_to_fit();
    m_pos = 0;
}

bool CHtmlExtractor::GetLine(CExtractFile&, std::string& line) {
    if (m_pos >= m_text.size()) {
        m_bEnd = 1;
        return false;
    }
    const std::size_t lf = m_text.find('\n', m_pos);
    const std::size_t end = lf == std::string::npos ? m_text.size() : lf + 1;
    std::string_view raw(m_text.data() + m_pos, end - m_pos);
    m_pos = end;
    const bool ended = !raw.empty() && raw.back() == '\n';
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) {
        raw.remove_suffix(1);
    }
    std::string text = CHtmlText::DecodeReferences(m_markup.RemoveMarkup(raw));
    line.clear();
    for (char c : text) {
        if (c == '\t') {
            line += ' ';
        } else if (!IsControlChar(static_cast<unsigned char>(c))) {
            line += c;
        }
    }
    if (ended) {
        line += "\r\n";
    }
    return true;
}

bool CHtmlExtractor::ReadProperties(CExtractFile&) {
    bool any = false;
    CHtmlText::ReadHead(m_text, [&](int key, std::string value) {
        SetPropertyValue(key, value);
        any = true;
    });
    return any;
}

} // namespace quillora
