// File list model and its sorting.
#include "app/FileListModel.h"

#include "app/ColumnSet.h"
#include "app/DisplayColumns.h"
#include "app/IconFactory.h"
#include "app/NameOrder.h"
#include "app/RecordSortKeys.h"
#include "model/CDisplayTypeTable.h"
#include "model/CaseEditing.h"
#include "model/SFileInfo.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <numeric>
#include <string>

namespace quillora {

namespace {

// Keys computed once per row before sorting, so the comparisons touch no string
// formatting and no collation of their own.
struct SSortKey {
    int m_nClass = 0;
    std::uint64_t m_nNumber = 0;
    std::string m_strName; // CNameOrder's key of the display name
};

} // namespace

CFileListModel::CFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CFileListModel::SetFolder(SFileInfo* folder, const CColumnSet* set) {
    beginResetModel();
    m_pFolder = folder;
    m_pSet = set;
    m_order.resize(folder ? folder->ChildCount() : 0);
    std::iota(m_order.begin(), m_order.end(), 0u);
    endResetModel();
}

void CFileListModel::ColumnsChanged() {
    beginResetModel();
    endResetModel();
}

SFileInfo* CFileListModel::RecordAt(int row) const {
    if (!m_pFolder || row < 0 || static_cast<std::size_t>(row) >= m_order.size()) {
        return nullptr;
    }
    return m_pFolder->ChildAt(m_order[static_cast<std::size_t>(row)]);
}

int CFileListModel::RowOf(const SFileInfo* record) const {
    if (!m_pFolder || !record || record->GetParent() != m_pFolder) {
        return -1;
    }
    auto child = static_cast<std::uint32_t>(m_pFolder->IndexOfChild(record));
    auto it = std::find(m_order.begin(), m_order.end(), child);
    return it == m_order.end() ? -1 : static_cast<int>(it - m_order.begin());
}

int CFileListModel::ColumnIdAt(int section) const {
    if (!m_pSet || section < 0 || static_cast<std::size_t>(section) >= m_pSet->Shown().size()) {
        return -1;
    }
    return m_pSet->Shown()[static_cast<std::size_t>(section)].m_nId;
}

int CFileListModel::SectionOf(int columnId) const {
    if (!m_pSet) {
        return -1;
    }
    const auto& shown = m_pSet->Shown();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i].m_nId == columnId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CFileListModel::SortClass(const SFileInfo& record, bool groupArcView) {
    if (record.HasFlags(kFlagGroup)) {
        return -1;
    }
    if (record.IsDirectory()) {
        if (groupArcView && record.HasFlags(kFlagListedArchive | kFlagArcEntry)) {
            return -1;
        }
        return -2;
    }
    return 0;
}

void CFileListModel::Sort(int columnId, bool ascending, bool groupArcView) {
    if (!m_pFolder || m_order.empty()) {
        return;
    }
    const std::size_t n = m_pFolder->ChildCount();
    std::vector<SSortKey> keys(n);
    ESortKeyKind kind = SortKeyKind(columnId);
    for (std::size_t i = 0; i < n; ++i) {
        SFileInfo& r = *m_pFolder->ChildAt(i);
        keys[i].m_nClass = SortClass(r, groupArcView);
        keys[i].m_strName = CNameOrder::Key(r.GetDisplayName());
        if (kind == ESortKeyKind::Number) {
            keys[i].m_nNumber = SortNumber(r, columnId);
        }
    }
    SFileInfo* folder = m_pFolder;
    auto compare = [&](std::uint32_t a, std::uint32_t b) {
        const SSortKey& ka = keys[a];
        const SSortKey& kb = keys[b];
        int result = ka.m_nClass - kb.m_nClass;
        if (result == 0) {
            switch (kind) {
            case ESortKeyKind::Name:
                result = ka.m_strName.compare(kb.m_strName);
                break;
            case ESortKeyKind::Number:
                result = ka.m_nNumber < kb.m_nNumber ? -1 : (kb.m_nNumber < ka.m_nNumber ? 1 : 0);
                break;
            case ESortKeyKind::Record:
                result =
                    CDisplayColumns::Compare(*folder->ChildAt(a), *folder->ChildAt(b), columnId);
                break;
            }
            if (result == 0 && kind != ESortKeyKind::Name) {
                result = ka.m_strName.compare(kb.m_strName);
            }
        }
        return ascending ? result < 0 : result > 0;
    };
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> children;
    children.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before) {
        children.push_back(m_order[static_cast<std::size_t>(index.row())]);
    }
    std::stable_sort(m_order.begin(), m_order.end(), compare);
    std::vector<int> rowOfChild(n, -1);
    for (std::size_t row = 0; row < m_order.size(); ++row) {
        rowOfChild[m_order[row]] = static_cast<int>(row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        int row = rowOfChild[children[static_cast<std::size_t>(i)]];
        after.push_back(index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CFileListModel::RefreshRows() {
    if (!m_order.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void CFileListModel::RefreshRecord(const SFileInfo* record) {
    int row = RowOf(record);
    if (row >= 0) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

int CFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_pSet ? 0 : static_cast<int>(m_pSet->Shown().size());
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const {
    SFileInfo* record = RecordAt(index.row());
    int id = ColumnIdAt(index.column());
    if (!record || id < 0) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(CDisplayColumns::ValueText(*record, id));
    case Qt::DecorationRole:
        if (index.column() != 0) {
            return {};
        }
        return CIconFactory::Instance().ListIcon(
            DisplayTypes().Entry(DisplayTypes().IndexFor(*record)).m_nImage, IsMarked(*record));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment((CDisplayColumns::RightAligned(id) ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter));
    case Qt::ForegroundRole:
        if (record->DataLen() != 0) {
            return QColor(255, 0, 0);
        }
        return {};
    case kRecordRole:
        return QVariant::fromValue(static_cast<void*>(record));
    default:
        return {};
    }
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    int id = ColumnIdAt(section);
    if (id < 0) {
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

Qt::ItemFlags CFileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

} // namespace quillora
