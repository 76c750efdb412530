// The print dialog's grid model.
#include "app/print/CPrintGridModel.h"

#include "app/print/CListPrinter.h"

namespace quillora {

CPrintGridModel::CPrintGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void CPrintGridModel::SetTable(std::shared_ptr<const CPrintTable> table,
                               const CPrintCondition& preset) {
    beginResetModel();
    m_table = std::move(table);
    m_preset = preset;
    endResetModel();
}

int CPrintGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_table ? 0 : static_cast<int>(m_table->RowCount());
}

int CPrintGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_table ? 0 : static_cast<int>(m_table->Columns().size());
}

QVariant CPrintGridModel::data(const QModelIndex& index, int role) const {
    if (!m_table || !index.isValid()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(m_table->Cell(row, column));
    case Qt::TextAlignmentRole:
        return m_table->Columns()[column].m_align == ECellAlign::Right
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        return CListPrinter::FontOf(m_preset.ListFont);
    case Qt::ForegroundRole:
        return CListPrinter::ColorOf(m_preset.ListFont.Fore);
    case Qt::BackgroundRole:
        return CListPrinter::ColorOf(m_preset.ListFont.Back);
    default:
        return {};
    }
}

QVariant CPrintGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!m_table || orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(m_table->Columns().size())) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(
            m_table->Columns()[static_cast<std::size_t>(section)].m_strTitle);
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignCenter);
    case Qt::FontRole:
        return CListPrinter::FontOf(m_preset.ListTitleFont);
    case Qt::ForegroundRole:
        return CListPrinter::ColorOf(m_preset.ListTitleFont.Fore);
    case Qt::BackgroundRole:
        return CListPrinter::ColorOf(m_preset.ListTitleFont.Back);
    default:
        return {};
    }
}

} // namespace quillora
