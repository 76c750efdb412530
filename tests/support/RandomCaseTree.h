// A random case tree of every class and field for tests: groups holding media, folders,
// archives with entries and folders inside, empty folders, texts CP932 cannot hold,
// texts JSON must escape, long names.
#pragma once

#include "model/CCDCase.h"
#include "model/PropertyDefinitions.h"

#include <memory>
#include <random>
#include <string>

namespace quillora::test {

class CRandomCaseTree {
public:
    explicit CRandomCaseTree(unsigned seed) : m_random(seed) {}

    // Property sets name the definition CRandomTreeDefinitions installs.
    std::unique_ptr<CCDCase> Make();

private:
    int Pick(int n);
    std::string Text();
    std::string Name(int i);
    void Fill(SFileInfo& r);
    void AddMedium(SFileInfo& parent);
    void AddContents(SFileInfo& folder, int depth);

    std::mt19937 m_random;
};

// Installs the property definition the random trees use, for the object's lifetime.
class CRandomTreeDefinitions : public IPropertyDefinitionSource {
public:
    CRandomTreeDefinitions();
    ~CRandomTreeDefinitions() override;
    CRandomTreeDefinitions(const CRandomTreeDefinitions&) = delete;
    CRandomTreeDefinitions& operator=(const CRandomTreeDefinitions&) = delete;

    const CPropertyDefinition* FindByName(std::string_view name) const override;

private:
    const IPropertyDefinitionSource* m_pPrevious;
};

} // namespace quillora::test
