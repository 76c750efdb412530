// Definition look-up for property sets read from case files.
#include "model/PropertyDefinitions.h"

#include "core/Text.h"

#include <atomic>

namespace quillora {

const CPropertyDefinition* CPropertyDefinitionRegistry::FindByName(std::string_view name) const {
    std::lock_guard guard(m_lock);
    for (const CPropertyDefinition& d : m_definitions) {
        if (text::EqualsNoCase(d.m_strName, name)) {
            return &d;
        }
    }
    if (!m_bAdoptUnknown) {
        return nullptr;
    }
    // Keys unknown: the values keep their stored order, keyed by position.
    CPropertyDefinition adopted;
    adopted.m_strName = std::string(name);
    adopted.m_bAdopted = true;
    for (int key = 1; key <= 255; ++key) {
        adopted.m_itemKeys.push_back(key);
    }
    m_definitions.push_back(std::move(adopted));
    return &m_definitions.back();
}

const CPropertyDefinition* CPropertyDefinitionRegistry::Add(CPropertyDefinition definition) {
    std::lock_guard guard(m_lock);
    m_definitions.push_back(std::move(definition));
    return &m_definitions.back();
}

namespace {

CPropertyDefinitionRegistry& AdoptingRegistry() {
    static CPropertyDefinitionRegistry registry(true);
    return registry;
}

std::atomic<const IPropertyDefinitionSource*> g_source{nullptr};

} // namespace

const IPropertyDefinitionSource* PropertyDefinitions() {
    const IPropertyDefinitionSource* source = g_source.load();
    return source ? source : &AdoptingRegistry();
}

void SetPropertyDefinitions(const IPropertyDefinitionSource* source) {
    g_source.store(source);
}

} // namespace quillora
