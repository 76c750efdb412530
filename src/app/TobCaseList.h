// The file list: the children of the tree's current record in the column set of its
// kind, sorted by the clicked column, with the mark, red text for stored contents,
// double-click, Enter and Backspace.
#pragma once

#include "app/ColumnSets.h"

#include <QTreeView>

namespace quillora {

class CFileListModel;
class SFileInfo;

class CTobCaseList : public QTreeView {
    Q_OBJECT
public:
    // Loads the column sets from the settings store.
    explicit CTobCaseList(QWidget* parent = nullptr);
    // Saves the column sets (the shown lists) to the settings store.
    ~CTobCaseList() override;

    CFileListModel& Model() { return *m_pModel; }
    CColumnSets& ColumnSets() { return m_sets; }

    // Shows the children of `folder` (null: nothing) and sorts them.
    void ShowFolder(SFileInfo* folder);
    SFileInfo* Folder() const;
    // Which column set a folder's children are listed with.
    static CColumnSets::Mode ModeFor(const SFileInfo& folder);
    // The column sets were edited: show the current folder again.
    void ColumnSetsChanged();
    // Takes "LineSelect" (the whole row shows the focus) and "ShowSelAlways" (the
    // selection stays visible while the list has no focus) from the configuration.
    void ApplyViewOptions();

    // Sorting: the column the list is sorted by (the name column while the chosen
    // one is not shown in this list) and its direction.
    int SortColumn() const;
    bool SortAscending() const;
    // As a click on the column's header does.
    void ClickColumn(int columnId);
    void Resort();

    // The record of the current row, and every selected record (in row order).
    SFileInfo* Current() const;
    std::vector<SFileInfo*> Selected() const;

    // "ﾌｧｲﾙ数 : %d", "ｿｰﾄ : %s", "昇順"/"降順".
    QString CountText() const;
    QString SortText() const;
    QString DirectionText() const;

signals:
    void CurrentRecordChanged(SFileInfo* record);
    // Double-click or Enter on a record.
    void Activated(SFileInfo* record);
    void BackRequested();
    void SortChanged();
    void ContextMenuFor(SFileInfo* record, const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ApplyColumnWidths();
    void StoreColumnWidth(int section, int width);
    void ShowSortMark();

    CFileListModel* m_pModel;
    CColumnSets m_sets;
    CColumnSets::Mode m_mode = CColumnSets::kNormal;
    int m_nSortColumn = 0;
    bool m_bApplyingWidths = false;
};

} // namespace quillora
