// Column widths measured with the list's font.
#include "app/ColumnWidths.h"

#include "app/ColumnSet.h"
#include "app/DisplayColumns.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "model/DisplayName.h"

#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

namespace quillora {

namespace {

// The column table's widths were chosen for a font whose characters average this
// many pixels.
constexpr int kTableCharWidth = 6;
// The largest size the samples are made for (931 GB): a file or medium larger is rare.
constexpr std::uint64_t kSampleSize = 999'999'999'999ULL;

} // namespace

QString CColumnWidths::SampleText(int id) {
    switch (id) {
    case 0:
        // The longest name the list should show whole without a drag.
        return QStringLiteral("MMMMMMMMMMMMMMMMM ");
    case 1:
    case 8:
        return QString::fromStdString(FormatGrouped(kSampleSize));
    case 3:
    case 4:
    case 5:
        // Dates as "%Y/%m/%d %H:%M:%S"; digits are equally wide in the fonts lists use.
        return QStringLiteral("8888/88/88 88:88:88");
    case 6:
        return QStringLiteral("RHSAT");
    case 9:
        return QStringLiteral("100.0 %");
    case 11:
    case 12:
    case 19:
        return QString::fromStdString(FormatSizeText(kSampleSize, Config().m_nSizeUnitMode));
    case 13:
        return QStringLiteral("DDDD-DDDD");
    case 17:
    case 33:
    case 34:
        return QStringLiteral("9999999");
    case 32:
        return QStringLiteral("DDDDDDDD");
    default:
        return {};
    }
}

int CColumnWidths::DefaultWidth(int id, const QFontMetrics& text, const QFontMetrics& header,
                                int iconWidth) {
    const int table = CDisplayColumns::DefaultWidth(id);
    if (!CDisplayColumns::Find(id)) {
        return table;
    }
    int width = table;
    const QString sample = SampleText(id);
    if (sample.isEmpty()) {
        width = std::max(width, table * text.averageCharWidth() / kTableCharWidth);
    } else {
        width = std::max(width, text.horizontalAdvance(sample) + kCellMargin);
    }
    if (id == CDisplayColumns::kName) {
        width += iconWidth;
    }
    const int title = header.horizontalAdvance(QString::fromUtf8(CDisplayColumns::Title(id)));
    return std::max(width, title + kCellMargin + kSortMarkWidth);
}

void CColumnWidths::Track(QTreeView& view, CColumnSet& columns) {
    for (std::size_t i = 0; i < columns.Shown().size(); ++i) {
        view.setColumnWidth(static_cast<int>(i), columns.Shown()[i].m_nWidth);
    }
    QObject::connect(view.header(), &QHeaderView::sectionResized, &view,
                     [&columns](int section, int, int width) {
                         auto& shown = columns.Shown();
                         if (section >= 0 && static_cast<std::size_t>(section) < shown.size()) {
                             shown[static_cast<std::size_t>(section)].m_nWidth = width;
                         }
                     });
}

} // namespace quillora
