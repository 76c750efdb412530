// The index's settings in the settings store.
#include "index/SIndexSettings.h"

#include "core/ProfileStore.h"
#include "index/IndexFolder.h"
#include "index/ServerUrl.h"

namespace quillora {

namespace {

constexpr const char* kSection = "Index";

} // namespace

SIndexSettings SIndexSettings::Load(const CProfileStore& store) {
    SIndexSettings settings;
    settings.m_bIndexOpenedAndSaved = store.GetInt(kSection, "IndexCases", 1) != 0;
    settings.m_strFolder = store.GetString(kSection, "Folder", "");
    settings.m_strServer = WithoutPassword(store.GetString(kSection, "Server", ""));
    return settings;
}

void SIndexSettings::Save(CProfileStore& store) const {
    store.SetInt(kSection, "IndexCases", m_bIndexOpenedAndSaved ? 1 : 0);
    store.SetString(kSection, "Folder", m_strFolder);
    store.SetString(kSection, "Server", WithoutPassword(m_strServer));
}

std::string SIndexSettings::Location() const {
    return m_strServer.empty() ? Folder() : m_strServer;
}

std::string SIndexSettings::Folder() const {
    return m_strFolder.empty() ? DefaultIndexFolder() : m_strFolder;
}

} // namespace quillora
