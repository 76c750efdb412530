// Column sets and their stored form.
#include "app/ColumnSet.h"

#include "app/DisplayColumns.h"
#include "core/ProfileStore.h"

#include <algorithm>

namespace quillora {

namespace {

constexpr std::size_t kEntryBytes = 12;

void PutInt(std::vector<std::uint8_t>& out, std::int32_t value) {
    auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
}

std::int32_t GetInt(const std::uint8_t* p) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) {
        u = (u << 8) | p[i];
    }
    return static_cast<std::int32_t>(u);
}

} // namespace

CColumnSet::CColumnSet(std::string key, std::string title, std::vector<int> shownIds,
                       std::vector<int> offeredIds)
    : m_strKey(std::move(key)), m_strTitle(std::move(title)), m_defaultShown(std::move(shownIds)) {
    m_allIds = m_defaultShown;
    m_allIds.insert(m_allIds.end(), offeredIds.begin(), offeredIds.end());
    SetDefaults();
}

bool CColumnSet::HasId(int id) const {
    return std::find(m_allIds.begin(), m_allIds.end(), id) != m_allIds.end();
}

SColumnEntry* CColumnSet::FindShown(int id) {
    auto it = std::find_if(m_shown.begin(), m_shown.end(),
                           [id](const SColumnEntry& e) { return e.m_nId == id; });
    return it == m_shown.end() ? nullptr : &*it;
}

const SColumnEntry* CColumnSet::FindShown(int id) const {
    return const_cast<CColumnSet*>(this)->FindShown(id);
}

SColumnEntry CColumnSet::Default(int id) const {
    return SColumnEntry{id, 1,
                        m_defaultWidth ? m_defaultWidth(id) : CDisplayColumns::DefaultWidth(id)};
}

void CColumnSet::SetDefaultWidths(WidthFunction width) {
    m_defaultWidth = std::move(width);
    SetDefaults();
}

void CColumnSet::SetDefaults() {
    m_shown.clear();
    m_offered.clear();
    for (int id : m_allIds) {
        bool shown =
            std::find(m_defaultShown.begin(), m_defaultShown.end(), id) != m_defaultShown.end();
        (shown ? m_shown : m_offered).push_back(Default(id));
    }
}

void CColumnSet::Load(const CProfileStore& store) {
    std::optional<std::vector<std::uint8_t>> bytes = store.GetBinary(kSection, m_strKey);
    std::vector<SColumnEntry> stored;
    if (!bytes || !Decode(*bytes, stored)) {
        SetDefaults();
        return;
    }
    m_shown.clear();
    m_offered.clear();
    for (const SColumnEntry& entry : stored) {
        if (HasId(entry.m_nId) && !FindShown(entry.m_nId)) {
            SColumnEntry e = entry;
            e.m_bAscending = e.m_bAscending ? 1 : 0;
            // A stored width no one could see or grab is not worth keeping.
            if (e.m_nWidth <= 0) {
                e.m_nWidth = Default(e.m_nId).m_nWidth;
            }
            m_shown.push_back(e);
        }
    }
    for (int id : m_allIds) {
        if (!FindShown(id)) {
            m_offered.push_back(Default(id));
        }
    }
}

void CColumnSet::Save(CProfileStore& store) const {
    store.SetBinary(kSection, m_strKey, Encode(m_shown));
}

std::vector<std::uint8_t> CColumnSet::Encode(const std::vector<SColumnEntry>& entries) {
    std::vector<std::uint8_t> out;
    out.reserve(entries.size() * kEntryBytes);
    for (const SColumnEntry& e : entries) {
        PutInt(out, e.m_nId);
        PutInt(out, e.m_bAscending);
        PutInt(out, e.m_nWidth);
    }
    return out;
}

bool CColumnSet::Decode(const std::vector<std::uint8_t>& bytes, std::vector<SColumnEntry>& out) {
    if (bytes.size() % kEntryBytes != 0) {
        return false;
    }
    out.clear();
    for (std::size_t pos = 0; pos < bytes.size(); pos += kEntryBytes) {
        const std::uint8_t* p = bytes.data() + pos;
        out.push_back(SColumnEntry{GetInt(p), GetInt(p + 4), GetInt(p + 8)});
    }
    return true;
}

} // namespace quillora
