// The batch find's result rows.
#include "app/find/CFindResultModel.h"

#include "app/ColumnSet.h"
#include "app/DisplayColumns.h"
#include "app/IconFactory.h"
#include "app/NameOrder.h"
#include "app/RecordSortKeys.h"
#include "model/CDisplayTypeTable.h"
#include "model/CaseEditing.h"
#include "model/SFileInfo.h"
#include "platform/OsPath.h"

#include <QColor>

#include <algorithm>
#include <numeric>

namespace quillora {

namespace {

constexpr int kLocationColumn = 14;
constexpr std::uint32_t kShownInTree = kFlagCase | kFlagMedium | kAttrDirectory;

} // namespace

CFindResultModel::CFindResultModel(const CColumnSet& columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns) {}

SFileInfo* CFindResultModel::RecordAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size()
               ? m_rows[static_cast<std::size_t>(row)]
               : nullptr;
}

int CFindResultModel::RowOf(const SFileInfo* record) const {
    auto it = std::find(m_rows.begin(), m_rows.end(), record);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

int CFindResultModel::ColumnIdAt(int section) const {
    const auto& shown = m_columns.Shown();
    return section >= 0 && static_cast<std::size_t>(section) < shown.size()
               ? shown[static_cast<std::size_t>(section)].m_nId
               : -1;
}

void CFindResultModel::Append(const std::vector<SFileInfo*>& records) {
    if (records.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(records.size()) - 1);
    m_rows.insert(m_rows.end(), records.begin(), records.end());
    endInsertRows();
}

void CFindResultModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

void CFindResultModel::KeepIf(const std::function<bool(const SFileInfo&)>& keep) {
    beginResetModel();
    m_rows.erase(
        std::remove_if(m_rows.begin(), m_rows.end(), [&](SFileInfo* r) { return !keep(*r); }),
        m_rows.end());
    endResetModel();
}

void CFindResultModel::RemoveSubtree(const SFileInfo* subtree) {
    auto inside = [subtree](const SFileInfo* r) {
        for (; r; r = r->GetParent()) {
            if (r == subtree) {
                return true;
            }
        }
        return false;
    };
    if (std::none_of(m_rows.begin(), m_rows.end(), inside)) {
        return;
    }
    beginResetModel();
    m_rows.erase(std::remove_if(m_rows.begin(), m_rows.end(), inside), m_rows.end());
    endResetModel();
}

void CFindResultModel::RefreshRows() {
    if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void CFindResultModel::ColumnsChanged() {
    beginResetModel();
    endResetModel();
}

void CFindResultModel::Sort(int columnId, bool ascending) {
    const std::size_t n = m_rows.size();
    if (n < 2) {
        return;
    }
    const ESortKeyKind kind = SortKeyKind(columnId);
    std::vector<std::string> names(n);
    std::vector<std::uint64_t> numbers(kind == ESortKeyKind::Number ? n : 0);
    for (std::size_t i = 0; i < n; ++i) {
        names[i] = CNameOrder::Key(m_rows[i]->GetDisplayName());
        if (kind == ESortKeyKind::Number) {
            numbers[i] = SortNumber(*m_rows[i], columnId);
        }
    }
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    auto compare = [&](std::uint32_t a, std::uint32_t b) {
        int result = 0;
        switch (kind) {
        case ESortKeyKind::Name:
            result = names[a].compare(names[b]);
            break;
        case ESortKeyKind::Number:
            result = numbers[a] < numbers[b] ? -1 : (numbers[b] < numbers[a] ? 1 : 0);
            break;
        case ESortKeyKind::Record:
            result = columnId == kLocationColumn
                         ? LocationText(*m_rows[a]).compare(LocationText(*m_rows[b]))
                         : CDisplayColumns::Compare(*m_rows[a], *m_rows[b], columnId);
            break;
        }
        if (result == 0 && kind != ESortKeyKind::Name) {
            result = names[a].compare(names[b]);
        }
        return ascending ? result < 0 : result > 0;
    };
    std::stable_sort(order.begin(), order.end(), compare);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<SFileInfo*> sorted(n);
    std::vector<int> newRow(n);
    for (std::size_t row = 0; row < n; ++row) {
        sorted[row] = m_rows[order[row]];
        newRow[order[row]] = static_cast<int>(row);
    }
    QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        after.push_back(this->index(newRow[static_cast<std::size_t>(index.row())], index.column()));
    }
    m_rows = std::move(sorted);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::string CFindResultModel::LocationText(const SFileInfo& record) {
    if (record.HasFlags(kFlagCase)) {
        return record.GetDisplayName();
    }
    const SFileInfo* place = record.HasFlags(kShownInTree) ? &record : record.GetParent();
    if (!place) {
        return {};
    }
    if (place->HasFlags(kFlagCase)) {
        return place->GetDisplayName();
    }
    return OsPathFromModel(place->GetPath());
}

int CFindResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CFindResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.Shown().size());
}

QVariant CFindResultModel::data(const QModelIndex& index, int role) const {
    SFileInfo* record = RecordAt(index.row());
    const int id = ColumnIdAt(index.column());
    if (!record || id < 0) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(id == kLocationColumn
                                          ? LocationText(*record)
                                          : CDisplayColumns::ValueText(*record, id));
    case Qt::DecorationRole:
        if (index.column() != 0) {
            return {};
        }
        // Marked rows carry state image 2, the result lists' mark.
        return CIconFactory::Instance().ListIconWithState(
            DisplayTypes().Entry(DisplayTypes().IndexFor(*record)).m_nImage,
            IsMarked(*record) ? 2 : 0);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment((CDisplayColumns::RightAligned(id) ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter));
    case Qt::ForegroundRole:
        return record->DataLen() != 0 ? QVariant(QColor(255, 0, 0)) : QVariant();
    case kRecordRole:
        return QVariant::fromValue(static_cast<void*>(record));
    default:
        return {};
    }
}

QVariant CFindResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const int id = ColumnIdAt(section);
    if (orientation != Qt::Horizontal || id < 0) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromUtf8(CDisplayColumns::Title(id));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(
            Qt::Alignment((CDisplayColumns::RightAligned(id) ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags CFindResultModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

} // namespace quillora
