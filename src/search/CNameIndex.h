// The names a find matches (FindNameOf) of a whole case side by side in pre-order, with the records
// they belong to: a find over millions of records then reads a few bytes per record in one stream
// instead of the records scattered over the heap. Built in slices, so a window stays responsive; it
// describes one revision of one case.
#pragma once

#include "search/CCaseCursor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CCDCase;
class SFileInfo;

class CNameIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Starts an index of `root` as it is now; nothing is read until Build. An index
    // of an earlier state of the case (`previous`) tells how much room to take at
    // once: growing the blocks step by step costs a third of a build.
    explicit CNameIndex(CCDCase& root, const CNameIndex* previous = nullptr);
    CNameIndex(const CNameIndex&) = delete;
    CNameIndex& operator=(const CNameIndex&) = delete;

    // Adds up to `budget` records; `current` is the case the caller has open now,
    // which may be another object than the one the index was started on. True once
    // the index is complete, and at once when it became unusable: the open case is
    // another or changed since the index was started (nothing of the old tree is
    // read then), or the names need more room than the index can address.
    bool Build(const CCDCase& current, std::size_t budget);
    // Builds to the end.
    void BuildAll(const CCDCase& current);
    bool IsComplete() const { return m_bComplete; }
    // Complete and still describing `root` as it is now.
    bool IsCurrentFor(const CCDCase& root) const;
    // False once building gave up.
    bool Usable() const { return !m_bFailed; }

    std::size_t Size() const { return m_records.size(); }
    SFileInfo* Record(std::size_t position) const { return m_records[position]; }
    std::string_view Name(std::size_t position) const {
        const std::uint32_t begin = position == 0 ? 0 : m_nameEnds[position - 1];
        return {m_names.data() + begin, m_nameEnds[position] - begin};
    }
    // One past the last position of the record's subtree.
    std::size_t SubtreeEnd(std::size_t position) const { return m_subtreeEnds[position]; }
    // Where the record is, or npos.
    std::size_t PositionOf(const SFileInfo* record) const;

private:
    void Fail();

    const CCDCase* m_pRoot;
    std::uint64_t m_nRevision;
    CCaseCursor m_cursor;
    std::vector<SFileInfo*> m_records;
    std::vector<std::uint32_t> m_nameEnds;
    std::vector<std::uint32_t> m_subtreeEnds;
    std::string m_names;
    // Positions of the records whose subtree is still open, the deepest last.
    std::vector<std::uint32_t> m_open;
    bool m_bComplete = false;
    bool m_bFailed = false;
};

} // namespace quillora
