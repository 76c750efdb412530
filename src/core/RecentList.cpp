// Recent-items lists: the add rule and their storage in numbered values.
#include "core/RecentList.h"

#include "core/ProfileStore.h"

#include <algorithm>

namespace quillora {

namespace {

bool CaseEqualAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

CRecentList::CRecentList(std::string section, std::string namePrefix, int count)
    : m_section(std::move(section)), m_namePrefix(std::move(namePrefix)),
      m_entries(static_cast<size_t>(std::max(count, 1))) {}

void CRecentList::Load(const CProfileStore& store) {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_entries[i] = store.GetString(m_section, m_namePrefix + std::to_string(i + 1));
    }
}

void CRecentList::Save(CProfileStore& store) const {
    store.DeleteSection(m_section);
    store.CreateSection(m_section);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].empty()) {
            store.SetString(m_section, m_namePrefix + std::to_string(i + 1), m_entries[i]);
        }
    }
}

void CRecentList::Add(std::string_view text) {
    if (text.empty()) {
        return;
    }
    size_t slot = m_entries.size() - 1;
    for (size_t i = 0; i + 1 < m_entries.size(); ++i) {
        if (CaseEqualAscii(m_entries[i], text)) {
            slot = i;
            break;
        }
    }
    for (size_t i = slot; i > 0; --i) {
        m_entries[i] = std::move(m_entries[i - 1]);
    }
    m_entries[0] = std::string(text);
}

void CRecentList::Clear() {
    for (std::string& entry : m_entries) {
        entry.clear();
    }
}

} // namespace quillora
