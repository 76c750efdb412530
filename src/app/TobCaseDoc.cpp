// The document wrapper: message boxes, the file dialog and view notifications.
#include "app/TobCaseDoc.h"

#include "app/compare/CCompareDlg.h"
#include "app/edit/CPasswordDlg.h"
#include "app/export/CJobProgressDlg.h"
#include "app/media/CAddMediaDlg.h"
#include "app/media/CCDInsertDlg.h"
#include "app/media/CMediaSelectDlg.h"

#include "core/ConfigData.h"
#include "core/Resources.h"
#include "core/TraceLog.h"
#include "document/JobOptions.h"
#include "extract/ExtractTextManager.h"
#include "index/SIndexSettings.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaObject>

namespace quillora {

namespace {

const char kAppTitle[] = "Quillora";
// The framework's question before a modified case is closed.
const char kAskToSave[] = "%1 への変更を保存しますか?";

QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// "Caseﾌｧｲﾙ(*.caz,*.cas)" with "*.caz;*.cas" -> "Caseﾌｧｲﾙ(*.caz,*.cas) (*.caz *.cas)",
// the form QFileDialog takes its patterns from; the dialog hides the added part, so
// the user reads the label alone. "*.*" means every file, as it did on Windows.
QString QtFilter(const std::pair<std::string, std::string>& filter) {
    QStringList patterns = QString::fromStdString(filter.second).split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
        if (pattern == "*.*") {
            pattern = "*";
        }
    }
    return QString::fromStdString(filter.first) + " (" + patterns.join(' ') + ")";
}

std::string ExtensionOfPattern(const std::string& patterns) {
    std::string first = patterns.substr(0, patterns.find(';'));
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0 || first == "*.*") {
        return {};
    }
    return first.substr(1);
}

} // namespace

CTobCaseDoc::CTobCaseDoc(CDriveTable& drives, CMediaPresence& presence, QObject* parent)
    : QObject(parent), m_drives(drives), m_presence(presence),
      m_pCore(std::make_unique<CCaseDocument>(*this, drives, presence)) {
    const SIndexSettings index = SIndexSettings::Load(Config().Store());
    if (index.m_bIndexOpenedAndSaved) {
        m_pCore->SetCaseIndexFolder(index.Location());
    }
    m_pCore->OnNewDocument();
}

CTobCaseDoc::~CTobCaseDoc() = default;

bool CTobCaseDoc::ConfirmImportedMedium(const SVolumeInfo& caseMedium,
                                        const SVolumeInfo& imported) {
    if (m_bUnattended) {
        return true;
    }
    return CCompareDlg::ConfirmImport(m_pWindow, caseMedium, imported);
}

void CTobCaseDoc::RunJob(const std::string& title, CExportJob& job,
                         const std::function<void()>& work) {
    // The worker reads the case: a medium re-scanned meanwhile must wait until it ends.
    HoldDeviceChanges(true);
    try {
        CJobProgressDlg::Run(m_pWindow, QString::fromStdString(title), job, work);
    } catch (...) {
        HoldDeviceChanges(false);
        throw;
    }
    HoldDeviceChanges(false);
}

const char* CTobCaseDoc::NotAvailableText() {
    return "この機能はまだ組み込まれていません。";
}

void CTobCaseDoc::NotAvailable(const char* what) {
    LogFormat("not available: %s", what);
    ShowMessage(NotAvailableText(), MessageIcon::Information);
}

QString CTobCaseDoc::WindowTitle() const {
    QString name = QString::fromStdString(m_pCore->Title());
    if (Config().m_nFullPathTitle && !m_pCore->PathName().empty()) {
        name = QString::fromStdString(m_pCore->PathName());
    }
    return name + (m_pCore->IsModified() ? " *" : "") + " - " + kAppTitle;
}

// --- Commands ---

bool CTobCaseDoc::SaveModified() {
    if (!m_pCore->IsModified()) {
        return true;
    }
    if (m_bUnattended) {
        return true;
    }
    QString text = QString::fromUtf8(kAskToSave).arg(QString::fromStdString(m_pCore->Title()));
    auto answer = QMessageBox::question(m_pWindow, kAppTitle, text,
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
        return false;
    }
    return answer == QMessageBox::No || m_pCore->Save();
}

void CTobCaseDoc::OnFileNew() {
    if (SaveModified()) {
        m_pCore->OnNewDocument();
    }
}

void CTobCaseDoc::OnFileOpen() {
    // The name first, then the question about the open case, as the framework asks:
    // cancelling the dialog asks nothing.
    std::optional<std::string> chosen = AskFileName(m_pCore->OpenDialogRequest());
    if (chosen) {
        OpenPath(*chosen);
    }
}

