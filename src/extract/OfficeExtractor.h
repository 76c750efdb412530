// "MS-Office": the title and document properties of compound documents (.doc, .xls,
// .xlt, .ppt, .mpp) from their summary and document-summary property sets.
#pragma once

#include "extract/OfficePropertyReader.h"
#include "extract/TextExtractor.h"

namespace quillora {

class COfficeExtractor : public CTextExtractor {
public:
    COfficeExtractor();

    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
    bool IsTarget(CExtractFile& file, const std::string& upperSuffix) override;
    // The compound-file signature D0 CF 11 E0 A1 B1 1A E1.
    bool CanRead(CExtractFile& file) override;
    bool ReadProperties(CExtractFile& file) override;

    // Every property the last ReadProperties found, as "$NAME=value" lines.
    std::string DumpProperties() const { return m_reader.Dump(); }

private:
    COfficePropertyReader m_reader;
};

// Whether `upperSuffix` starts with one of the ";"-separated suffixes over at most
// `width` characters of each (a reader listing "HTM" with width 3 takes "HTML" too).
bool MatchSuffixList(const std::string& upperSuffix, std::string_view list, std::size_t width);

} // namespace quillora
