// The presets of one list format (or of printing): an ordered list of named presets, the
// selected one, and the file names and check box the export and import dialogs remember.
// Stored in section FormName ("CSVForm") and one sub-section per preset ("CSVForm\1").
#pragma once

#include "export/CFormPreset.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillora {

class CProfileStore;

class CFormConditionSet {
public:
    // Makes a new preset of the set's kind with its format's defaults.
    using PresetFactory = std::function<std::unique_ptr<CFormPreset>()>;

    CFormConditionSet(std::string formName, PresetFactory newPreset);
    // Deep copies: the settings dialogs edit a copy and write it back on OK.
    CFormConditionSet(const CFormConditionSet& other);
    CFormConditionSet& operator=(const CFormConditionSet& other);

    std::string FormName;
    int Select = -1; // index of the current preset; -1 while the list is empty
    std::string ImportPath;
    int ImportShowDiff = 1;
    std::string ExportPath;

    std::size_t Count() const { return m_presets.size(); }
    CFormPreset& At(std::size_t index) { return *m_presets[index]; }
    const CFormPreset& At(std::size_t index) const { return *m_presets[index]; }
    // The preset at Select, or null.
    CFormPreset* Current();
    const CFormPreset* Current() const;
    // The index of the first preset with that name (exact), or -1.
    int IndexOf(std::string_view name) const;

    // A new preset of the set's kind (not added).
    std::unique_ptr<CFormPreset> NewPreset() const { return m_newPreset(); }
    // Appends a preset; returns it.
    CFormPreset& Add(std::unique_ptr<CFormPreset> preset);
    // Removes the preset at index; Select moves to the one before it (or stays at 0).
    void Remove(std::size_t index);
    void Clear();

    // Reads the set: ImportPath, ImportShowDiff, ExportPath, Count, each preset from
    // "<FormName>\<i>", then Select (a value outside the list selects the first preset).
    // False, with the list empty, when Count is 0 or less.
    bool Load(const CProfileStore& store);
    // Replaces the stored set (older presets beyond the count are removed).
    void Save(CProfileStore& store) const;
    // An empty set gets one preset with the format's defaults named "標準", selected.
    void EnsureDefault();

    // Presets beyond this count are not read: a damaged count cannot make thousands.
    static constexpr int kMaxPresets = 1000;

private:
    PresetFactory m_newPreset;
    std::vector<std::unique_ptr<CFormPreset>> m_presets;
};

} // namespace quillora
