// The compare dialog's result list.
#include "app/compare/CompareListModel.h"

#include "app/DisplayColumns.h"
#include "core/Resources.h"

namespace quillora {

CompareListModel::CompareListModel(int mode, QObject* parent)
    : QAbstractTableModel(parent), m_mode(mode) {}

void CompareListModel::SetRows(CompareRows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CompareListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CompareListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString CompareListModel::TimeText(const std::optional<FileTime>& time) {
    if (!time) {
        return QString::fromUtf8(Res(221));
    }
    return QString::fromStdString(CDisplayColumns::DateText(*time));
}

QVariant CompareListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount()) {
        return {};
    }
    const SCompareRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case kName:
        return QString::fromStdString(row.m_strName);
    case kFirstTime:
        return TimeText(row.m_first);
    case kSecondTime:
        return TimeText(row.m_second);
    case kResult:
        return QString::fromUtf8(CompareResultText(row.m_nResult));
    case kLocation:
        return QString::fromStdString(row.m_strLocation);
    default:
        return {};
    }
}

QVariant CompareListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case kName:
        return QString::fromUtf8(Res(138));
    case kFirstTime:
        return QString::fromUtf8(Res(211));
    case kSecondTime:
        return QString::fromUtf8(Res(m_mode == kCompareCaseLink ? 212 : 213));
    case kResult:
        return QString::fromUtf8(Res(214));
    case kLocation:
        return QString::fromUtf8(Res(229));
    default:
        return {};
    }
}

} // namespace quillora
