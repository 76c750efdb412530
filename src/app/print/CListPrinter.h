// Paints the printed list onto pages: the page title in bold with a rule under it, the
// table's title row, the rows with their alignment, colours and grid lines, and the
// footer "Page %d of %d" with the date. Each page sizes its columns from the font and
// the values it shows; a value that still does not fit wraps onto more lines, so
// nothing on the page is cut. One routine serves the printer, the preview and the PDF
// the command line writes.
#pragma once

#include "export/CPrintCondition.h"
#include "export/CPrintTable.h"

#include <QColor>
#include <QFont>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace quillora {

class CListPrinter {
public:
    // `table` and `preset` must outlive the printer. In print mode a cleared "ListTitle"
    // leaves out the title row and a cleared "ListNo" the "No." column.
    CListPrinter(const CPrintTable& table, const CPrintCondition& preset);

    // Paints every page on `device` through `painter` (already begun on it). `progress`
    // (page from 1, page count) is asked before each page; false stops there. Returns
    // whether every page was painted.
    bool Paint(QPainter& painter, QPagedPaintDevice& device,
               const std::function<bool(int, int)>& progress = {}) const;
    // The page count `device` gives.
    int PageCount(QPagedPaintDevice& device) const;

    static QFont FontOf(const SPrintFont& font, bool bold = false);
    // From the stored 0x00BBGGRR.
    static QColor ColorOf(std::uint32_t colorRef);
    static std::uint32_t ColorRefOf(const QColor& color);

    // The note the last page carries when the row limit left rows out.
    static QString RowLimitNote(std::size_t rows);
    // The footer's date and time, in the program's language.
    static QString DateText();

private:
    struct SLayoutInput;
    struct SPagePlan;
    SLayoutInput Measure(QPagedPaintDevice& device) const;
    std::vector<SPagePlan> Plan(const SLayoutInput& in, QPagedPaintDevice& device) const;

    const CPrintTable& m_table;
    const CPrintCondition& m_preset;
    std::vector<std::size_t> m_columns; // the printed columns of the table
};

} // namespace quillora
