// The print dialog's grid: a table model over the printed table, with the preset's list
// font and colours in the cells and its title-row colours in the header.
#pragma once

#include "export/CPrintCondition.h"
#include "export/CPrintTable.h"

#include <QAbstractTableModel>

#include <memory>

namespace quillora {

class CPrintGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CPrintGridModel(QObject* parent = nullptr);

    // Shows another table with the preset's fonts and colours (a reset).
    void SetTable(std::shared_ptr<const CPrintTable> table, const CPrintCondition& preset);
    const CPrintTable* Table() const { return m_table.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::shared_ptr<const CPrintTable> m_table;
    CPrintCondition m_preset;
};

} // namespace quillora
