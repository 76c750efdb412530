// Property set operations.
#include "model/PropertySet.h"

namespace quillora {

CPropertySet::CPropertySet(const CPropertyDefinition* definition) : m_pDefinition(definition) {
    if (definition) {
        m_values.resize(definition->m_itemKeys.size());
    }
}

const std::string& CPropertySet::DefinitionName() const {
    static const std::string kEmpty;
    return m_pDefinition ? m_pDefinition->m_strName : kEmpty;
}

const std::string* CPropertySet::ValueByKey(int key) const {
    if (!m_pDefinition) {
        return nullptr;
    }
    const std::vector<int>& keys = m_pDefinition->m_itemKeys;
    for (std::size_t i = 0; i < keys.size() && i < m_values.size(); ++i) {
        if (keys[i] == key) {
            return &m_values[i];
        }
    }
    return nullptr;
}

void CPropertySet::MergeFrom(const CPropertySet& other) {
    if (!m_pDefinition || !other.m_pDefinition) {
        return;
    }
    const std::vector<int>& keys = m_pDefinition->m_itemKeys;
    const std::vector<int>& otherKeys = other.m_pDefinition->m_itemKeys;
    for (std::size_t j = 0; j < otherKeys.size() && j < other.m_values.size(); ++j) {
        if (other.m_values[j].empty()) {
            continue;
        }
        for (std::size_t i = 0; i < keys.size() && i < m_values.size(); ++i) {
            if (keys[i] == otherKeys[j]) {
                m_values[i] = other.m_values[j];
                break;
            }
        }
    }
}

std::unique_ptr<CPropertySet> CPropertySet::Clone() const {
    auto copy = std::make_unique<CPropertySet>(m_pDefinition);
    copy->m_values = m_values;
    return copy;
}

} // namespace quillora
