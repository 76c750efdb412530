// "HTML": the title and META properties of web pages, or their text without markup.
#pragma once

#include "extract/HtmlText.h"
#include "extract/TextExtractor.h"

namespace quillora {

class CHtmlExtractor : public CTextExtractor {
public:
    // Only this much of a page is read: titles and META live in the head, and a body
    // comment needs its first lines.
    static constexpr std::size_t kMaxRead = 1024 * 1024;

    CHtmlExtractor();

    // Every suffix that begins with HTM (HTM, HTML, HTMLS...).
    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
    // Every byte below 32 except CR and LF.
    bool IsControlChar(unsigned char c) override;
    // Reads the page (up to kMaxRead), converts it to UTF-8 and drops its comments.
    bool Open(CExtractFile& file) override;
    void Close() override;
    // The next line without markup, references decoded, control characters dropped.
    bool GetLine(CExtractFile& file, std::string& line) override;
    bool ReadProperties(CExtractFile& file) override;

private:
    std::string m_text;
    std::size_t m_pos = 0;
    CHtmlText m_markup;
};

} // namespace quillora
