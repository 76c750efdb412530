// The three column sets of the file list, loaded when the list is made and saved
// when it goes away; the display-items dialog edits them.
#pragma once

#include "app/ColumnSet.h"

#include <array>

namespace quillora {

class CColumnSets {
public:
    enum Mode { kNormal = 0, kArchive = 1, kCase = 2 };

    CColumnSets();

    CColumnSet& Set(Mode mode) { return m_sets[mode]; }
    const CColumnSet& Set(Mode mode) const { return m_sets[mode]; }
    static constexpr int kModes = 3;

    // Default widths for every set (see CColumnSet::SetDefaultWidths).
    void SetDefaultWidths(const CColumnSet::WidthFunction& width);
    void Load(const CProfileStore& store);
    void Save(CProfileStore& store) const;

    // Every column of every set back to ascending (a new sort column was chosen).
    void ResetAscending();

private:
    std::array<CColumnSet, 3> m_sets;
};

} // namespace quillora
