// Where the printed list goes on its pages, computed once from the page, the margins, the
// fonts' character sizes and the columns: the horizontal scale that makes the columns
// fill the width between the margins, how many one-line rows a page holds and how many
// pages there are; and, for pages whose columns are sized from their values, how the
// width is shared out and how many rows of given heights fit.
#pragma once

#include <cstddef>
#include <vector>

namespace quillora {

// Lengths in the page's device units.
struct SPageMetrics {
    double m_dPageWidth = 0;
    double m_dPageHeight = 0;
    double m_dMarginTop = 0;
    double m_dMarginBottom = 0;
    double m_dMarginLeft = 0;
    double m_dMarginRight = 0;
    double m_dCharHeight = 0;   // the list font's character height
    double m_dTitleHeight = 0;  // the page title's line (bold title font)
    double m_dRowHeight = 0;    // one row of the table
    double m_dHeaderHeight = 0; // the title row of the table; 0 when it is not printed
};

class CPrintPageLayout {
public:
    // `columnWidths` in screen pixels, as the grid shows them.
    CPrintPageLayout(const SPageMetrics& metrics, const std::vector<int>& columnWidths,
                     std::size_t rowCount);

    // Device units per screen pixel of a column.
    double Scale() const { return m_dScale; }
    std::size_t RowsPerPage() const { return m_nRowsPerPage; }
    // At least 1: an empty list still prints its page with title and footer.
    std::size_t PageCount() const { return m_nPageCount; }
    // The rows [first, end) of page `page` (from 0).
    std::size_t FirstRow(std::size_t page) const { return page * m_nRowsPerPage; }
    std::size_t EndRow(std::size_t page) const;

    // Left edge and width of column c on the page.
    double ColumnX(std::size_t column) const { return m_columnX[column]; }
    double ColumnWidth(std::size_t column) const {
        return m_columnX[column + 1] - m_columnX[column];
    }
    double TableRight() const { return m_columnX.back(); }

    // The page title's line, the rule under it, the table's top, the footer's rule and
    // text line.
    double TitleTop() const { return m_metrics.m_dMarginTop; }
    double TitleRuleY() const;
    double TableTop() const;
    double FooterRuleY() const;
    double FooterTop() const;
    const SPageMetrics& Metrics() const { return m_metrics; }
    // The height left for rows on a page whose table title row is `headerHeight` high.
    double RowSpace(double headerHeight) const;

    // Shares `usable` among columns that want `wanted` widths. When all fit, each grows in
    // proportion to fill the width. Otherwise every column that wants no more than an even
    // share of what is left gets what it wants, and the rest split the remainder evenly,
    // so short values (dates, sizes, empty columns) are never cut for a long one.
    static std::vector<double> ShareWidths(const std::vector<double>& wanted, double usable);
    // How many of `heights`, from the first, fit into `space`: at least one when there is
    // any, so a row taller than a page still goes onto a page of its own.
    static std::size_t RowsThatFit(const std::vector<double>& heights, double space);

private:
    SPageMetrics m_metrics;
    std::vector<double> m_columnX;
    double m_dScale = 1;
    std::size_t m_nRows = 0;
    std::size_t m_nRowsPerPage = 1;
    std::size_t m_nPageCount = 1;
};

} // namespace quillora
