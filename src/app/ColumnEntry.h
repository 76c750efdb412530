// The column entries of the file list's three column sets, as plain data shared by the
// list view and the display-items dialog.
#pragma once

#include <array>
#include <vector>

namespace quillora {

// One column of a set: its id (ColumnTitles.h), ascending flag (1 ascending, 0
// descending) and width in pixels.
struct SColumnChoice {
    int id = 0;
    int ascending = 1;
    int width = 0;

    bool operator==(const SColumnChoice&) const = default;
};

// A column set: the columns shown, in order, and the columns offered but not shown.
struct SColumnSetLists {
    std::vector<SColumnChoice> shown;
    std::vector<SColumnChoice> offered;

    bool operator==(const SColumnSetLists&) const = default;
};

// The three sets, indexed by EColumnSet.
enum EColumnSet { kColumnSetNormal = 0, kColumnSetArchive = 1, kColumnSetCase = 2 };
inline constexpr int kColumnSetCount = 3;
using ColumnSets = std::array<SColumnSetLists, kColumnSetCount>;

} // namespace quillora
