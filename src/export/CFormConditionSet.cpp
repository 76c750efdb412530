// Preset sets: list handling and storage.
#include "export/CFormConditionSet.h"

#include "core/ProfileStore.h"

#include <algorithm>

namespace quillora {

namespace {

std::string PresetSection(const std::string& formName, std::size_t index) {
    return formName + "\\" + std::to_string(index + 1);
}

} // namespace

CFormConditionSet::CFormConditionSet(std::string formName, PresetFactory newPreset)
    : FormName(std::move(formName)), m_newPreset(std::move(newPreset)) {}

CFormConditionSet::CFormConditionSet(const CFormConditionSet& other) {
    *this = other;
}

CFormConditionSet& CFormConditionSet::operator=(const CFormConditionSet& other) {
    if (this == &other) {
        return *this;
    }
    FormName = other.FormName;
    Select = other.Select;
    ImportPath = other.ImportPath;
    ImportShowDiff = other.ImportShowDiff;
    ExportPath = other.ExportPath;
    m_newPreset = other.m_newPreset;
    m_presets.clear();
    for (const auto& preset : other.m_presets) {
        m_presets.push_back(preset->Clone());
    }
    return *this;
}

CFormPreset* CFormConditionSet::Current() {
    return Select >= 0 && static_cast<std::size_t>(Select) < m_presets.size()
               ? m_presets[static_cast<std::size_t>(Select)].get()
               : nullptr;
}

const CFormPreset* CFormConditionSet::Current() const {
    return const_cast<CFormConditionSet*>(this)->Current();
}

int CFormConditionSet::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        if (m_presets[i]->Name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

CFormPreset& CFormConditionSet::Add(std::unique_ptr<CFormPreset> preset) {
    m_presets.push_back(std::move(preset));
    return *m_presets.back();
}

void CFormConditionSet::Remove(std::size_t index) {
    if (index >= m_presets.size()) {
        return;
    }
    m_presets.erase(m_presets.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_presets.empty()) {
        Select = -1;
        return;
    }
    Select = std::max(0, static_cast<int>(index) - 1);
}

void CFormConditionSet::Clear() {
    m_presets.clear();
    Select = -1;
}

bool CFormConditionSet::Load(const CProfileStore& store) {
    Clear();
    ImportPath = store.GetString(FormName, "ImportPath");
    ImportShowDiff = store.GetInt(FormName, "ImportShowDiff", 1);
    ExportPath = store.GetString(FormName, "ExportPath");
    const int count = std::min(store.GetInt(FormName, "Count", 0), kMaxPresets);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<CFormPreset> preset = NewPreset();
        preset->Load(store, PresetSection(FormName, static_cast<std::size_t>(i)));
        m_presets.push_back(std::move(preset));
    }
    Select = store.GetInt(FormName, "Select", -1);
    if (Select < 0 || Select >= count) {
        Select = 0;
    }
    if (count <= 0) {
        Select = -1;
        return false;
    }
    return true;
}

void CFormConditionSet::Save(CProfileStore& store) const {
    store.DeleteSection(FormName);
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        m_presets[i]->Save(store, PresetSection(FormName, i));
    }
    store.SetInt(FormName, "Count", static_cast<int>(m_presets.size()));
    store.SetInt(FormName, "Select", Select);
    store.SetString(FormName, "ImportPath", ImportPath);
    store.SetInt(FormName, "ImportShowDiff", ImportShowDiff);
    store.SetString(FormName, "ExportPath", ExportPath);
}

void CFormConditionSet::EnsureDefault() {
    if (!m_presets.empty()) {
        return;
    }
    std::unique_ptr<CFormPreset> preset = NewPreset();
    preset->Name = "標準";
    m_presets.push_back(std::move(preset));
    Select = 0;
}

} // namespace quillora
