// The export preset sets in the configuration.
#include "export/CExportFormSets.h"

#include "core/TraceLog.h"

namespace quillora {

namespace {

CFormConditionSet MakeSet(EFormFormat format) {
    CFormConditionSet set(FormFormatInfo(format).m_pszSection,
                          [format] { return std::make_unique<CFormCondition>(format); });
    set.EnsureDefault();
    return set;
}

} // namespace

CExportFormSets::CExportFormSets()
    : m_sets{MakeSet(EFormFormat::Csv), MakeSet(EFormFormat::Html), MakeSet(EFormFormat::Tree),
             MakeSet(EFormFormat::MediaMax)} {}

CFormCondition* CExportFormSets::Current(EFormFormat format) {
    return static_cast<CFormCondition*>(Set(format).Current());
}

void CExportFormSets::Load(const CProfileStore& store) {
    for (EFormFormat format : kAllFormFormats) {
        LogFormat("RegLoad() %s condition", FormFormatInfo(format).m_pszTraceName);
        CFormConditionSet& set = Set(format);
        if (!set.Load(store)) {
            set.EnsureDefault();
        }
    }
}

void CExportFormSets::Save(CProfileStore& store) {
    for (EFormFormat format : kAllFormFormats) {
        LogFormat("RegSave() %s condition", FormFormatInfo(format).m_pszTraceName);
        Set(format).Save(store);
    }
}

} // namespace quillora
