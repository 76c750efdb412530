// CCompareDlg: the compare dialog ("比較"): lists only what differs between a medium
// and the case (or between linked records and their link targets), with a hint on
// which update command brings the two sides together. Mode 3 asks before an import
// replaces a medium, with "更新" to go ahead.
#pragma once

#include "search/CompareRow.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTreeView;

namespace quillora {

class CompareListModel;
class SVolumeInfo;

class CCompareDlg : public QDialog {
    Q_OBJECT

public:
    // Scans the folder or mount point into a new medium, as adding one would (under
    // the loading dialog); null when the user cancelled.
    using Scanner = std::function<std::unique_ptr<SVolumeInfo>(const std::string& osPath)>;

    // `mode`: 0 or 2 media-case, 1 case-link, 3 media-import. `caseMedium`: the case's
    // record; `tree`: the medium to compare with in modes 0, 2 and 3, or null to scan
    // the medium with `scanner` (the loading dialog when none is given). Everything
    // must outlive the dialog.
    CCompareDlg(int mode, const SVolumeInfo& caseMedium, const SVolumeInfo* tree,
                QWidget* parent = nullptr, Scanner scanner = {});
    ~CCompareDlg() override;

    // Mode 3 for an import: shows what replacing `caseMedium` by `imported` would
    // change; true when the user chose "更新".
    static bool ConfirmImport(QWidget* parent, const SVolumeInfo& caseMedium,
                              const SVolumeInfo& imported);

    // The comparison the hidden buttons start ("ﾒﾃﾞｨｱ-ｹｰｽ比較", "ｹｰｽ-ﾘﾝｸ先比較"); the
    // dialog presses the right one itself once it is shown.
    void CompareMediaCase();
    void CompareCaseLink();

    bool IsBusy() const { return m_bBusy; }
    bool IsCancelled() const { return m_bCancelled; }
    const CompareRows& Rows() const;
    CompareListModel& Model() const { return *m_model; }
    QTreeView* List() const { return m_list; }
    QString Guidance() const;
    QString Hint() const;
    QPushButton* CloseButton() const { return m_close; }
    QPushButton* UpdateButton() const { return m_update; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetBusy(bool busy);
    void Finish(CompareRows rows, bool cancelled);

    int m_mode;
    const SVolumeInfo& m_caseMedium;
    const SVolumeInfo* m_tree;
    Scanner m_scanner;
    bool m_bBusy = false;
    bool m_bStarted = false;
    bool m_bCancelled = false;
    CompareListModel* m_model = nullptr;
    QTreeView* m_list = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_guidance = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_startMediaCase = nullptr;
    QPushButton* m_startCaseLink = nullptr;
};

} // namespace quillora
