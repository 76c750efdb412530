// The print preset set in the configuration.
#include "export/CPrintFormSet.h"

#include "core/TraceLog.h"

namespace quillora {

CFormConditionSet CPrintFormSet::MakeSet() {
    return CFormConditionSet("PrintForm", [] { return std::make_unique<CPrintCondition>(); });
}

CPrintFormSet::CPrintFormSet() : m_set(MakeSet()) {
    m_set.EnsureDefault();
}

CPrintCondition* CPrintFormSet::Current() {
    return static_cast<CPrintCondition*>(m_set.Current());
}

void CPrintFormSet::Load(const CProfileStore& store) {
    Log("RegLoad() Print condition");
    if (!m_set.Load(store)) {
        m_set.EnsureDefault();
    }
}

void CPrintFormSet::Save(CProfileStore& store) {
    Log("RegSave() Print condition");
    m_set.Save(store);
}

} // namespace quillora
