// Page layout of the printed list.
#include "export/CPrintPageLayout.h"

#include <algorithm>
#include <cmath>

namespace quillora {

CPrintPageLayout::CPrintPageLayout(const SPageMetrics& metrics,
                                   const std::vector<int>& columnWidths, std::size_t rowCount)
    : m_metrics(metrics), m_nRows(rowCount) {
    double total = 0;
    for (int width : columnWidths) {
        total += std::max(width, 0);
    }
    const double usable =
        std::max(0.0, metrics.m_dPageWidth - metrics.m_dMarginLeft - metrics.m_dMarginRight);
    m_dScale = total > 0 ? usable / total : 1;
    m_columnX.push_back(metrics.m_dMarginLeft);
    for (int width : columnWidths) {
        m_columnX.push_back(m_columnX.back() + std::max(width, 0) * m_dScale);
    }
    // What is left for rows once the title, the table's title row, the margins and five
    // character lines (gaps and the footer) are taken.
    const double printable = metrics.m_dPageHeight - 5 * metrics.m_dCharHeight -
                             metrics.m_dTitleHeight - metrics.m_dHeaderHeight -
                             metrics.m_dMarginTop - metrics.m_dMarginBottom;
    if (metrics.m_dRowHeight > 0 && printable > 0) {
        m_nRowsPerPage =
            std::max<std::size_t>(1, static_cast<std::size_t>(printable / metrics.m_dRowHeight));
    }
    m_nPageCount = std::max<std::size_t>(1, (m_nRows + m_nRowsPerPage - 1) / m_nRowsPerPage);
}

std::size_t CPrintPageLayout::EndRow(std::size_t page) const {
    return std::min(m_nRows, (page + 1) * m_nRowsPerPage);
}

double CPrintPageLayout::TitleRuleY() const {
    return TitleTop() + m_metrics.m_dTitleHeight + 0.5 * m_metrics.m_dCharHeight;
}

double CPrintPageLayout::TableTop() const {
    return TitleTop() + m_metrics.m_dTitleHeight + 1.5 * m_metrics.m_dCharHeight;
}

double CPrintPageLayout::FooterTop() const {
    return m_metrics.m_dPageHeight - m_metrics.m_dMarginBottom - 1.5 * m_metrics.m_dCharHeight;
}

double CPrintPageLayout::FooterRuleY() const {
    return FooterTop() - 0.5 * m_metrics.m_dCharHeight;
}

} // namespace quillora
