// CLabelEditModel: what the label dialog works on, without the dialog: a work list of
// (label, record) pairs copied from a group or the case, edited, moved and sorted,
// then applied to the records and to the container's child order in one step.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

class CLabelEditModel {
public:
    struct SEntry {
        std::string m_strLabel;
        SFileInfo* m_pRecord;
    };

    // Copies the container's children in order; each label is the record's label
    // (its name for a child that is neither medium nor group).
    explicit CLabelEditModel(SFileInfo& container);

    const std::vector<SEntry>& Entries() const { return m_entries; }
    std::size_t Count() const { return m_entries.size(); }

    // The record's original label (empty for a child that is neither medium nor group).
    static std::string OriginalLabel(const SFileInfo& record);
    // The row image in the tree view's image list: 20 group, 4 CD-ROM, 12 removable,
    // 24 remote folder, 22 otherwise.
    static int ImageIndex(const SFileInfo& record);

    // Which buttons apply with row `selected` (npos: no selection).
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    bool CanEdit(std::size_t selected) const { return selected < Count(); }
    bool CanSort() const { return Count() >= 2; }
    bool CanMoveUp(std::size_t selected) const { return selected < Count() && selected > 0; }
    bool CanMoveDown(std::size_t selected) const {
        return selected < Count() && selected + 1 < Count();
    }

    // A finished in-place edit, and "back to the original name".
    void SetLabel(std::size_t index, std::string label);
    void RevertToOriginal(std::size_t index);

    // Swap the row with its neighbour; return the row's new position (unchanged when
    // it cannot move).
    std::size_t MoveUp(std::size_t index);
    std::size_t MoveDown(std::size_t index);

    // Sorts by label in ascending order of the locale's collation (strcoll).
    void Sort();

    // OK: every record takes its label from the work list, the container's children
    // take the work list's order, and the display names are updated. False (and
    // nothing changed) when the container's children are no longer the records of
    // the work list.
    bool Apply();

private:
    SFileInfo& m_container;
    std::vector<SEntry> m_entries;
};

} // namespace quillora
