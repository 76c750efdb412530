// A recent-items list kept in its own settings section (find patterns, add-media folders):
// a fixed number of slots, newest first, stored under numbered value names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CProfileStore;

class CRecentList {
public:
    // section: where the list is stored; namePrefix: value names are the prefix followed
    // by the slot number from 1 ("Name" -> "Name1" ... "Name10"); count: number of slots.
    CRecentList(std::string section, std::string namePrefix, int count);

    // Reads every slot; a missing value leaves its slot empty.
    void Load(const CProfileStore& store);
    // Clears the section, then writes the non-empty slots.
    void Save(CProfileStore& store) const;

    // Puts text first. An empty text changes nothing. An entry equal to it without regard
    // to ASCII letter case, searched among all but the last slot, is taken out and the
    // entries above it move down one; without such an entry the last one falls out.
    void Add(std::string_view text);

    // Always Count() slots, [0] the newest; empty strings are unused slots.
    const std::vector<std::string>& Entries() const { return m_entries; }
    int Count() const { return static_cast<int>(m_entries.size()); }
    const std::string& Section() const { return m_section; }
    void Clear();

private:
    std::string m_section;
    std::string m_namePrefix;
    std::vector<std::string> m_entries;
};

} // namespace quillora
