// The index's settings in the settings store.
#include "index/SIndexSettings.h"

#include "core/ProfileStore.h"
#include "index/IndexFolder.h"

namespace quillora {

namespace {

constexpr const char* kSection = "Index";

} // namespace

SIndexSettings SIndexSettings::Load(const CProfileStore& store) {
    SIndexSettings settings;
    settings.m_bIndexOpenedAndSaved = store.GetInt(kSection, "IndexCases", 1) != 0;
    settings.m_strFolder = store.GetString(kSection, "Folder", "");
    return settings;
}

void SIndexSettings::Save(CProfileStore& store) const {
    store.SetInt(kSection, "IndexCases", m_bIndexOpenedAndSaved ? 1 : 0);
    store.SetString(kSection, "Folder", m_strFolder);
}

std::string SIndexSettings::Folder() const {
    return m_strFolder.empty() ? DefaultIndexFolder() : m_strFolder;
}

} // namespace quillora
