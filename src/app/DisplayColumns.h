// The 36 display columns of the file list: titles, alignment, default widths, the
// value text of a record in each column and the column comparisons sorting uses.
#pragma once

#include "core/FileTime.h"

#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

struct SDisplayColumn {
    int m_nId;
    const char* m_pszTitle;
    bool m_bRight;
    int m_nWidth;
};

class CDisplayColumns {
public:
    static constexpr int kName = 0;
    static constexpr int kSize = 1;
    static constexpr int kCount = 36;

    // The table in its fixed order (id 5 stands before id 4).
    static const std::vector<SDisplayColumn>& Table();
    // The column with this id, or null.
    static const SDisplayColumn* Find(int id);
    // The default width; 0 for an id not in the table.
    static int DefaultWidth(int id);
    static const char* Title(int id);
    static bool RightAligned(int id);

    // The text the list shows for the record in the column.
    static std::string ValueText(SFileInfo& record, int id);
    // "（不明）" for a zero or unusable time, else local time as "%Y/%m/%d %H:%M:%S".
    static std::string DateText(FileTime time);

    // The column's own comparison (<0, 0, >0), before classes and name ties.
    static int Compare(SFileInfo& a, SFileInfo& b, int id);
};

} // namespace quillora