bool CTobCaseDoc::OpenPath(const std::string& path) {
    if (!SaveModified()) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool ok = m_pCore->OnOpenDocument(path);
    QApplication::restoreOverrideCursor();
    if (ok) {
        emit PathUsed(QString::fromStdString(path));
    } else {
        emit PathFailed(QString::fromStdString(path));
    }
    return ok;
}

bool CTobCaseDoc::OnFileSave() {
    bool ok = m_pCore->Save();
    if (ok && !m_pCore->PathName().empty()) {
        emit PathUsed(QString::fromStdString(m_pCore->PathName()));
    }
    return ok;
}

bool CTobCaseDoc::OnFileSaveAs() {
    bool ok = m_pCore->DoSave({}, true);
    if (ok) {
        emit PathUsed(QString::fromStdString(m_pCore->PathName()));
    }
    return ok;
}

void CTobCaseDoc::OnMergeCase() {
    m_pCore->MergeCaseFileAsk();
}

void CTobCaseDoc::OnAddGroup() {
    m_pCore->AddGroup();
}

void CTobCaseDoc::OnSetPassword() {
    m_pCore->SetPasswordAsk();
}

void CTobCaseDoc::OnInsertMedia() {
    m_pCore->InsertCDEx(false);
}

void CTobCaseDoc::OnContinuousAdd() {
    m_pCore->ContinuousAdd();
}

void CTobCaseDoc::OnCheckMounts() {
    m_pCore->CheckMounts();
}

void CTobCaseDoc::OnUpdateFromDrive(SFileInfo* record) {
    // A selection outside every medium does nothing; an absent medium gives 209.
    SVolumeInfo* medium = record ? record->EnclosingMedium() : nullptr;
    if (!medium) {
        return;
    }
    m_pCore->UpdateFromDrive(*medium);
}

void CTobCaseDoc::OnDeviceChange(int event, int deviceType) {
    if (m_nDeviceHolds > 0) {
        m_heldDeviceChanges.emplace_back(event, deviceType);
        return;
    }
    // The core refreshes the drive table; refreshing it here too would clear the
    // "changed" mark the add dialog finds the new drive by.
    m_pCore->DoDeviceChange(event, deviceType);
    emit DrivesChanged();
}

void CTobCaseDoc::HoldDeviceChanges(bool hold) {
    if (hold) {
        ++m_nDeviceHolds;
        return;
    }
    if (m_nDeviceHolds == 0 || --m_nDeviceHolds > 0) {
        return;
    }
    std::vector<std::pair<int, int>> held = std::move(m_heldDeviceChanges);
    m_heldDeviceChanges.clear();
    for (const auto& [event, type] : held) {
        QMetaObject::invokeMethod(
            this, [this, event, type] { OnDeviceChange(event, type); }, Qt::QueuedConnection);
    }
}

void CTobCaseDoc::SetArchiveExpander(CArchiveExpander* expander) {
    m_pExpander = expander;
    m_pArchiveLister = expander;
}

CArchiveExpander* CTobCaseDoc::ArchiveExpander() const {
    UpdateArchiveOptions();
    return m_pExpander;
}

void CTobCaseDoc::UpdateArchiveOptions() const {
    if (m_pExpander) {
        m_pExpander->SetArchiveOptions(ArchiveOptionsFrom(Config()));
    }
}

// --- IDocumentUi: messages ---

void CTobCaseDoc::ShowMessage(const std::string& text, MessageIcon icon) {
    if (m_bUnattended) {
        LogFormat("message: %s", text.c_str());
        return;
    }
    QMessageBox box(ToQt(icon), kAppTitle, QString::fromStdString(text), QMessageBox::Ok,
                    m_pWindow);
    box.exec();
}

