// Loading and saving the stored find conditions.
#include "core/FindSettings.h"

#include "core/ProfileStore.h"

namespace quillora {

namespace {

// A bound is two values: its enable flag under "<name>Mode" and the bound under name.
void LoadBound(const CProfileStore& store, const char* name, int& mode, std::uint32_t& value) {
    mode = store.GetInt(SFindSettings::kSection, std::string(name) + "Mode", mode);
    value = static_cast<std::uint32_t>(
        store.GetInt(SFindSettings::kSection, name, static_cast<std::int32_t>(value)));
}

void SaveBound(CProfileStore& store, const char* name, int mode, std::uint32_t value) {
    store.SetInt(SFindSettings::kSection, std::string(name) + "Mode", mode);
    store.SetInt(SFindSettings::kSection, name, static_cast<std::int32_t>(value));
}

} // namespace

SFindSettings::SFindSettings(std::uint32_t now)
    : m_dwCTimeMin(now), m_dwCTimeMax(now), m_dwUTimeMin(now), m_dwUTimeMax(now) {}

void SFindSettings::Load(const CProfileStore& store) {
    m_strFolder = store.GetString(kSection, "Folder", m_strFolder);
    m_nNoClose = store.GetInt(kSection, "NoClose", m_nNoClose);
    m_nMethod = store.GetInt(kSection, "Method", m_nMethod);
    m_nWild = store.GetInt(kSection, "Wild", m_nWild);
    m_nUpper = store.GetInt(kSection, "Upper", m_nUpper);
    m_nMark = store.GetInt(kSection, "Mark", m_nMark);
    m_nameHistory.Load(store);
    m_categoryHistory.Load(store);
    m_commentHistory.Load(store);
    LoadBound(store, "SizeMin", m_nSizeMinMode, m_dwSizeMin);
    LoadBound(store, "SizeMax", m_nSizeMaxMode, m_dwSizeMax);
    LoadBound(store, "CTimeMin", m_nCTimeMinMode, m_dwCTimeMin);
    LoadBound(store, "CTimeMax", m_nCTimeMaxMode, m_dwCTimeMax);
    LoadBound(store, "UTimeMin", m_nUTimeMinMode, m_dwUTimeMin);
    LoadBound(store, "UTimeMax", m_nUTimeMaxMode, m_dwUTimeMax);
    m_strName = store.GetString(kSection, "Name", m_strName);
    m_strCategory = store.GetString(kSection, "Category", m_strCategory);
    m_strComment = store.GetString(kSection, "Comment", m_strComment);
}

void SFindSettings::Save(CProfileStore& store) const {
    store.SetString(kSection, "Folder", m_strFolder);
    store.SetInt(kSection, "NoClose", m_nNoClose);
    store.SetInt(kSection, "Method", m_nMethod);
    store.SetInt(kSection, "Wild", m_nWild);
    store.SetInt(kSection, "Upper", m_nUpper);
    store.SetInt(kSection, "Mark", m_nMark);
    m_nameHistory.Save(store);
    m_categoryHistory.Save(store);
    m_commentHistory.Save(store);
    SaveBound(store, "SizeMin", m_nSizeMinMode, m_dwSizeMin);
    SaveBound(store, "SizeMax", m_nSizeMaxMode, m_dwSizeMax);
    SaveBound(store, "CTimeMin", m_nCTimeMinMode, m_dwCTimeMin);
    SaveBound(store, "CTimeMax", m_nCTimeMaxMode, m_dwCTimeMax);
    SaveBound(store, "UTimeMin", m_nUTimeMinMode, m_dwUTimeMin);
    SaveBound(store, "UTimeMax", m_nUTimeMaxMode, m_dwUTimeMax);
    store.SetString(kSection, "Name", m_strName);
    store.SetString(kSection, "Category", m_strCategory);
    store.SetString(kSection, "Comment", m_strComment);
}

} // namespace quillora
