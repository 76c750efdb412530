// The file list's table model: the children of one record of the case, in the
// columns of the current column set, sorted by an index over precomputed keys so
// that a folder of 100,000 files sorts and scrolls without delay.
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

namespace quillora {

class CColumnSet;
class SFileInfo;

class CFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The record behind a row (QVariant holding a pointer).
    static constexpr int kRecordRole = Qt::UserRole + 1;

    explicit CFileListModel(QObject* parent = nullptr);

    // Shows the children of `folder` (null: nothing) in the columns of `set`, which
    // must outlive its use here. Resets the model; the rows keep the case's order
    // until Sort.
    void SetFolder(SFileInfo* folder, const CColumnSet* set);
    SFileInfo* Folder() const { return m_pFolder; }
    const CColumnSet* ColumnSet() const { return m_pSet; }
    // The columns changed (display items): same rows, new columns.
    void ColumnsChanged();

    SFileInfo* RecordAt(int row) const;
    int RowOf(const SFileInfo* record) const;
    int ColumnIdAt(int section) const;
    int SectionOf(int columnId) const;

    // Sorts the rows by the column: classes first (groups -1, folders and media -2,
    // files 0; with groupArcView listed archives and folders inside archives count as
    // groups), then the column's comparison, then the names; all reversed when
    // descending.
    void Sort(int columnId, bool ascending, bool groupArcView);
    static int SortClass(const SFileInfo& record, bool groupArcView);

    // The rows' records changed (marks, comments, presence): redraw them.
    void RefreshRows();
    void RefreshRecord(const SFileInfo* record);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    SFileInfo* m_pFolder = nullptr;
    const CColumnSet* m_pSet = nullptr;
    // Row -> index into the folder's children.
    std::vector<std::uint32_t> m_order;
};

} // namespace quillora
