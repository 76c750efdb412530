// The printed list's pages.
#include "app/print/CListPrinter.h"

#include "export/CPrintPageLayout.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

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

// The lines `text` takes in `width`: breaking between words where it can and inside a
// word where it must, at most `maxLines` of them, the last shortened with "…" only when
// even that many lines cannot hold it.
QStringList WrapLines(const QString& text, const QFont& font, QPaintDevice* device, double width,
                      std::size_t maxLines) {
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    std::vector<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1.0));
        starts.push_back(line.textStart());
        lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    if (lines.isEmpty()) {
        lines.push_back(QString());
    }
    const std::size_t keep = std::max<std::size_t>(1, maxLines);
    if (static_cast<std::size_t>(lines.size()) > keep) {
        const QString rest = text.mid(starts[keep - 1]);
        lines.resize(static_cast<qsizetype>(keep));
        lines.back() = QFontMetricsF(font, device).elidedText(rest, Qt::ElideRight, width);
    }
    return lines;
}

} // namespace

QString CListPrinter::DateText() {
    // The program speaks Japanese, so its pages do too, whatever the session's locale.
    return QLocale(QLocale::Japanese, QLocale::Japan)
        .toString(QDateTime::currentDateTime(), QLocale::LongFormat);
}

QString CListPrinter::RowLimitNote(std::size_t rows) {
    return QString::fromUtf8("出力最大行数 (%1 行) に達したため、以降の項目は印刷していません。")
        .arg(rows);
}

struct CListPrinter::SLayoutInput {
    SPageMetrics metrics;
    QFont list;
    QFont header;
    QFont title;
    QFont footer;
    double padding = 0;
    double listLine = 0;   // the list font's line spacing, for each further line of a row
    double headerLine = 0; // the same for the title row
};

// One page: its rows [first, end), the left edges of its columns and the table's right
// edge, the title row's height (0 when it is not printed) and each row's height.
struct CListPrinter::SPagePlan {
    std::size_t first = 0;
    std::size_t end = 0;
    std::vector<double> x;
    double headerHeight = 0;
    std::vector<double> heights;
    double Width(std::size_t column) const { return x[column + 1] - x[column]; }
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
    in.listLine = list.lineSpacing();
    in.headerLine = header.lineSpacing();
    return in;
}

std::vector<CListPrinter::SPagePlan> CListPrinter::Plan(const SLayoutInput& in,
                                                        QPagedPaintDevice& device) const {
    const SPageMetrics& m = in.metrics;
    // One-line rows give the most rows a page can hold: the values that size a page's
    // columns are those of that many rows from its first.
    const CPrintPageLayout frame(m, {}, m_table.RowCount());
    const QFontMetricsF list(in.list, &device);
    const QFontMetricsF header(in.header, &device);
    const double usable = std::max(0.0, m.m_dPageWidth - m.m_dMarginLeft - m.m_dMarginRight);
    const std::size_t columns = m_columns.size();
    auto linesOf = [&](const QString& text, const QFont& font, const QFontMetricsF& metrics,
                       double width, std::size_t maxLines) -> std::size_t {
        if (metrics.horizontalAdvance(text) <= width) {
            return 1;
        }
        return static_cast<std::size_t>(WrapLines(text, font, &device, width, maxLines).size());
    };

    std::vector<SPagePlan> pages;
    std::size_t first = 0;
    do {
        SPagePlan page;
        page.first = first;
        const std::size_t window = std::min(m_table.RowCount(), first + frame.RowsPerPage());
        std::vector<double> wanted(columns, 0);
        for (std::size_t i = 0; i < columns; ++i) {
            const SPrintColumn& column = m_table.Columns()[m_columns[i]];
            double widest =
                m_preset.ListTitle != 0
                    ? header.horizontalAdvance(QString::fromStdString(column.m_strTitle))
                    : 0;
            for (std::size_t row = first; row < window; ++row) {
                widest = std::max(widest, list.horizontalAdvance(QString::fromStdString(
                                              m_table.Cell(row, m_columns[i]))));
            }
            // Room for two characters at least, so that a squeezed column still wraps.
            wanted[i] = std::max(widest, 4 * in.padding) + 2 * in.padding;
        }
        const std::vector<double> widths = CPrintPageLayout::ShareWidths(wanted, usable);
        page.x.push_back(m.m_dMarginLeft);
        for (double w : widths) {
            page.x.push_back(page.x.back() + w);
        }
        if (m_preset.ListTitle != 0) {
            std::size_t lines = 1;
            for (std::size_t i = 0; i < columns; ++i) {
                lines = std::max(lines, linesOf(QString::fromStdString(
                                                    m_table.Columns()[m_columns[i]].m_strTitle),
                                                in.header, header, widths[i] - 2 * in.padding, 3));
            }
            page.headerHeight = m.m_dHeaderHeight + static_cast<double>(lines - 1) * in.headerLine;
        }
        const double space = frame.RowSpace(page.headerHeight);
        // A row never grows past the page: the lines beyond are shortened.
        const std::size_t maxLines =
            1 + static_cast<std::size_t>(std::max(0.0, (space - m.m_dRowHeight) / in.listLine));
        for (std::size_t row = first; row < window; ++row) {
            std::size_t lines = 1;
            for (std::size_t i = 0; i < columns; ++i) {
                lines =
                    std::max(lines, linesOf(QString::fromStdString(m_table.Cell(row, m_columns[i])),
                                            in.list, list, widths[i] - 2 * in.padding, maxLines));
            }
            page.heights.push_back(m.m_dRowHeight + static_cast<double>(lines - 1) * in.listLine);
        }
        page.heights.resize(CPrintPageLayout::RowsThatFit(page.heights, space));
        page.end = first + page.heights.size();
        first = page.end;
        pages.push_back(std::move(page));
    } while (first < m_table.RowCount());
    return pages;
}

