// The process-wide place where case reading finds extraction definitions by name.
#pragma once

#include "model/PropertySet.h"

#include <deque>
#include <mutex>

namespace quillora {

// Holds definitions and finds them by name. In adopting mode an unknown name gets a
// new definition on the fly, so that a case read before any extractor is registered
// keeps its property sets through a load and save instead of dropping them.
class CPropertyDefinitionRegistry : public IPropertyDefinitionSource {
public:
    explicit CPropertyDefinitionRegistry(bool adoptUnknown) : m_bAdoptUnknown(adoptUnknown) {}

    const CPropertyDefinition* FindByName(std::string_view name) const override;
    const CPropertyDefinition* Add(CPropertyDefinition definition);

private:
    bool m_bAdoptUnknown;
    mutable std::mutex m_lock;
    // A deque keeps pointers to its elements stable while it grows.
    mutable std::deque<CPropertyDefinition> m_definitions;
};

// The source the case reader consults. Until the program installs its extraction
// manager this is an adopting registry.
const IPropertyDefinitionSource* PropertyDefinitions();
void SetPropertyDefinitions(const IPropertyDefinitionSource* source);

} // namespace quillora
