// The printed list's pages.
#include "app/print/CListPrinter.h"

#include "export/CPrintPageLayout.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <ctime>

namespace quillora {

namespace {

// The average character of a font, as the grid measures it.
constexpr const char kSample[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";

Qt::Alignment AlignOf(ECellAlign align) {
    switch (align) {
    case ECellAlign::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case ECellAlign::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case ECellAlign::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QString DateText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[128];
    std::size_t n = std::strftime(buffer, sizeof buffer, "%c", &local);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n));
}

} // namespace

struct CListPrinter::SLayoutInput {
    SPageMetrics metrics;
    std::vector<int> widths;
    QFont list;
    QFont header;
    QFont title;
    QFont footer;
    double padding = 0;
};

CListPrinter::CListPrinter(const CPrintTable& table, const CPrintCondition& preset)
    : m_table(table), m_preset(preset) {
    for (std::size_t c = 0; c < table.Columns().size(); ++c) {
        if (c == 0 && preset.ListNo == 0) {
            continue;
        }
        m_columns.push_back(c);
    }
}

QFont CListPrinter::FontOf(const SPrintFont& font, bool bold) {
    QFont f(QString::fromStdString(font.FaceName));
    f.setPointSizeF(std::max(font.Point, 10) / 10.0);
    f.setBold(bold);
    // No ligatures: a printed "fi" must stay two letters for whoever reads the page's text.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QColor CListPrinter::ColorOf(std::uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

std::uint32_t CListPrinter::ColorRefOf(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) |
           static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

CListPrinter::SLayoutInput CListPrinter::Measure(QPagedPaintDevice& device) const {
    SLayoutInput in;
    in.list = FontOf(m_preset.ListFont);
    in.header = FontOf(m_preset.ListTitleFont);
    in.title = FontOf(m_preset.TitleFont, true);
    in.footer = FontOf(m_preset.ListFont, true);
    QFontMetricsF list(in.list, &device);
    QFontMetricsF title(in.title, &device);
    QFontMetricsF header(in.header, &device);
    const double dpiX = device.logicalDpiX();
    const double dpiY = device.logicalDpiY();
    auto mm = [](int value, double dpi) { return std::clamp(value, 0, 100) * dpi / 25.4; };
    SPageMetrics& m = in.metrics;
    m.m_dPageWidth = device.width();
    m.m_dPageHeight = device.height();
    m.m_dMarginTop = mm(m_preset.MarginTop, dpiY);
    m.m_dMarginBottom = mm(m_preset.MarginBottom, dpiY);
    m.m_dMarginLeft = mm(m_preset.MarginLeft, dpiX);
    m.m_dMarginRight = mm(m_preset.MarginRight, dpiX);
    m.m_dCharHeight = list.height();
    m.m_dTitleHeight = title.height();
    in.padding = list.horizontalAdvance(QString(kSample)) / 52.0 / 2;
    m.m_dRowHeight = list.height() * 1.3;
    m.m_dHeaderHeight = m_preset.ListTitle != 0 ? header.height() * 1.3 : 0;
    for (std::size_t c : m_columns) {
        in.widths.push_back(m_table.Columns()[c].m_nWidth);
    }
    return in;
}

int CListPrinter::PageCount(QPagedPaintDevice& device) const {
    SLayoutInput in = Measure(device);
    return static_cast<int>(
        CPrintPageLayout(in.metrics, in.widths, m_table.RowCount()).PageCount());
}

bool CListPrinter::Paint(QPainter& painter, QPagedPaintDevice& device,
                         const std::function<bool(int, int)>& progress) const {
    const SLayoutInput in = Measure(device);
    const CPrintPageLayout layout(in.metrics, in.widths, m_table.RowCount());
    const SPageMetrics& m = in.metrics;
    const int pages = static_cast<int>(layout.PageCount());
    const QColor listFore = ColorOf(m_preset.ListFont.Fore);
    const QColor listBack = ColorOf(m_preset.ListFont.Back);
    const QColor headFore = ColorOf(m_preset.ListTitleFont.Fore);
    const QColor headBack = ColorOf(m_preset.ListTitleFont.Back);
    const double left = m.m_dMarginLeft;
    const double right = m.m_dPageWidth - m.m_dMarginRight;
    const QString date = DateText();
    QPen line(Qt::black);
    line.setWidthF(std::max(1.0, device.logicalDpiX() / 150.0));

    for (int page = 0; page < pages; ++page) {
        if (progress && !progress(page + 1, pages)) {
            return false;
        }
        if (page > 0) {
            device.newPage();
        }
        // The page title, bold and centred, with its rule.
        painter.setFont(in.title);
        painter.setPen(ColorOf(m_preset.TitleFont.Fore));
        painter.drawText(QRectF(left, layout.TitleTop(), right - left, m.m_dTitleHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter,
                         QString::fromStdString(m_preset.Title));
        painter.setPen(line);
        painter.drawLine(QPointF(left, layout.TitleRuleY()), QPointF(right, layout.TitleRuleY()));

        double y = layout.TableTop();
        auto drawRow = [&](double top, double height, const QColor& fore, const QColor& back,
                           const QFont& font, bool header, std::size_t row) {
            painter.fillRect(QRectF(left, top, layout.TableRight() - left, height), back);
            painter.setFont(font);
            painter.setPen(fore);
            for (std::size_t i = 0; i < m_columns.size(); ++i) {
                const SPrintColumn& column = m_table.Columns()[m_columns[i]];
                QRectF cell(layout.ColumnX(i) + in.padding, top,
                            std::max(0.0, layout.ColumnWidth(i) - 2 * in.padding), height);
                const std::string& text =
                    header ? column.m_strTitle : m_table.Cell(row, m_columns[i]);
                QString shown =
                    QFontMetricsF(font, &device)
                        .elidedText(QString::fromStdString(text), Qt::ElideRight, cell.width());
                painter.drawText(
                    cell, header ? AlignOf(ECellAlign::Center) : AlignOf(column.m_align), shown);
            }
        };
        const std::size_t first = layout.FirstRow(static_cast<std::size_t>(page));
        const std::size_t end = layout.EndRow(static_cast<std::size_t>(page));
        const double tableTop = y;
        if (m.m_dHeaderHeight > 0) {
            drawRow(y, m.m_dHeaderHeight, headFore, headBack, in.header, true, 0);
            y += m.m_dHeaderHeight;
        }
        for (std::size_t row = first; row < end; ++row) {
            drawRow(y, m.m_dRowHeight, listFore, listBack, in.list, false, row);
            y += m.m_dRowHeight;
        }
        // Grid lines over the cells.
        painter.setPen(line);
        if (m_preset.ListGridHorz != 0) {
            auto rule = [&](double at) {
                painter.drawLine(QPointF(left, at), QPointF(layout.TableRight(), at));
            };
            double at = tableTop;
            rule(at);
            if (m.m_dHeaderHeight > 0) {
                at += m.m_dHeaderHeight;
                rule(at);
            }
            for (std::size_t row = first; row < end; ++row) {
                at += m.m_dRowHeight;
                rule(at);
            }
        }
        if (m_preset.ListGridVert != 0) {
            for (std::size_t i = 0; i <= m_columns.size(); ++i) {
                double x = i < m_columns.size() ? layout.ColumnX(i) : layout.TableRight();
                painter.drawLine(QPointF(x, tableTop), QPointF(x, y));
            }
        }
        // The footer: a rule, then the page number at the left and the date at the right.
        painter.drawLine(QPointF(left, layout.FooterRuleY()), QPointF(right, layout.FooterRuleY()));
        painter.setFont(in.footer);
        painter.setPen(Qt::black);
        QRectF footer(left, layout.FooterTop(), right - left, m.m_dCharHeight);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                         QString::asprintf("Page %d of %d", page + 1, pages));
        painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter, date);
    }
    return true;
}

} // namespace quillora
