// The program's document: the case document core with the desktop's answers to its
// questions (message boxes, the file dialog, the dialogs of the add-media flows) and
// Qt signals that keep the views in step with the case.
#pragma once

#include "document/CCaseDocument.h"
#include "scan/IMediumPrompt.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <QObject>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace quillora {

class CArchiveExpander;
class CExtractTextManager;
class IArchiveLister;

class CDriveTable;
class CMediaPresence;

class CTobCaseDoc : public QObject, public IDocumentUi, public IMediumPrompt {
    Q_OBJECT
public:
    // The drive table and presence checker are not owned and must outlive the document.
    CTobCaseDoc(CDriveTable& drives, CMediaPresence& presence, QObject* parent = nullptr);
    ~CTobCaseDoc() override;

    CCaseDocument& Core() { return *m_pCore; }
    CCDCase& Case() { return m_pCore->Case(); }
    CMediaPresence& Presence() { return m_presence; }
    CDriveTable& Drives() { return m_drives; }

    // The window message boxes and dialogs belong to (may be null).
    void SetWindow(QWidget* window) { m_pWindow = window; }
    // Where the document asks for the tree's selected container.
    void SetContainerSource(std::function<SFileInfo*()> source) {
        m_containerSource = std::move(source);
    }
    // When set, every question is answered as if by its default button and every
    // message is only logged: for tests that drive the program without a user.
    void SetUnattended(bool unattended) { m_bUnattended = unattended; }
    // The archive expansion scans list archives through (not owned; may be null).
    void SetArchiveLister(IArchiveLister* lister) { m_pArchiveLister = lister; }
    // The expander scans list archives through and extractions take members out of
    // them with (not owned; may be null). Also becomes the archive lister.
    void SetArchiveExpander(CArchiveExpander* expander);
    // The expander, with the archive options of the configuration as it stands now.
    CArchiveExpander* ArchiveExpander() const;
    // Gives the expander the configuration's archive options.
    void UpdateArchiveOptions() const;
    // The comment extractors of scans and of the extraction commands (not owned; may
    // be null).
    void SetExtractors(CExtractTextManager* extractors) { m_pExtractors = extractors; }
    CExtractTextManager* Extractors() const { return m_pExtractors; }

    // The title bar text: the case's name and " *" while modified.
    QString WindowTitle() const;

    // --- Document commands ---
    void OnFileNew();
    void OnFileOpen();
    // Opens `path` after asking to save the current case; false when it failed or
    // the user kept the current case.
    bool OpenPath(const std::string& path);
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnMergeCase();
    void OnAddGroup();
    void OnSetPassword();
    void OnInsertMedia();
    void OnContinuousAdd();
    void OnCheckMounts();
    void OnUpdateFromDrive(SFileInfo* record);
    // Asks to save a modified case; false when the user cancels.
    bool SaveModified();
    // A medium arrived or left (called through the event loop, never from the monitor).
    // DrivesChanged follows the document's reaction (which may be a dialog).
    void OnDeviceChange(int event, int deviceType);
    // While held, device changes wait and are handled (in order) after the last hold
    // ends: a command that keeps records of the case across dialogs (an extraction)
    // must not see a re-scan delete them under it. Holds nest.
    void HoldDeviceChanges(bool hold);

    // --- IDocumentUi ---
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    std::optional<std::string> AskPassword(PasswordMode mode, const std::string& fileName,
                                           const std::string& password) override;
    std::optional<SAddMediaChoice> RunAddMediaDialog(int tab,
                                                     const std::string& lastDrive) override;
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest& request) override;
    const CScanReport* LastScanReport() const override { return &m_lastScanReport; }
    std::unique_ptr<SVolumeInfo> RunRescanDialog(const std::string& osPath,
                                                 const std::string* label,
                                                 const std::string* comment,
                                                 const SVolumeInfo& previous) override;
    const CMediumChanges* LastScanChanges() const override { return &m_lastChanges; }
    std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string& osPath,
                                                  const std::string* label,
                                                  const std::string* comment, int mode) override;
    std::optional<std::string> AskFileName(const SFileDialogRequest& request) override;
    void RunJob(const std::string& title, CExportJob& job,
                const std::function<void()>& work) override;
    bool ConfirmImportedMedium(const SVolumeInfo& caseMedium, const SVolumeInfo& imported) override;
    SFileInfo* SelectedContainer() override;
    void CaseReplaced() override;
    void RefreshTree() override;
    void RecordAdded(SFileInfo& container, SFileInfo& record, bool expand) override;
    void RecordReplaced(SFileInfo& oldRecord, SFileInfo& newRecord) override;
    void StartLabelEdit(SFileInfo& record) override;
    void DocumentStateChanged() override;

    // --- IMediumPrompt ---
    bool AskForMedium(const std::string& text) override;

    // The text shown where a dialog of the program is not built yet.
    static const char* NotAvailableText();

signals:
    void CaseChanged();
    void TreeChanged();
    void MediaAdded(SFileInfo* container, SFileInfo* record, bool expand);
    void MediumReplaced(SFileInfo* oldRecord, SFileInfo* newRecord);
    void LabelEditRequested(SFileInfo* record);
    void StateChanged();
    // The drive table was refreshed (the eject menus follow it).
    void DrivesChanged();
    // A case file was opened or saved under this path (for the recent-file list).
    void PathUsed(const QString& path);
    // Opening this path failed (it leaves the recent-file list).
    void PathFailed(const QString& path);

private:
    void NotAvailable(const char* what);

    CDriveTable& m_drives;
    CMediaPresence& m_presence;
    std::unique_ptr<CCaseDocument> m_pCore;
    QWidget* m_pWindow = nullptr;
    std::function<SFileInfo*()> m_containerSource;
    bool m_bUnattended = false;
    IArchiveLister* m_pArchiveLister = nullptr;
    CScanReport m_lastScanReport;
    CMediumChanges m_lastChanges;
    CArchiveExpander* m_pExpander = nullptr;
    CExtractTextManager* m_pExtractors = nullptr;
    int m_nDeviceHolds = 0;
    std::vector<std::pair<int, int>> m_heldDeviceChanges;
};

} // namespace quillora
