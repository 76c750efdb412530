// Property sets: values a comment extractor pulled out of a file, one per item of
// the extraction definition they belong to, which they name.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

// An extraction definition as the catalogue sees it: a name and its item keys.
struct CPropertyDefinition {
    std::string m_strName;
    std::vector<int> m_itemKeys;
    // Made up on reading for a name no extractor knows: its sets keep exactly the
    // values they were read with.
    bool m_bAdopted = false;
};

class CPropertySet {
public:
    explicit CPropertySet(const CPropertyDefinition* definition);

    const CPropertyDefinition* Definition() const { return m_pDefinition; }
    const std::string& DefinitionName() const;

    std::vector<std::string>& Values() { return m_values; }
    const std::vector<std::string>& Values() const { return m_values; }

    // The value of the item with this key, or null when the definition has none.
    const std::string* ValueByKey(int key) const;

    // Copies every non-empty value of `other` into the slot of the same item key.
    void MergeFrom(const CPropertySet& other);

    std::unique_ptr<CPropertySet> Clone() const;

private:
    const CPropertyDefinition* m_pDefinition;
    std::vector<std::string> m_values;
};

// Where the case reader finds a definition by the name a stored set carries.
class IPropertyDefinitionSource {
public:
    virtual ~IPropertyDefinitionSource() = default;
    // The definition of that name (compared without regard to case), or null.
    virtual const CPropertyDefinition* FindByName(std::string_view name) const = 0;
};

} // namespace quillora