int CListPrinter::PageCount(QPagedPaintDevice& device) const {
    return static_cast<int>(Plan(Measure(device), device).size());
}

bool CListPrinter::Paint(QPainter& painter, QPagedPaintDevice& device,
                         const std::function<bool(int, int)>& progress) const {
    const SLayoutInput in = Measure(device);
    const std::vector<SPagePlan> plans = Plan(in, device);
    const CPrintPageLayout layout(in.metrics, {}, m_table.RowCount());
    const SPageMetrics& m = in.metrics;
    const int pages = static_cast<int>(plans.size());
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
        const SPagePlan& plan = plans[static_cast<std::size_t>(page)];
        const double tableRight = plan.x.back();
        // The page title, bold and centred, with its rule.
        painter.setFont(in.title);
        painter.setPen(ColorOf(m_preset.TitleFont.Fore));
        painter.drawText(QRectF(left, layout.TitleTop(), right - left, m.m_dTitleHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter,
                         QString::fromStdString(m_preset.Title));
        painter.setPen(line);
        painter.drawLine(QPointF(left, layout.TitleRuleY()), QPointF(right, layout.TitleRuleY()));

        double y = layout.TableTop();
        const double space = layout.RowSpace(plan.headerHeight);
        auto drawRow = [&](double top, double height, const QColor& fore, const QColor& back,
                           const QFont& font, double lineStep, bool header, std::size_t row) {
            painter.fillRect(QRectF(left, top, tableRight - left, height), back);
            painter.setFont(font);
            painter.setPen(fore);
            const QFontMetricsF metrics(font, &device);
            const std::size_t maxLines =
                header ? 3
                       : 1 + static_cast<std::size_t>(
                                 std::max(0.0, (space - m.m_dRowHeight) / lineStep));
            for (std::size_t i = 0; i < m_columns.size(); ++i) {
                const SPrintColumn& column = m_table.Columns()[m_columns[i]];
                QRectF cell(plan.x[i] + in.padding, top,
                            std::max(0.0, plan.Width(i) - 2 * in.padding), height);
                const QString text = QString::fromStdString(
                    header ? column.m_strTitle : m_table.Cell(row, m_columns[i]));
                const Qt::Alignment align =
                    header ? AlignOf(ECellAlign::Center) : AlignOf(column.m_align);
                if (metrics.horizontalAdvance(text) <= cell.width()) {
                    painter.drawText(cell, align, text);
                    continue;
                }
                const QStringList lines = WrapLines(text, font, &device, cell.width(), maxLines);
                double at = top + (height - static_cast<double>(lines.size()) * lineStep) / 2;
                for (const QString& part : lines) {
                    painter.drawText(QRectF(cell.left(), at, cell.width(), lineStep),
                                     (align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter, part);
                    at += lineStep;
                }
            }
        };
        const double tableTop = y;
        if (plan.headerHeight > 0) {
            drawRow(y, plan.headerHeight, headFore, headBack, in.header, in.headerLine, true, 0);
            y += plan.headerHeight;
        }
        for (std::size_t row = plan.first; row < plan.end; ++row) {
            const double height = plan.heights[row - plan.first];
            drawRow(y, height, listFore, listBack, in.list, in.listLine, false, row);
            y += height;
        }
        // Grid lines over the cells.
        painter.setPen(line);
        if (m_preset.ListGridHorz != 0) {
            auto rule = [&](double at) {
                painter.drawLine(QPointF(left, at), QPointF(tableRight, at));
            };
            double at = tableTop;
            rule(at);
            if (plan.headerHeight > 0) {
                at += plan.headerHeight;
                rule(at);
            }
            for (double height : plan.heights) {
                at += height;
                rule(at);
            }
        }
        if (m_preset.ListGridVert != 0) {
            for (double x : plan.x) {
                painter.drawLine(QPointF(x, tableTop), QPointF(x, y));
            }
        }
        // Rows the limit left out are said under the last page's table, in the gap the
        // layout keeps above the footer.
        if (page + 1 == pages && m_table.Truncated()) {
            painter.setFont(in.list);
            painter.setPen(Qt::black);
            painter.drawText(
                QRectF(left, y + 0.25 * m.m_dCharHeight, right - left, m.m_dCharHeight),
                Qt::AlignLeft | Qt::AlignVCenter, RowLimitNote(m_table.RowCount()));
            painter.setPen(line);
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
