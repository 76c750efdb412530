// Default widths of the file list's columns for the font the list is drawn with, so
// that sizes, dates and numbers fit whatever the font and the screen's scale.
#pragma once

#include <QFontMetrics>
#include <QString>

class QTreeView;

namespace quillora {

class CColumnSet;

class CColumnWidths {
public:
    // The default width of column `id`: the width the column table gives, widened
    // until the column's sample text plus the cell's margins and, in the header, its
    // title with the sort mark fit. Columns of free text grow with the font's
    // average character width. `iconWidth` is the room the first column's icons take.
    static int DefaultWidth(int id, const QFontMetrics& text, const QFontMetrics& header,
                            int iconWidth);

    // The widest usual value of a column of sizes, dates or numbers (the texts the
    // list shows for them); empty for columns of free text.
    static QString SampleText(int id);

    // Gives `view` the widths of the shown columns of `columns` and keeps them there
    // as the user drags the header, so that they are saved with the set.
    static void Track(QTreeView& view, CColumnSet& columns);

    // Room around a cell's text, and for the header's sort mark.
    static constexpr int kCellMargin = 16;
    static constexpr int kSortMarkWidth = 20;
};

} // namespace quillora
