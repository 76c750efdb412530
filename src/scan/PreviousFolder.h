// CPreviousFolder: a folder as the case held it before a re-scan, whose records are
// looked up by name as the entries on disk come. Entries usually come in the order
// the last scan stored them, so the next record in order is tried first and a table
// of names is built only when that misses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillora {

class SFileInfo;

class CPreviousFolder {
public:
    CPreviousFolder() = default;
    // `folder` (may be null: no previous folder) must outlive this object and stay
    // unchanged meanwhile.
    explicit CPreviousFolder(const SFileInfo* folder);

    const SFileInfo* Folder() const { return m_folder; }

    // The child named `name`, else one whose name differs from it in letter case
    // only; each child is handed out once. Null when there is none left.
    const SFileInfo* Take(std::string_view name);

    // The children not handed out, in their order.
    std::vector<const SFileInfo*> Untaken() const;

private:
    bool TakeAt(std::size_t index);
    void BuildTable();

    const SFileInfo* m_folder = nullptr;
    std::size_t m_count = 0;
    std::size_t m_cursor = 0;
    std::vector<bool> m_taken;
    bool m_tableBuilt = false;
    // Children by name folded to lower case, in their order within each name.
    std::unordered_multimap<std::string, std::uint32_t> m_byFoldedName;
};

} // namespace quillora
