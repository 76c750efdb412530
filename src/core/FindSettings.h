// The stored part of the find conditions: the plain values of section "Find" and the
// three pattern histories. The matching logic that uses them lives in the search module.
#pragma once

#include "core/RecentList.h"

#include <cstdint>
#include <string>

namespace quillora {

class CProfileStore;

struct SFindSettings {
    // Size bounds are unsigned 32-bit byte counts and time bounds 32-bit seconds since
    // 1970, both stored as 32-bit integers; the matching "...Mode" value enables a bound.
    SFindSettings() = default;
    explicit SFindSettings(std::uint32_t now);

    void Load(const CProfileStore& store);
    void Save(CProfileStore& store) const;

    std::string m_strFolder;
    std::string m_strName;
    std::string m_strCategory;
    std::string m_strComment;
    int m_nNoClose = 0;
    int m_nMethod = 0; // 0 AND, 1 OR, 2 NOT
    int m_nWild = 1;
    int m_nUpper = 1;
    int m_nMark = 0;
    int m_nSizeMinMode = 0;
    std::uint32_t m_dwSizeMin = 0;
    int m_nSizeMaxMode = 0;
    std::uint32_t m_dwSizeMax = 0;
    int m_nCTimeMinMode = 0;
    std::uint32_t m_dwCTimeMin = 0;
    int m_nCTimeMaxMode = 0;
    std::uint32_t m_dwCTimeMax = 0;
    int m_nUTimeMinMode = 0;
    std::uint32_t m_dwUTimeMin = 0;
    int m_nUTimeMaxMode = 0;
    std::uint32_t m_dwUTimeMax = 0;

    CRecentList m_nameHistory{"FindName", "Name", 10};
    CRecentList m_categoryHistory{"FindCategory", "Category", 20};
    CRecentList m_commentHistory{"FindComment", "Comment", 10};

    static constexpr const char* kSection = "Find";
};

} // namespace quillora
