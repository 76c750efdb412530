// The preset sets of the four export formats as a part of the configuration: loaded and
// saved with it (after the add-media section, before printing) with their trace lines.
#pragma once

#include "core/IConfigSectionHandler.h"
#include "export/CFormCondition.h"
#include "export/CFormConditionSet.h"

#include <array>

namespace quillora {

class CConfigData;

class CExportFormSets : public IConfigSectionHandler {
public:
    // Four sets, each holding its default preset "標準".
    CExportFormSets();

    CFormConditionSet& Set(EFormFormat format) { return m_sets[static_cast<int>(format)]; }
    const CFormConditionSet& Set(EFormFormat format) const {
        return m_sets[static_cast<int>(format)];
    }
    // The selected preset of a format; null only when its set is empty.
    CFormCondition* Current(EFormFormat format);

    EConfigStep Step() const override { return EConfigStep::Forms; }
    int Order() const override { return kFormOrderCsv; }
    // "RegLoad() CSV condition", ... "RegLoad() MediaMax condition"; a set without
    // presets gets its "標準" preset.
    void Load(const CProfileStore& store) override;
    void Save(CProfileStore& store) override;

private:
    std::array<CFormConditionSet, 4> m_sets;
};

} // namespace quillora
