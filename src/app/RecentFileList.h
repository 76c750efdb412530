// The recent-file list of the File menu, kept in the settings section
// "Recent File List" as "File1", "File2", ... newest first.
#pragma once

#include <string>
#include <vector>

namespace quillora {

class CProfileStore;

class CRecentFileList {
public:
    static constexpr const char* kSection = "Recent File List";

    // `count` slots (at least 0, at most 16).
    explicit CRecentFileList(int count);

    void Load(const CProfileStore& store);
    // Replaces the section by the list's entries.
    void Save(CProfileStore& store) const;

    // Puts the path first (taking out an equal entry).
    void Add(const std::string& path);
    // Takes out every entry equal to the path without regard to ASCII letter case
    // (the way the list forgets a file that failed to open).
    void Remove(const std::string& path);
    // The first non-empty entry, or empty.
    std::string First() const;
    // Changes the number of slots (0..16); entries beyond it fall out.
    void SetCount(int count);
    // Takes out every entry but the one equal to `keep` without regard to ASCII letter
    // case (the open case stays in the list).
    void ClearExcept(const std::string& keep);

    const std::vector<std::string>& Entries() const { return m_entries; }
    int Count() const { return m_nCount; }

private:
    int m_nCount;
    std::vector<std::string> m_entries;
};

} // namespace quillora
