// CChangeListDlg: the list of what a re-scan changed ("変更一覧"), opened from the
// loading dialog's final state: sortable by kind and path, copied to the clipboard as
// text (all rows with the button, the selected rows with the copy key).
#pragma once

#include <QDialog>

#include <string>

class QTableView;

namespace quillora {

class CChangeListModel;
class CMediumChanges;

class CChangeListDlg : public QDialog {
    Q_OBJECT
public:
    // `changes` is copied; `label` (the medium's) goes into the caption when not empty.
    CChangeListDlg(const CMediumChanges& changes, const std::string& label,
                   QWidget* parent = nullptr);

    // The ｺﾋﾟｰ button: every row in the order shown.
    void CopyAll();
    // The copy key: the selected rows in the order shown; nothing without a selection.
    void CopySelected();

    CChangeListModel& Model() const { return *m_model; }
    QTableView& View() const { return *m_view; }

protected:
    // The view would copy only its current cell; the list copies whole rows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CChangeListModel* m_model = nullptr;
    QTableView* m_view = nullptr;
};

} // namespace quillora
