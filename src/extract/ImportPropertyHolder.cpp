// The property holder of imported data.
#include "extract/ImportPropertyHolder.h"

#include "extract/PropertyTitles.h"

namespace quillora {

CImportPropertyHolder::CImportPropertyHolder() {
    SetName("Improt");
    m_strVersion = "1.0.0.0";
    m_bConfigurable = 0;
    m_bEnable = 0;
    m_dwSupport = kSupportProperties;
    m_bPropUse = 1;
    m_nDocTarget = kTargetNothing;
    // A list can carry all eleven property items, and an imported value must have a
    // slot to go to; sets of five values written elsewhere still read into the first
    // five slots.
    std::vector<SExtractProperty> table;
    for (int key = 1; key <= 11; ++key) {
        table.push_back({key, CPropertyTitles::Title(key), {}});
    }
    SetPropertyTable(std::move(table));
    KeepDefaults();
}

bool CImportPropertyHolder::CheckSuffix(const std::string&) {
    return false;
}

void CImportPropertyHolder::GetDefaultSuffix(std::string& suffixes) {
    suffixes.clear();
}

} // namespace quillora
