// "TEXT": the first lines of plain text files, in Shift_JIS, UTF-8 or UTF-16 (with
// its byte-order mark). A file with control bytes is not text and gives nothing, so
// the next reader for its suffix is tried.
#pragma once

#include "extract/CodeConverter.h"
#include "extract/TextExtractor.h"

namespace quillora {

class CTextFileExtractor : public CTextExtractor {
public:
    CTextFileExtractor();

    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
    // Decides the encoding from the first bytes: a UTF-16 byte-order mark, else UTF-8
    // when they are valid UTF-8, else Shift_JIS (never EUC-JP, so that text readable
    // both ways stays Shift_JIS).
    bool Open(CExtractFile& file) override;
    bool GetLine(CExtractFile& file, std::string& line) override;

private:
    bool GetUtf16Line(CExtractFile& file, std::string& line);

    ETextCode m_code = ETextCode::ShiftJis;
};

} // namespace quillora
