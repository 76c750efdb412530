// The rows of a batch find: records of the open case in the order found, shown in the
// "Batch" column set, sortable by any column. The model holds pointers into the case,
// so its owner clears it, or removes rows, before records go away.
#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <vector>

namespace quillora {

class CColumnSet;
class SFileInfo;

class CFindResultModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kRecordRole = Qt::UserRole + 1;

    // `columns` must outlive the model.
    explicit CFindResultModel(const CColumnSet& columns, QObject* parent = nullptr);

    const std::vector<SFileInfo*>& Records() const { return m_rows; }
    SFileInfo* RecordAt(int row) const;
    int RowOf(const SFileInfo* record) const;
    int ColumnIdAt(int section) const;

    void Append(const std::vector<SFileInfo*>& records);
    void Clear();
    // Keeps the rows whose records pass, in their order.
    void KeepIf(const std::function<bool(const SFileInfo&)>& keep);
    // Removes the rows of `subtree` and of every record below it (it is about to be
    // deleted). Must be called while those records still exist.
    void RemoveSubtree(const SFileInfo* subtree);
    // The rows' records changed (marks, comments): redraw them.
    void RefreshRows();
    // The columns were edited or resized: redraw the header.
    void ColumnsChanged();

    // Sorts by the column, ascending or descending, keeping equal rows in order.
    void Sort(int columnId, bool ascending);

    // The second column's text: the record itself when it is the case, a medium or a
    // folder, else its parent folder.
    static std::string LocationText(const SFileInfo& record);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const CColumnSet& m_columns;
    std::vector<SFileInfo*> m_rows;
};

} // namespace quillora
