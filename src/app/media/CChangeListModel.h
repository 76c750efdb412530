// CChangeListModel: what a re-scan found changed, as a Qt table of three columns (kind,
// path, old path of a move), sortable by kind and by path, and copied out as text.
// The rows are copies, so the list outlives the two trees the changes were found in.
#pragma once

#include "scan/MediumChanges.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace quillora {

class CChangeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kKind, kPath, kFrom, kColumnCount };

    explicit CChangeListModel(const CMediumChanges& changes, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // By kind: in the order added, removed, modified, moved, folders added, folders
    // removed, each kind by path. By path (or old path): folder by folder, names
    // without regard to letter case first, then the kind. Column kFrom puts the rows
    // without an old path last in ascending order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The rows `rows` (all when empty) in the order shown, one line each: kind, path
    // and for a move the old path, separated by tabs, each line ended by a line feed.
    std::string Text(const std::vector<int>& rows = {}) const;

private:
    struct SRow {
        ChangeKind m_kind;
        std::string m_strPath;
        std::string m_strFrom;
        std::vector<std::string> m_pathKeys; // one order key per folder level
        std::vector<std::string> m_fromKeys;
    };

    std::string Line(const SRow& row) const;

    std::vector<SRow> m_rows;
};

} // namespace quillora
