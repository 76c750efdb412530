// The 36 display columns of the file list (title, alignment, default width) and the
// three column sets with their default shown and offered columns.
#pragma once

#include "app/ColumnEntry.h"

#include <vector>

namespace quillora {

// The column's title; "" for an unknown id.
const char* ColumnTitle(int id);
// The default width; 0 for an unknown id.
int ColumnWidth(int id);
// Whether the column is right-aligned; false for an unknown id.
bool ColumnRightAligned(int id);

// A column set's registry key ("Normal", "Archive", "Case") and its title.
const char* ColumnSetKey(int set);
const char* ColumnSetTitle(int set);
// The ids shown by default, in order, and the further ids offered.
const std::vector<int>& DefaultShownIds(int set);
const std::vector<int>& DefaultOfferedIds(int set);
// Whether `id` belongs to the set (shown by default or offered).
bool ColumnBelongsToSet(int set, int id);

// The default lists: every entry ascending, with its default width.
SColumnSetLists DefaultColumnSet(int set);
ColumnSets DefaultColumnSets();

class CColumnSets;
// The list view's column sets as the dialog's plain lists, and back.
ColumnSets ToColumnLists(const CColumnSets& sets);
void ApplyColumnLists(const ColumnSets& lists, CColumnSets& sets);

} // namespace quillora
