// One column set of the file list ("Normal", "Archive" or "Case"): the columns shown,
// in order, with their sort directions and widths, and the columns offered besides.
// Stored in the settings section "DispInfo" as consecutive 12-byte entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillora {

class CProfileStore;

struct SColumnEntry {
    int m_nId = 0;
    int m_bAscending = 1;
    int m_nWidth = 0;
    bool operator==(const SColumnEntry&) const = default;
};

class CColumnSet {
public:
    // key: the value name in "DispInfo"; title: the name the display-items dialog
    // shows; shownIds: the default columns in order; offeredIds: the others.
    CColumnSet(std::string key, std::string title, std::vector<int> shownIds,
               std::vector<int> offeredIds);

    const std::string& Key() const { return m_strKey; }
    const std::string& Title() const { return m_strTitle; }
    // Whether the id is one of this set's columns.
    bool HasId(int id) const;
    // Every id of the set: the default shown ones, then the offered ones.
    const std::vector<int>& AllIds() const { return m_allIds; }

    std::vector<SColumnEntry>& Shown() { return m_shown; }
    const std::vector<SColumnEntry>& Shown() const { return m_shown; }
    std::vector<SColumnEntry>& Offered() { return m_offered; }
    const std::vector<SColumnEntry>& Offered() const { return m_offered; }

    // The shown entry with this id, or null.
    SColumnEntry* FindShown(int id);
    const SColumnEntry* FindShown(int id) const;

    // Where default widths come from (the column id's width); the column table's by
    // default. The list measures them with its font. Resets the lists to the defaults.
    using WidthFunction = std::function<int(int)>;
    void SetDefaultWidths(WidthFunction width);

    // Back to the default lists, all ascending with default widths.
    void SetDefaults();
    // Stored entries whose id belongs to the set become the shown list (a repeated
    // id counts once); every other id of the set is offered. Without a stored value
    // (or with one that is not a whole number of entries) the defaults stand.
    void Load(const CProfileStore& store);
    void Save(CProfileStore& store) const;

    // The 12-byte little-endian entry form, and reading it (whole entries only).
    static std::vector<std::uint8_t> Encode(const std::vector<SColumnEntry>& entries);
    static bool Decode(const std::vector<std::uint8_t>& bytes, std::vector<SColumnEntry>& out);

    static constexpr const char* kSection = "DispInfo";

private:
    SColumnEntry Default(int id) const;

    std::string m_strKey;
    std::string m_strTitle;
    std::vector<int> m_defaultShown;
    std::vector<int> m_allIds;
    std::vector<SColumnEntry> m_shown;
    std::vector<SColumnEntry> m_offered;
    WidthFunction m_defaultWidth;
};

} // namespace quillora
