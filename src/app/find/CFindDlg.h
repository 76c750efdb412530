// CFindDlg (dialog 151, "検索"): the modeless find dialog, made once for the document
// and then shown and hidden. Find-next selects the next matching record in the main
// views; batch find lists every match in a result list that grows out of the dialog;
// narrowing filters that list. Finds run in slices on the GUI thread, so a case of
// millions of records keeps the window responsive and the run can be stopped. The
// first find builds an index of the case's names that later finds read instead of
// the records, until the case changes.
#pragma once

#include "app/ColumnSet.h"
#include "app/DialogMessage.h"
#include "search/CFindRun.h"
#include "search/CNameIndex.h"
#include "search/SFindCondition.h"

#include <QDialog>

#include <memory>
#include <vector>

class QCheckBox;
class QMenu;
class QPushButton;
class QTreeView;

namespace quillora {

class CFindConditionPanel;
class CFindResultModel;
class CSpinningDisc;
class CTobCaseDoc;
class IFindHost;

class CFindDlg : public QDialog {
    Q_OBJECT

public:
    enum EButton { kFindNext, kClose, kBatch, kNarrow, kStop };

    CFindDlg(CTobCaseDoc& doc, IFindHost& host, QWidget* parent = nullptr);
    // Saves the "Batch" column set.
    ~CFindDlg() override;

    // Shows the dialog: restored when maximised, the default button reading "検索(&F)",
    // the title rebuilt, the controls loaded from the stored conditions, the focus on
    // the name, the result area closed (its rows are kept).
    void ShowDialog();
    // Loads the stored conditions into the controls.
    void LoadConditions();

    // Finds the next match after the start record and selects it (message 141 at the
    // end of the case). With `fromControls` the controls are read first (the button);
    // without, the stored conditions are used as they are (F3).
    void FindNext(bool fromControls);
    // Lists the first match in the start record's subtree and every later match.
    void BatchFind();
    // Keeps the rows that match the conditions as the controls now give them.
    void Narrow();
    // Stops a find that is running; rows found so far stay.
    void StopRun();
    bool IsRunning() const { return m_run != ERun::None; }
    // Caps the steps (index blocks or runs of 2048 records) one slice of a run may take
    // besides its time, so that a test sees a run end mid-way whatever the machine's
    // speed. Unlimited by default.
    void SetSliceSteps(std::size_t steps) { m_nSliceSteps = std::max<std::size_t>(steps, 1); }
    bool ResultAreaOpen() const;

    CFindConditionPanel& Panel() { return *m_pPanel; }
    CFindResultModel& Results() { return *m_pModel; }
    QTreeView* ResultView() const { return m_pView; }
    QPushButton* Button(EButton button) const { return m_buttons[button]; }
    QCheckBox* NoCloseBox() const { return m_pNoClose; }
    const CColumnSet& Columns() const { return m_columns; }

    // The result list's context menu for the current selection.
    std::unique_ptr<QMenu> ResultMenu();
    // Messages go here instead of message boxes when set (tests).
    void SetMessageSink(DialogMessageSink sink) { m_sink = std::move(sink); }

signals:
    // A find-next, batch find or narrowing ended (also when stopped).
    void RunFinished();

protected:
    // Escape and the window's close button hide the dialog as "閉じる(&C)" does.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class ERun { None, Next, Batch };

    // Copies the controls into the stored conditions; false leaves nothing prepared.
    void ReadControls();
    // Prepares the stored conditions and tells the user about unusable patterns.
    void Prepare();
    void UpdateTitle();
    void StartRun(ERun kind);
    void RunSlice();
    // Whether the case is another or changed since the run started: then the run's
    // records are not looked at again.
    bool CaseChangedUnderRun();
    void EndRun(bool completed);
    void AbandonRun();
    void SetBusy(bool busy);
    void OpenResultArea();
    // Moves the dialog (and shrinks it when it is taller than the screen) so that all of
    // it is on its screen.
    void KeepOnScreen();
    void OnHide();
    void OnRowActivated(const QModelIndex& index);
    void ClickColumn(int section);
    std::vector<SFileInfo*> SelectedRecords() const;
    void SetMarks(bool on);
    void EmbedData();
    void Message(const std::string& text, bool warning);

    CTobCaseDoc& m_doc;
    IFindHost& m_host;
    CColumnSet m_columns;
    std::unique_ptr<SFindCondition> m_pConditions;
    std::unique_ptr<CFindRun> m_pRun;
    std::unique_ptr<CNameIndex> m_pIndex;
    // What the run starts from once the index is built, and the case as it was then.
    SFileInfo* m_pRunStart = nullptr;
    CFindRun::EMode m_runMode = CFindRun::EMode::Batch;
    const CCDCase* m_pRunCase = nullptr;
    std::uint64_t m_nRunRevision = 0;
    ERun m_run = ERun::None;
    std::vector<SFileInfo*> m_hits;
    CFindConditionPanel* m_pPanel = nullptr;
    QCheckBox* m_pNoClose = nullptr;
    QPushButton* m_buttons[5] = {};
    CSpinningDisc* m_pAnimation = nullptr;
    QWidget* m_pResultArea = nullptr;
    std::size_t m_nSliceSteps = static_cast<std::size_t>(-1);
    QTreeView* m_pView = nullptr;
    CFindResultModel* m_pModel = nullptr;
    int m_nSortColumn = -1;
    bool m_bCursorSet = false;
    DialogMessageSink m_sink;
};

} // namespace quillora
