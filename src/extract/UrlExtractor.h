// "URL": the address an internet shortcut (.url) points to.
#pragma once

#include "extract/TextExtractor.h"

namespace quillora {

class CUrlExtractor : public CTextExtractor {
public:
    CUrlExtractor();

    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
    // The value URL of section [InternetShortcut] (at most 4095 characters).
    bool GetTitle(CExtractFile& file, std::string& out) override;

    // The same on the file's text, for tests and callers without a file.
    static bool ReadUrl(std::string_view ini, std::string& url);
};

} // namespace quillora
