// File list view.
#include "app/TobCaseList.h"

#include "app/ColumnWidths.h"
#include "app/DisplayColumns.h"
#include "app/FileListModel.h"
#include "app/IconFactory.h"
#include "core/ConfigData.h"
#include "model/SFileInfo.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace quillora {

namespace {

// A selected row keeps its red text when its record has stored contents.
class CListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        QVariant color = index.data(Qt::ForegroundRole);
        if (color.isValid()) {
            option->palette.setColor(QPalette::HighlightedText, color.value<QColor>());
        }
    }
};

} // namespace

CTobCaseList::CTobCaseList(QWidget* parent)
    : QTreeView(parent), m_pModel(new CFileListModel(this)) {
    setModel(m_pModel);
    setItemDelegate(new CListDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    ApplyViewOptions();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(false);
    setIconSize(QSize(CIconFactory::kListIconWidth, CIconFactory::kListIconHeight));
    // The column table's widths were measured for another font: size the defaults
    // from this one, so that sizes, dates and numbers fit.
    m_sets.SetDefaultWidths([this](int id) {
        return CColumnWidths::DefaultWidth(id, fontMetrics(), header()->fontMetrics(),
                                           iconSize().width() + CColumnWidths::kCellMargin);
    });
    m_sets.Load(Config().Store());
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ClickColumn(m_pModel->ColumnIdAt(section)); });
    connect(header(), &QHeaderView::sectionResized, this,
            [this](int section, int, int width) { StoreColumnWidth(section, width); });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (SFileInfo* record = m_pModel->RecordAt(index.row())) {
            emit Activated(record);
        }
    });
}

void CTobCaseList::ApplyViewOptions() {
    setAllColumnsShowFocus(Config().m_nLineSelect != 0);
    // Without "ShowSelAlways" the selection disappears while another control has the
    // focus, as list controls without that style do.
    QPalette colours = QApplication::palette(this);
    if (Config().m_nShowSelAlways == 0) {
        colours.setColor(QPalette::Inactive, QPalette::Highlight,
                         colours.color(QPalette::Inactive, QPalette::Base));
        colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         colours.color(QPalette::Inactive, QPalette::Text));
    }
    setPalette(colours);
}

CTobCaseList::~CTobCaseList() {
    m_sets.Save(Config().Store());
}

CColumnSets::Mode CTobCaseList::ModeFor(const SFileInfo& folder) {
    if (folder.HasFlags(kFlagCase | kFlagGroup)) {
        return CColumnSets::kCase;
    }
    if (folder.HasFlags(kFlagListedArchive | kFlagArcEntry)) {
        return CColumnSets::kArchive;
    }
    return CColumnSets::kNormal;
}

void CTobCaseList::ShowFolder(SFileInfo* folder) {
    const bool another = folder != m_pModel->Folder();
    m_mode = folder ? ModeFor(*folder) : CColumnSets::kNormal;
    m_pModel->SetFolder(folder, &m_sets.Set(m_mode));
    ApplyColumnWidths();
    Resort();
    if (another) {
        // A folder entered starts at its top, not where the last one was scrolled to.
        scrollToTop();
        horizontalScrollBar()->setValue(0);
    }
}

SFileInfo* CTobCaseList::Folder() const {
    return m_pModel->Folder();
}

void CTobCaseList::ColumnSetsChanged() {
    m_pModel->ColumnsChanged();
    ApplyColumnWidths();
    Resort();
}

void CTobCaseList::ApplyColumnWidths() {
    m_bApplyingWidths = true;
    const auto& shown = m_sets.Set(m_mode).Shown();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        header()->resizeSection(static_cast<int>(i), shown[i].m_nWidth);
    }
    m_bApplyingWidths = false;
}

void CTobCaseList::StoreColumnWidth(int section, int width) {
    if (m_bApplyingWidths || m_pModel->ColumnSet() != &m_sets.Set(m_mode)) {
        return;
    }
    auto& shown = m_sets.Set(m_mode).Shown();
    if (section >= 0 && static_cast<std::size_t>(section) < shown.size()) {
        shown[static_cast<std::size_t>(section)].m_nWidth = width;
    }
}

int CTobCaseList::SortColumn() const {
    // A sort column this list does not show sorts it by name (and the status bar says
    // so); the choice is kept for the lists that show it.
    return m_pModel->SectionOf(m_nSortColumn) >= 0 ? m_nSortColumn : CDisplayColumns::kName;
}

bool CTobCaseList::SortAscending() const {
    const SColumnEntry* entry = m_sets.Set(m_mode).FindShown(SortColumn());
    return !entry || entry->m_bAscending != 0;
}

void CTobCaseList::ClickColumn(int columnId) {
    if (columnId < 0) {
        return;
    }
    if (columnId == SortColumn()) {
        if (SColumnEntry* entry = m_sets.Set(m_mode).FindShown(columnId)) {
            entry->m_bAscending = entry->m_bAscending ? 0 : 1;
        }
    } else {
        m_sets.ResetAscending();
        m_nSortColumn = columnId;
    }
    Resort();
}

void CTobCaseList::Resort() {
    m_pModel->Sort(SortColumn(), SortAscending(), Config().m_nGroupArcView != 0);
    ShowSortMark();
    emit SortChanged();
}

void CTobCaseList::ShowSortMark() {
    int section = m_pModel->SectionOf(SortColumn());
    if (section < 0) {
        header()->setSortIndicator(-1, Qt::AscendingOrder);
        return;
    }
    header()->setSortIndicator(section, SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

SFileInfo* CTobCaseList::Current() const {
    return m_pModel->RecordAt(currentIndex().row());
}

std::vector<SFileInfo*> CTobCaseList::Selected() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<SFileInfo*> out;
    for (const QModelIndex& index : rows) {
        if (SFileInfo* record = m_pModel->RecordAt(index.row())) {
            out.push_back(record);
        }
    }
    return out;
}

QString CTobCaseList::CountText() const {
    return QString::fromUtf8("ﾌｧｲﾙ数 : %1").arg(m_pModel->rowCount());
}

QString CTobCaseList::SortText() const {
    return QString::fromUtf8("ｿｰﾄ : %1")
        .arg(QString::fromUtf8(CDisplayColumns::Title(SortColumn())));
}

QString CTobCaseList::DirectionText() const {
    return QString::fromUtf8(SortAscending() ? "昇順" : "降順");
}

void CTobCaseList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (SFileInfo* record = Current()) {
            emit Activated(record);
        }
        return;
    case Qt::Key_Backspace:
        emit BackRequested();
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

void CTobCaseList::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    emit CurrentRecordChanged(m_pModel->RecordAt(current.row()));
}

void CTobCaseList::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index = indexAt(event->pos());
    SFileInfo* record = index.isValid() ? m_pModel->RecordAt(index.row()) : nullptr;
    emit ContextMenuFor(record, event->globalPos());
}

} // namespace quillora
