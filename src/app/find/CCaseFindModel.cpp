// The case-search result rows.
#include "app/find/CCaseFindModel.h"

#include "app/ColumnSet.h"
#include "app/DisplayColumns.h"
#include "core/Resources.h"

#include <QCollator>

#include <algorithm>

namespace quillora {

namespace {

constexpr int kPathColumn = 16;

} // namespace

CCaseFindModel::CCaseFindModel(const CColumnSet& columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns) {}

void CCaseFindModel::SetEntries(const std::vector<SCaseFileEntry>& entries) {
    beginResetModel();
    m_rows.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        m_rows.push_back({entries[i], i, false});
    }
    endResetModel();
}

void CCaseFindModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int CCaseFindModel::RowOfIndex(std::size_t index) const {
    // Rows stay in collection order unless the user sorted them meanwhile.
    if (index < m_rows.size() && m_rows[index].index == index) {
        return static_cast<int>(index);
    }
    auto it = std::find_if(m_rows.begin(), m_rows.end(),
                           [index](const SRow& r) { return r.index == index; });
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

int CCaseFindModel::MarkSearching(std::size_t index) {
    const int row = RowOfIndex(index);
    if (row >= 0) {
        m_rows[static_cast<std::size_t>(row)].searching = true;
        emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    }
    return row;
}

int CCaseFindModel::SetCount(std::size_t index, int count) {
    const int row = RowOfIndex(index);
    if (row >= 0) {
        SRow& r = m_rows[static_cast<std::size_t>(row)];
        r.searching = false;
        r.entry.m_nCount = count;
        r.entry.m_bDone = true;
        emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    }
    return row;
}

const CCaseFindModel::SRow* CCaseFindModel::RowAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size()
               ? &m_rows[static_cast<std::size_t>(row)]
               : nullptr;
}

int CCaseFindModel::ColumnIdAt(int section) const {
    const auto& shown = m_columns.Shown();
    return section >= 0 && static_cast<std::size_t>(section) < shown.size()
               ? shown[static_cast<std::size_t>(section)].m_nId
               : -1;
}

QString CCaseFindModel::CountText(const SRow& row) {
    if (row.searching) {
        return QString::fromUtf8(Res(284));
    }
    if (!row.entry.m_bDone) {
        return {};
    }
    return row.entry.m_nCount < 0 ? QString::fromUtf8(Res(280))
                                  : QString::number(row.entry.m_nCount);
}

void CCaseFindModel::Sort(int columnId, bool ascending) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> entries;
    for (const QModelIndex& i : before) {
        entries.push_back(m_rows[static_cast<std::size_t>(i.row())].index);
    }
    if (columnId == kPathColumn) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QString> paths(m_rows.size());
        for (const SRow& r : m_rows) {
            paths[r.index] = QString::fromStdString(CaseFileDisplayPath(r.entry.m_strPath));
        }
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const SRow& a, const SRow& b) {
            const int c = collator.compare(paths[a.index], paths[b.index]);
            return ascending ? c < 0 : c > 0;
        });
    } else {
        // A count that is not known compares equal to everything; a merge sort copes
        // with that and leaves such rows where they fall.
        std::stable_sort(m_rows.begin(), m_rows.end(), [ascending](const SRow& a, const SRow& b) {
            const int x = a.entry.m_bDone ? a.entry.m_nCount : -1;
            const int y = b.entry.m_bDone ? b.entry.m_nCount : -1;
            if (x < 0 || y < 0) {
                return false;
            }
            return ascending ? x < y : x > y;
        });
    }
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        after.push_back(
            index(RowOfIndex(entries[static_cast<std::size_t>(i)]), before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CCaseFindModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CCaseFindModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.Shown().size());
}

QVariant CCaseFindModel::data(const QModelIndex& index, int role) const {
    const SRow* row = RowAt(index.row());
    const int id = ColumnIdAt(index.column());
    if (!row || id < 0) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return id == kPathColumn ? QString::fromStdString(CaseFileDisplayPath(row->entry.m_strPath))
                                 : CountText(*row);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(
            Qt::Alignment((CDisplayColumns::RightAligned(id) ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter));
    }
    return {};
}

QVariant CCaseFindModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const int id = ColumnIdAt(section);
    if (orientation != Qt::Horizontal || id < 0 || role != Qt::DisplayRole) {
        return {};
    }
    return QString::fromUtf8(Res(id == kPathColumn ? 282 : 283));
}

Qt::ItemFlags CCaseFindModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

} // namespace quillora
