// The rows of the search across case files: each case file's path relative to the base
// folder and its hit count ("検索中..." while it is searched, "読み込みｴﾗｰ" when it could
// not be read), in the "CaseFile" column set, sortable by either column.
#pragma once

#include "search/CaseFileCollection.h"

#include <QAbstractTableModel>

#include <vector>

namespace quillora {

class CColumnSet;

class CCaseFindModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // `columns` must outlive the model.
    explicit CCaseFindModel(const CColumnSet& columns, QObject* parent = nullptr);

    struct SRow {
        SCaseFileEntry entry;
        std::size_t index = 0; // in collection order: how the search names it
        bool searching = false;
    };

    void SetEntries(const std::vector<SCaseFileEntry>& entries);
    void Clear();
    // Code 1: the entry is being searched; its row.
    int MarkSearching(std::size_t index);
    // Code 2: the entry's count; its row.
    int SetCount(std::size_t index, int count);
    const SRow* RowAt(int row) const;
    int ColumnIdAt(int section) const;

    // Paths by the locale's collation without regard to case; counts by value, where a
    // file that could not be read compares equal to every other.
    void Sort(int columnId, bool ascending);

    // The count column's text: empty while not done, "検索中...", "%d" or "読み込みｴﾗｰ".
    static QString CountText(const SRow& row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int RowOfIndex(std::size_t index) const;

    const CColumnSet& m_columns;
    std::vector<SRow> m_rows;
};

} // namespace quillora
