// "MODULE": version numbers, kind and the strings of the version resource of Windows
// programs and libraries (.exe, .dll, .ocx, .cpl, .scr, .drv, .fon).
#pragma once

#include "extract/TextExtractor.h"

#include <cstdint>

namespace quillora {

struct SPeVersionInfo;

class CModuleExtractor : public CTextExtractor {
public:
    CModuleExtractor();

    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
    // False for a file without a version resource: no properties, no comment.
    bool ReadProperties(CExtractFile& file) override;

    // Fills the table from parsed version information (strings of the translation of
    // `language`).
    void TakeVersionInfo(const SPeVersionInfo& info, std::uint16_t language);

    static std::string FileOsName(std::uint32_t os);
    static std::string FileTypeName(std::uint32_t type);
};

} // namespace quillora
