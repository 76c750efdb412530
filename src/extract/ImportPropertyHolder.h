// "Improt": never picked by suffix and not shown in the settings dialog; it defines the
// properties (keys 1 to 11) that CSV import attaches to imported records.
#pragma once

#include "extract/TextExtractor.h"

namespace quillora {

class CImportPropertyHolder : public CTextExtractor {
public:
    CImportPropertyHolder();

    bool CheckSuffix(const std::string& upperSuffix) override;
    void GetDefaultSuffix(std::string& suffixes) override;
};

} // namespace quillora
