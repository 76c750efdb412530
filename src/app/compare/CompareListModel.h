// The compare dialog's result list as a Qt model: one row per comparison row, the
// five columns name, first time, second time, result and location.
#pragma once

#include "search/CompareRow.h"

#include <QAbstractTableModel>

namespace quillora {

class CompareListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName, kFirstTime, kSecondTime, kResult, kLocation, kColumnCount };

    // The titles follow the mode: column 2 is the link target's time in case-link mode.
    explicit CompareListModel(int mode, QObject* parent = nullptr);

    // Replaces every row at once (the view redraws once).
    void SetRows(CompareRows rows);
    const CompareRows& Rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // A time as the list shows it: "%Y/%m/%d %H:%M:%S" in local time, "-" for none.
    static QString TimeText(const std::optional<FileTime>& time);

private:
    int m_mode;
    CompareRows m_rows;
};

} // namespace quillora
