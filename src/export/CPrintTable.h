// The table a print preset makes of catalogue entries: the rows (each entry, and with
// sub-folders everything below it, up to the row limit), a "No." cell and one cell per
// printed item, each with its alignment and width. Shared by the print dialog's grid,
// the printed pages and the command line's PDF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class CExportJob;
class CPrintCondition;
class SFileInfo;

enum class ECellAlign { Left, Center, Right };

struct SPrintColumn {
    std::string m_strTitle; // the title row's text ("No.", "名前", "ｻｲｽﾞ", ...)
    int m_nType = 0;        // the item type; 0 for "No."
    ECellAlign m_align = ECellAlign::Left;
    int m_nWidth = 0; // in screen pixels (96 per inch)
};

// Widths: "No." 40 pixels, the comment 100, any other item the grid's default.
inline constexpr int kNoColumnWidth = 40;
inline constexpr int kCommentColumnWidth = 100;
inline constexpr int kDefaultColumnWidth = 80;

class CPrintTable {
public:
    // The columns of the preset: "No.", then the printed items in order.
    explicit CPrintTable(const CPrintCondition& preset);

    // Fills the rows: `Target` 0 walks `folderEntry`, 1 each of `listEntries` in order,
    // 2 `root`; each entry is a row, followed depth first by everything below it when
    // `TargetSubFolder` is set (always for the whole case); with `TargetRowsMode` the
    // walk ends after `TargetRows` rows. With a job, counts the rows into it and stops
    // (returning false) when it is cancelled.
    bool Build(const SFileInfo* root, const SFileInfo* folderEntry,
               const std::vector<const SFileInfo*>& listEntries, CExportJob* job = nullptr);

    const std::vector<SPrintColumn>& Columns() const { return m_columns; }
    std::size_t RowCount() const { return m_rows.size(); }
    // Whether the row limit ended the walk while entries were still to come.
    bool Truncated() const { return m_bTruncated; }
    // Row r (from 0) in column c: "No." is r + 1.
    const std::string& Cell(std::size_t row, std::size_t column) const {
        return m_rows[row][column];
    }

private:
    void AddRow(const SFileInfo& entry, class CItemValues& values);

    std::vector<SPrintColumn> m_columns;
    std::vector<std::vector<std::string>> m_rows;
    int m_nTarget = 0;
    bool m_bBelow = true;
    std::size_t m_nLimit = 0;
    bool m_bTruncated = false;
};

} // namespace quillora
