// The copies report window: for the case files below a folder, or every case of the
// index when no folder is given, each medium's files, bytes and sole copies (sortable),
// and the sole copies of the selected medium, which open in the case or go to a CSV
// file. The case files are read off the GUI thread.
#pragma once

#include "report/CCopiesReport.h"
#include "report/CCopiesRun.h"

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace quillora {

class CTobCaseDoc;
class IFindHost;

class CCopiesDlg : public QDialog {
    Q_OBJECT
public:
    CCopiesDlg(CTobCaseDoc& doc, IFindHost& host, QWidget* parent = nullptr);
    ~CCopiesDlg() override;

    // Starts reading the case files below `folder` (the folder field's text), or every
    // case the index knows when it is empty.
    void Start(const QString& folder);
    bool IsRunning() const { return m_worker.joinable(); }
    // Stops a run and waits for its worker.
    void Cancel();
    // Rows of the media table and of the sole-copies list (tests).
    QTableWidget* MediaTable() const { return m_pMedia; }
    QTableWidget* SoleTable() const { return m_pSole; }

private:
    struct SSoleRow {
        std::string m_strCase;
        std::string m_strPath;
        std::uint64_t m_nSize = 0;
    };

    // The files of the index's cases into `files`; false, having said why, when there
    // are none.
    bool IndexedCaseFiles(std::vector<std::string>& files);
    void Poll();
    void Finished();
    void FillMedia();
    void OnMediumSelected();
    void OnOpenInCase();
    void OnExportCsv();

    CTobCaseDoc& m_doc;
    IFindHost& m_host;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pRun = nullptr;
    QPushButton* m_pCancel = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    QTableWidget* m_pMedia = nullptr;
    QTableWidget* m_pSole = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pCsv = nullptr;
    QTimer m_timer;

    std::unique_ptr<CCopiesReport> m_report;
    std::unique_ptr<CCopiesRun> m_run;
    std::thread m_worker;
    std::atomic<bool> m_bDone{false};
    bool m_bComplete = false;
    std::vector<SSoleRow> m_sole;
    std::vector<std::string> m_gone; // cases of the index whose files went away
};

} // namespace quillora