bool CTobCaseDoc::AskYesNo(const std::string& text) {
    if (m_bUnattended) {
        return false;
    }
    return QMessageBox::question(m_pWindow, kAppTitle, QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool CTobCaseDoc::AskOkCancel(const std::string& text) {
    if (m_bUnattended) {
        return false;
    }
    QMessageBox box(QMessageBox::Question, kAppTitle, QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_pWindow);
    return box.exec() == QMessageBox::Ok;
}

bool CTobCaseDoc::AskForMedium(const std::string& text) {
    if (m_bUnattended) {
        return false;
    }
    QMessageBox box(QMessageBox::Information, kAppTitle, QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_pWindow);
    return box.exec() == QMessageBox::Ok;
}

// --- IDocumentUi: dialogs ---

std::optional<std::string> CTobCaseDoc::AskPassword(PasswordMode mode, const std::string& fileName,
                                                    const std::string& password) {
    if (m_bUnattended) {
        return std::nullopt;
    }
    return CPasswordDlg::Ask(m_pWindow, mode, fileName, password);
}

std::optional<SAddMediaChoice> CTobCaseDoc::RunAddMediaDialog(int tab,
                                                              const std::string& lastDrive) {
    if (m_bUnattended) {
        return std::nullopt;
    }
    // The dialog offers the drives the drive table is built from, so the drive that
    // just arrived is among them.
    return CAddMediaDlg::Run(m_pWindow, tab, lastDrive, [this] { return m_drives.ReadDrives(); });
}

SMediaSelectAnswer CTobCaseDoc::RunMediaSelectDialog(const SMediaSelectRequest& request) {
    if (m_bUnattended) {
        return {};
    }
    return CMediaSelectDlg::Run(m_pWindow, request);
}

std::unique_ptr<SVolumeInfo> CTobCaseDoc::RunLoadingDialog(const std::string& osPath,
                                                           const std::string* label,
                                                           const std::string* comment, int mode) {
    m_lastChanges.Clear();
    return CCDInsertDlg::Run(m_pWindow, osPath, label, comment, mode, m_pArchiveLister,
                             m_pExtractors, &m_lastScanReport);
}

std::unique_ptr<SVolumeInfo> CTobCaseDoc::RunRescanDialog(const std::string& osPath,
                                                          const std::string* label,
                                                          const std::string* comment,
                                                          const SVolumeInfo& previous) {
    CCDInsertDlg dialog(osPath, label, comment, kAddRescan, m_pWindow, m_pArchiveLister);
    dialog.SetCommentExtractor(m_pExtractors);
    dialog.SetPrevious(&previous);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_lastScanReport = accepted ? dialog.Report() : CScanReport();
    m_lastChanges = accepted ? dialog.Changes() : CMediumChanges();
    return accepted ? dialog.TakeResult() : nullptr;
}

std::optional<std::string> CTobCaseDoc::AskFileName(const SFileDialogRequest& request) {
    if (m_bUnattended) {
        return std::nullopt;
    }
    QFileDialog dialog(m_pWindow, QString::fromStdString(request.m_strTitle));
    // Qt's own dialog everywhere: its filter labels are shown as given, and its texts
    // follow the program's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(request.m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& filter : request.m_filters) {
        filters << QtFilter(filter);
    }
    dialog.setNameFilters(filters);
    if (request.m_nSelectedFilter >= 0 && request.m_nSelectedFilter < filters.size()) {
        dialog.selectNameFilter(filters[request.m_nSelectedFilter]);
    }
    QString ext = QString::fromStdString(request.m_strDefaultExtension);
    if (ext.startsWith('.')) {
        dialog.setDefaultSuffix(ext.mid(1));
    }
    // A bare name starts in the last used folder; its extension becomes the default one.
    QString initial = QString::fromStdString(request.m_strInitialPath);
    QFileInfo info(initial);
    if (!initial.isEmpty()) {
        if (!ext.isEmpty() && !info.suffix().isEmpty()) {
            initial = info.path() + "/" + info.completeBaseName() + ext;
            info.setFile(initial);
        }
        if (!initial.contains('/') && !Config().m_strWorkSaveFolder.empty()) {
            dialog.setDirectory(QString::fromStdString(Config().m_strWorkSaveFolder));
        } else if (initial.contains('/')) {
            dialog.setDirectory(info.path());
        }
        dialog.selectFile(info.fileName());
    } else if (!Config().m_strWorkSaveFolder.empty()) {
        dialog.setDirectory(QString::fromStdString(Config().m_strWorkSaveFolder));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QString chosen = dialog.selectedFiles().front();
    if (!request.m_bOpen && QFileInfo(chosen).suffix().isEmpty()) {
        int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
        if (index >= 0) {
            chosen += QString::fromStdString(
                ExtensionOfPattern(request.m_filters[static_cast<std::size_t>(index)].second));
        }
    }
    Config().m_strWorkSaveFolder = QFileInfo(chosen).absolutePath().toStdString();
    return chosen.toStdString();
}

// --- IDocumentUi: views ---

SFileInfo* CTobCaseDoc::SelectedContainer() {
    return m_containerSource ? m_containerSource() : nullptr;
}

void CTobCaseDoc::CaseReplaced() {
    emit CaseChanged();
}

void CTobCaseDoc::RefreshTree() {
    emit TreeChanged();
}

void CTobCaseDoc::RecordAdded(SFileInfo& container, SFileInfo& record, bool expand) {
    emit MediaAdded(&container, &record, expand);
}

void CTobCaseDoc::RecordReplaced(SFileInfo& oldRecord, SFileInfo& newRecord) {
    emit MediumReplaced(&oldRecord, &newRecord);
}

void CTobCaseDoc::StartLabelEdit(SFileInfo& record) {
    emit LabelEditRequested(&record);
}

void CTobCaseDoc::DocumentStateChanged() {
    emit StateChanged();
}

} // namespace quillora
