// The change list: rows copied from the re-scan's changes, order keys made once per
// row so that sorting a few thousand rows does not collate names again and again.
#include "app/media/CChangeListModel.h"

#include "app/NameOrder.h"
#include "app/media/ScanReportText.h"

#include <algorithm>

namespace quillora {

namespace {

QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::vector<std::string> PathKeys(const std::string& path) {
    std::vector<std::string> keys;
    if (path.empty()) {
        return keys;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        keys.push_back(CNameOrder::Key(path.substr(start, end - start)));
        if (end == std::string::npos) {
            return keys;
        }
        start = end + 1;
    }
}

} // namespace

CChangeListModel::CChangeListModel(const CMediumChanges& changes, QObject* parent)
    : QAbstractTableModel(parent) {
    m_rows.reserve(changes.Changes().size());
    for (const SMediumChange& change : changes.Changes()) {
        m_rows.push_back({change.m_kind, change.m_path, change.m_from, PathKeys(change.m_path),
                          PathKeys(change.m_from)});
    }
}

int CChangeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CChangeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CChangeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) {
        return {};
    }
    const SRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case kKind:
        return QString::fromUtf8(ChangeKindText(row.m_kind));
    case kPath:
        return Q(row.m_strPath);
    case kFrom:
        return Q(row.m_strFrom);
    default:
        return {};
    }
}

QVariant CChangeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case kKind:
        return QString::fromUtf8("種類");
    case kPath:
        return QString::fromUtf8("ﾊﾟｽ");
    case kFrom:
        return QString::fromUtf8("移動元");
    default:
        return {};
    }
}

void CChangeListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumnCount) {
        return;
    }
    auto byPath = [](const SRow& a, const SRow& b) {
        if (a.m_pathKeys != b.m_pathKeys) {
            return a.m_pathKeys < b.m_pathKeys;
        }
        return a.m_kind < b.m_kind;
    };
    auto less = [&](const SRow& a, const SRow& b) {
        switch (column) {
        case kKind:
            return a.m_kind != b.m_kind ? a.m_kind < b.m_kind : byPath(a, b);
        case kFrom:
            if (a.m_fromKeys.empty() != b.m_fromKeys.empty()) {
                return b.m_fromKeys.empty();
            }
            return a.m_fromKeys != b.m_fromKeys ? a.m_fromKeys < b.m_fromKeys : byPath(a, b);
        default:
            return byPath(a, b);
        }
    };
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> permutation(m_rows.size());
    for (std::size_t i = 0; i < permutation.size(); ++i) {
        permutation[i] = i;
    }
    std::stable_sort(permutation.begin(), permutation.end(), [&](std::size_t a, std::size_t b) {
        return order == Qt::AscendingOrder ? less(m_rows[a], m_rows[b])
                                           : less(m_rows[b], m_rows[a]);
    });
    std::vector<SRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRow(m_rows.size());
    for (std::size_t i = 0; i < permutation.size(); ++i) {
        newRow[permutation[i]] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[permutation[i]]));
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after.push_back(this->index(newRow[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::string CChangeListModel::Line(const SRow& row) const {
    std::string line = ChangeKindText(row.m_kind);
    line += '\t';
    line += row.m_strPath;
    if (!row.m_strFrom.empty()) {
        line += '\t';
        line += row.m_strFrom;
    }
    line += '\n';
    return line;
}

std::string CChangeListModel::Text(const std::vector<int>& rows) const {
    std::string text;
    if (rows.empty()) {
        for (const SRow& row : m_rows) {
            text += Line(row);
        }
        return text;
    }
    for (const int row : rows) {
        if (row >= 0 && row < rowCount()) {
            text += Line(m_rows[static_cast<std::size_t>(row)]);
        }
    }
    return text;
}

} // namespace quillora
