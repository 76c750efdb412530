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
    const double printable = RowSpace(metrics.m_dHeaderHeight);
    if (metrics.m_dRowHeight > 0 && printable > 0) {
        m_nRowsPerPage =
            std::max<std::size_t>(1, static_cast<std::size_t>(printable / metrics.m_dRowHeight));
    }
    m_nPageCount = std::max<std::size_t>(1, (m_nRows + m_nRowsPerPage - 1) / m_nRowsPerPage);
}

std::size_t CPrintPageLayout::EndRow(std::size_t page) const {
    return std::min(m_nRows, (page + 1) * m_nRowsPerPage);
}

double CPrintPageLayout::RowSpace(double headerHeight) const {
    // What is left once the title, the table's title row, the margins and five character
    // lines (gaps and the footer) are taken.
    return m_metrics.m_dPageHeight - 5 * m_metrics.m_dCharHeight - m_metrics.m_dTitleHeight -
           headerHeight - m_metrics.m_dMarginTop - m_metrics.m_dMarginBottom;
}

std::vector<double> CPrintPageLayout::ShareWidths(const std::vector<double>& wanted,
                                                  double usable) {
    std::vector<double> widths(wanted.size(), 0);
    usable = std::max(usable, 0.0);
    double total = 0;
    for (double w : wanted) {
        total += std::max(w, 0.0);
    }
    if (wanted.empty()) {
        return widths;
    }
    if (total <= usable) {
        const double scale = total > 0 ? usable / total : 0;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            widths[i] = total > 0 ? std::max(wanted[i], 0.0) * scale
                                  : usable / static_cast<double>(wanted.size());
        }
        return widths;
    }
    std::vector<std::size_t> order(wanted.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return wanted[a] < wanted[b]; });
    double left = usable;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const double share = left / static_cast<double>(order.size() - k);
        if (std::max(wanted[order[k]], 0.0) > share) {
            for (std::size_t j = k; j < order.size(); ++j) {
                widths[order[j]] = share;
            }
            break;
        }
        widths[order[k]] = std::max(wanted[order[k]], 0.0);
        left -= widths[order[k]];
    }
    return widths;
}

std::size_t CPrintPageLayout::RowsThatFit(const std::vector<double>& heights, double space) {
    std::size_t count = 0;
    double used = 0;
    for (double h : heights) {
        if (count > 0 && used + h > space) {
            break;
        }
        used += h;
        ++count;
    }
    return count;
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
