// Recent-file list.
#include "app/RecentFileList.h"

#include "core/ProfileStore.h"
#include "core/Text.h"

#include <algorithm>

namespace quillora {

namespace {
constexpr int kMaxSlots = 16;
}

CRecentFileList::CRecentFileList(int count) : m_nCount(std::clamp(count, 0, kMaxSlots)) {}

void CRecentFileList::Load(const CProfileStore& store) {
    m_entries.clear();
    for (int i = 1; i <= m_nCount; ++i) {
        std::string path = store.GetString(kSection, "File" + std::to_string(i));
        if (!path.empty()) {
            m_entries.push_back(path);
        }
    }
}

void CRecentFileList::Save(CProfileStore& store) const {
    store.DeleteSection(kSection);
    store.CreateSection(kSection);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        store.SetString(kSection, "File" + std::to_string(i + 1), m_entries[i]);
    }
}

void CRecentFileList::Add(const std::string& path) {
    if (path.empty() || m_nCount == 0) {
        return;
    }
    std::erase(m_entries, path);
    m_entries.insert(m_entries.begin(), path);
    if (m_entries.size() > static_cast<std::size_t>(m_nCount)) {
        m_entries.resize(static_cast<std::size_t>(m_nCount));
    }
}

void CRecentFileList::Remove(const std::string& path) {
    std::erase_if(m_entries,
                  [&](const std::string& e) { return text::CompareNoCase(e, path) == 0; });
}

std::string CRecentFileList::First() const {
    return m_entries.empty() ? std::string() : m_entries.front();
}

void CRecentFileList::SetCount(int count) {
    m_nCount = std::clamp(count, 0, kMaxSlots);
    if (m_entries.size() > static_cast<std::size_t>(m_nCount)) {
        m_entries.resize(static_cast<std::size_t>(m_nCount));
    }
}

void CRecentFileList::ClearExcept(const std::string& keep) {
    std::erase_if(m_entries, [&](const std::string& e) {
        return keep.empty() || text::CompareNoCase(e, keep) != 0;
    });
}

} // namespace quillora
