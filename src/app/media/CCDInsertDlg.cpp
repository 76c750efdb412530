// The loading dialog.
#include "app/media/CCDInsertDlg.h"

#include "app/DialogMessage.h"
#include "app/media/CChangeListDlg.h"
#include "app/media/CSpinningDisc.h"
#include "app/media/EndSound.h"
#include "app/media/ScanReportText.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "core/TraceLog.h"
#include "document/JobOptions.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/Eject.h"
#include "scan/VolumeScanner.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <exception>

namespace quillora {

namespace {

constexpr const char* kCaption = "読み込み中";
constexpr int kProgressIntervalMs = 100;
constexpr int kSecondIntervalMs = 1000;

void DefaultEject(const SVolumeInfo& medium) {
    const auto kind = medium.MediumKind();
    if (kind != kFlagCdRom && kind != kFlagRemovable) {
        return;
    }
    std::string error;
    if (!CEject::EjectDrive(medium.m_strRoot, &error)) {
        LogFormat("Eject[%s] failed: %s", medium.m_strRoot.c_str(), error.c_str());
    }
}

QLabel* ElidingLine(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setMinimumWidth(340);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

CCDInsertDlg::CCDInsertDlg(const std::string& osPath, const std::string* label,
                           const std::string* comment, int mode, QWidget* parent,
                           IArchiveLister* lister)
    : QDialog(parent), m_osPath(osPath), m_mode(mode), m_lister(lister) {
    if (label != nullptr) {
        m_label = *label;
    }
    if (comment != nullptr) {
        m_comment = *comment;
    }
    m_actions.m_playSound = [](const std::string& file) { PlaySoundDetached(file); };
    m_actions.m_eject = DefaultEject;

    setWindowTitle(label != nullptr ? QString::fromStdString(*label + " - " + kCaption)
                                    : QString::fromUtf8(kCaption));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_disc = new CSpinningDisc(this);
    top->addWidget(m_disc, 0, Qt::AlignTop);
    auto* lines = new QVBoxLayout;
    m_status = new QLabel(QString::fromUtf8("しばらくお待ちください．．．"), this);
    m_path = ElidingLine(this);
    m_name = ElidingLine(this);
    lines->addWidget(m_status);
    lines->addWidget(m_path);
    lines->addWidget(m_name);
    top->addLayout(lines, 1);
    layout->addLayout(top);

    auto* bottom = new QHBoxLayout;
    m_time = new QLabel(QStringLiteral("00:00:00"), this);
    m_entries = new QLabel(this);
    bottom->addWidget(m_time);
    bottom->addSpacing(16);
    bottom->addWidget(m_entries, 1);
    m_list = new QPushButton(QString::fromUtf8("変更一覧(&L)..."), this);
    m_list->setVisible(false);
    bottom->addWidget(m_list);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setVisible(false);
    bottom->addWidget(m_ok);
    m_cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"), this);
    bottom->addWidget(m_cancel);
    layout->addLayout(bottom);
    connect(m_ok, &QPushButton::clicked, this, &CCDInsertDlg::AcceptReport);
    connect(m_list, &QPushButton::clicked, this, &CCDInsertDlg::OpenChangeList);
    connect(m_cancel, &QPushButton::clicked, this, &CCDInsertDlg::CancelScan);

    m_progressTimer.setInterval(kProgressIntervalMs);
    m_secondTimer.setInterval(kSecondIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &CCDInsertDlg::OnProgressTick);
    connect(&m_secondTimer, &QTimer::timeout, this, &CCDInsertDlg::OnSecondTick);
}

CCDInsertDlg::~CCDInsertDlg() {
    if (m_worker.joinable()) {
        m_stop.request_stop();
        JoinWorker();
    }
}

std::unique_ptr<SVolumeInfo> CCDInsertDlg::Run(QWidget* parent, const std::string& osPath,
                                               const std::string* label, const std::string* comment,
                                               int mode, IArchiveLister* lister,
                                               ICommentExtractor* extractor, CScanReport* report) {
    CCDInsertDlg dialog(osPath, label, comment, mode, parent, lister);
    dialog.SetCommentExtractor(extractor);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (report) {
        *report = accepted ? dialog.Report() : CScanReport();
    }
    return accepted ? dialog.TakeResult() : nullptr;
}

void CCDInsertDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Start();
}

void CCDInsertDlg::Start() {
    if (m_started) {
        return;
    }
    m_started = true;
    LogFormat("Drive[%s]", m_osPath.c_str());
    m_time->setText(QStringLiteral("00:00:00"));
    m_elapsed.start();
    m_secondTimer.start();
    m_progressTimer.start();
    m_disc->Start();

    // Everything the worker touches is made here, before it starts.
    m_result = std::make_unique<SVolumeInfo>();
    m_scanner = std::make_unique<CVolumeScanner>(ScanOptionsFrom(Config()), m_stop.get_token());
    m_scanner->SetProgress(&m_progress);
    m_scanner->SetArchiveLister(m_lister);
    m_scanner->SetCommentExtractor(m_extractor);
    m_scanner->SetPrevious(m_previous);
    m_worker = std::thread([this] { Worker(); });
}

void CCDInsertDlg::Worker() {
    try {
        m_scanner->AddVolume(*m_result, m_osPath, m_label ? &*m_label : nullptr,
                             m_comment ? &*m_comment : nullptr);
        m_report = m_scanner->Report();
        m_changes = m_scanner->Changes();
        m_failure = ScanFailureText(m_osPath, m_report);
    } catch (const std::exception& error) {
        m_failure = error.what();
        if (m_failure.empty()) {
            m_failure = "scan failed";
        }
    } catch (...) {
        m_failure = "scan failed";
    }
    m_workerDone.store(true);
    // Posted, never sent: the dialog handles it on its own thread, and a dialog
    // destroyed meanwhile drops it (the destructor joins this thread first).
    QMetaObject::invokeMethod(this, &CCDInsertDlg::OnScanFinished, Qt::QueuedConnection);
}

bool CCDInsertDlg::IsScanRunning() const {
    return m_worker.joinable() && !m_workerDone.load();
}

void CCDInsertDlg::JoinWorker() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CCDInsertDlg::OnProgressTick() {
    if (!m_worker.joinable() || m_closing) {
        return;
    }
    SScanProgressState state;
    if (m_progress.TakeNewest(state)) {
        if (QString::fromStdString(state.m_strPath) != m_path->text()) {
            m_path->setText(QString::fromStdString(state.m_strPath));
        }
        m_name->setText(QString::fromStdString(state.m_strName));
    }
    if (m_scanner) {
        m_entries->setText(
            QString::fromUtf8("%1 件").arg(static_cast<qulonglong>(m_scanner->EntriesSoFar())));
    }
}

std::string CCDInsertDlg::ElapsedString(long long milliseconds) {
    const long long seconds = (milliseconds < 0 ? 0 : milliseconds + 500) / 1000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buffer;
}

void CCDInsertDlg::OnSecondTick() {
    m_time->setText(QString::fromStdString(ElapsedString(m_elapsed.elapsed())));
}

void CCDInsertDlg::Cleanup() {
    m_closing = true;
    m_disc->Stop();
    m_progress.Close();
    m_progressTimer.stop();
    m_secondTimer.stop();
    Log("CCDInsertDlg end");
}

void CCDInsertDlg::CancelScan() {
    if (m_showingReport) {
        m_showingReport = false;
        m_result.reset();
        QDialog::reject();
        return;
    }
    if (m_closing) {
        return;
    }
    m_status->setText(QString::fromUtf8(Res(522)));
    m_cancel->setEnabled(false);
    m_status->repaint();
    if (m_worker.joinable()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_stop.request_stop();
        JoinWorker();
        QApplication::restoreOverrideCursor();
    }
    m_result.reset();
    Cleanup();
    QDialog::reject();
}

void CCDInsertDlg::reject() {
    CancelScan();
}

void CCDInsertDlg::OnScanFinished() {
    if (m_closing) {
        return;
    }
    JoinWorker();
    Cleanup();
    if (!m_failure.empty()) {
        m_result.reset();
        ShowDialogMessage(this, m_messageSink, m_failure, QMessageBox::Critical);
        QDialog::reject();
        return;
    }
    const auto& config = Config();
    if ((m_mode == 1 || m_mode == 2) && config.m_nAddEndSndMode != 0 &&
        !config.m_strAddEndSndFile.empty() && m_actions.m_playSound) {
        m_actions.m_playSound(config.m_strAddEndSndFile);
    }
    // A re-scan that found changes says how many and offers the list; one that found
    // none closes by itself, as a first scan does.
    const bool changed = m_previous && (!m_changes.Empty() || m_changes.TimesShifted() != 0);
    if (m_report.Complete() && !changed) {
        Finish();
        return;
    }
    // Something was skipped or changed: say what, and let the user keep or discard the
    // medium.
    m_showingReport = true;
    std::string lines = ScanReportLines(m_report);
    if (m_report.Complete()) {
        m_status->setText(QString::fromUtf8("更新が終わりました。変更は次のとおりです:"));
    } else {
        m_status->setText(
            QString::fromUtf8("読み込みが終わりました。次のものは登録されていません:"));
    }
    if (m_previous) {
        const std::string changes = ChangeSummaryLines(m_changes, m_report);
        lines = lines.empty() ? changes : lines + "\n" + changes;
    }
    m_path->setText(QString::fromStdString(lines));
    m_name->clear();
    if (m_scanner) {
        m_entries->setText(
            QString::fromUtf8("%1 件").arg(static_cast<qulonglong>(m_scanner->EntriesSoFar())));
    }
    m_list->setVisible(m_previous && !m_changes.Empty());
    m_ok->setVisible(true);
    m_ok->setDefault(true);
    m_ok->setFocus();
    adjustSize();
}

CChangeListDlg* CCDInsertDlg::OpenChangeList() {
    if (!m_showingReport || !m_previous || m_changes.Empty()) {
        return nullptr;
    }
    if (!m_changeList) {
        m_changeList = new CChangeListDlg(m_changes, m_previous->m_strLabel, this);
    }
    m_changeList->open();
    return m_changeList;
}

void CCDInsertDlg::AcceptReport() {
    if (!m_showingReport) {
        return;
    }
    m_showingReport = false;
    Finish();
}

void CCDInsertDlg::Finish() {
    const auto& config = Config();
    if (m_mode == 1 && config.m_nAddVolMediaOut != 0 && m_result && m_actions.m_eject) {
        m_actions.m_eject(*m_result);
    }
    QDialog::accept();
}

std::unique_ptr<SVolumeInfo> CCDInsertDlg::TakeResult() {
    if (result() != QDialog::Accepted) {
        return nullptr;
    }
    return std::move(m_result);
}

QString CCDInsertDlg::PathLine() const {
    return m_path->text();
}
QString CCDInsertDlg::NameLine() const {
    return m_name->text();
}
QString CCDInsertDlg::ElapsedText() const {
    return m_time->text();
}
QString CCDInsertDlg::StatusText() const {
    return m_status->text();
}
QString CCDInsertDlg::EntriesText() const {
    return m_entries->text();
}

} // namespace quillora
