// CCDInsertDlg: the loading dialog ("読み込み中"): scans a drive or a folder into a new
// medium on a worker thread, shows what is being read, and can be cancelled. The new
// medium is handed out only after the scan completed, so the case never sees a
// half-built one.
#pragma once

#include "app/DialogMessage.h"
#include "app/media/CLatestScanProgress.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

class QLabel;
class QPushButton;

namespace quillora {

class CChangeListDlg;
class CSpinningDisc;
class CVolumeScanner;
class IArchiveLister;
class ICommentExtractor;
class SVolumeInfo;

class CCDInsertDlg : public QDialog {
    Q_OBJECT

public:
    // What happens after a completed scan; the defaults play the configured end
    // sound (modes 1 and 2) and eject the medium (mode 1 with "MediaOut").
    struct SFinishActions {
        std::function<void(const std::string& soundFile)> m_playSound;
        std::function<void(const SVolumeInfo& medium)> m_eject;
    };

    // `osPath`: the mount point or folder to scan; `label`, `comment`: replace the
    // proposed ones when given (copied); `mode`: 1 drive, 2 folder, 3 re-scan.
    // `lister` lists archives during the scan (none: archives stay plain files); it
    // must outlive the dialog. The scan starts when the dialog is shown (or Start).
    CCDInsertDlg(const std::string& osPath, const std::string* label, const std::string* comment,
                 int mode, QWidget* parent = nullptr, IArchiveLister* lister = nullptr);
    // Cancels and waits for a scan still running.
    ~CCDInsertDlg() override;

    // Runs the dialog modally; the new medium when the scan completed (the caller
    // owns it), null when the user cancelled or the scan failed. `report`, when
    // given, receives what the scan could not read (its records are the medium's).
    static std::unique_ptr<SVolumeInfo> Run(QWidget* parent, const std::string& osPath,
                                            const std::string* label, const std::string* comment,
                                            int mode, IArchiveLister* lister = nullptr,
                                            ICommentExtractor* extractor = nullptr,
                                            CScanReport* report = nullptr);

    // The comment extraction of the scan ("AutoComment"); none: no comments. Must
    // outlive the dialog; set before Start.
    void SetCommentExtractor(ICommentExtractor* extractor) { m_extractor = extractor; }
    // Makes the scan a re-scan of `previous`, the case's copy of the medium (see
    // CVolumeScanner::SetPrevious): unchanged files are not read, and when something
    // changed the dialog ends showing how much, offers the list of changes and waits
    // for OK. Set before Start; `previous` must outlive the dialog.
    void SetPrevious(const SVolumeInfo* previous) { m_previous = previous; }
    // What the finished re-scan found changed.
    const CMediumChanges& Changes() const { return m_changes; }

    // Starts the worker thread, the timers and the animation (once).
    void Start();
    // The Cancel button: shows string 522, asks the scan to stop and waits until it
    // has, discards the partial medium and closes with Cancel.
    void CancelScan();

    // The new medium after the dialog closed with OK; null otherwise.
    std::unique_ptr<SVolumeInfo> TakeResult();
    // What the finished scan could not read.
    const CScanReport& Report() const { return m_report; }

    // A scan that skipped something does not close by itself: the dialog shows what
    // was skipped and waits for OK (keep the medium) or ｷｬﾝｾﾙ (discard it).
    bool IsShowingReport() const { return m_showingReport; }
    // The OK button of that final state.
    void AcceptReport();
    // The 変更一覧 button of that final state after a re-scan that found changes: opens
    // the list (window-modal, owned by this dialog) and returns it; null when there is
    // no list to show.
    CChangeListDlg* OpenChangeList();

    bool IsScanRunning() const;
    void SetFinishActions(SFinishActions actions) { m_actions = std::move(actions); }
    // Where the failure of a scan is told instead of a message box (tests).
    void SetMessageSink(DialogMessageSink sink) { m_messageSink = std::move(sink); }

    QString PathLine() const;
    QString NameLine() const;
    QString ElapsedText() const;
    QString StatusText() const;
    QString EntriesText() const;

    // "%02d:%02d:%02d" of a duration, rounded to whole seconds.
    static std::string ElapsedString(long long milliseconds);

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Worker();
    void OnScanFinished();
    void Finish();
    void OnProgressTick();
    void OnSecondTick();
    void Cleanup();
    void JoinWorker();

    std::string m_osPath;
    std::optional<std::string> m_label;
    std::optional<std::string> m_comment;
    int m_mode;
    IArchiveLister* m_lister;
    ICommentExtractor* m_extractor = nullptr;
    const SVolumeInfo* m_previous = nullptr;
    CMediumChanges m_changes; // written by the worker before m_workerDone

    std::unique_ptr<SVolumeInfo> m_result;
    std::unique_ptr<CVolumeScanner> m_scanner;
    std::stop_source m_stop; // this dialog's scan only; Cancel asks it, then joins
    CLatestScanProgress m_progress;
    std::thread m_worker;
    std::atomic<bool> m_workerDone{false};
    std::string m_failure; // written by the worker before m_workerDone
    CScanReport m_report;  // the same
    bool m_started = false;
    bool m_closing = false;
    bool m_showingReport = false;
    CChangeListDlg* m_changeList = nullptr; // a child, made on first opening
    SFinishActions m_actions;
    DialogMessageSink m_messageSink;

    QElapsedTimer m_elapsed;
    QTimer m_progressTimer;
    QTimer m_secondTimer;
    CSpinningDisc* m_disc = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_path = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_entries = nullptr;
    QPushButton* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quillora
