// The print presets as a part of the configuration: the set "PrintForm", loaded and saved
// with it after the export formats' sets, with its trace lines.
#pragma once

#include "core/IConfigSectionHandler.h"
#include "export/CFormConditionSet.h"
#include "export/CPrintCondition.h"

namespace quillora {

class CPrintFormSet : public IConfigSectionHandler {
public:
    // The set with its default preset "標準".
    CPrintFormSet();

    CFormConditionSet& Set() { return m_set; }
    // The selected preset; null only while the set is empty.
    CPrintCondition* Current();

    EConfigStep Step() const override { return EConfigStep::Forms; }
    int Order() const override { return kFormOrderPrint; }
    // "RegLoad() Print condition"; a set without presets gets its "標準" preset.
    void Load(const CProfileStore& store) override;
    void Save(CProfileStore& store) override;

    // A new set of print presets (empty), for dialogs and tests.
    static CFormConditionSet MakeSet();

private:
    CFormConditionSet m_set;
};

} // namespace quillora
