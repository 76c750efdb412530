// What the case document needs from its user interface: message boxes, the password
// dialog, the add-media dialogs, the loading dialog, the file dialog, and the views
// it tells about changes. The desktop program implements it with dialogs; the
// command-line program and the tests with their own answers.
#pragma once

#include "core/Resources.h"
#include "model/SVolumeInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillora {

class CExportJob;
class CMediumChanges;
class CScanReport;
class SFileInfo;
class SVolumeInfo;
class SGroupInfo;

enum class MessageIcon { Information, Warning, Error, Question };

enum class PasswordMode {
    Check, // the case is protected: the dialog checks the text against the expected one
    Set,   // the user sets (or clears) the case's password
};

// What the add-media dialog answered.
struct SAddMediaChoice {
    int m_nTab = 0; // 0 the drives page, 1 the folder page
    int m_nDrivesListed = 0;
    std::string m_strDriveRoot; // the chosen drive's mount point
    std::string m_strDriveName; // its volume label (or "%04X-%04X" of its serial)
    std::uint32_t m_dwSerial = 0;
    std::string m_strFolder;  // the folder page's folder
    std::string m_strLabel;   // composed label
    std::string m_strComment; // composed comment
};

// The same-medium question: the new medium's label and drive, and the media of the
// case it may be.
struct SMediaSelectRequest {
    std::string m_strLabel;
    std::string m_strDriveName;
    std::uint32_t m_dwSerial = 0;
    std::vector<SVolumeInfo*> m_candidates;
};

struct SMediaSelectAnswer {
    enum Kind { Cancel = 0, Update = 1, Add = 2 } m_kind = Cancel;
    SVolumeInfo* m_pMedium = nullptr; // the medium to update
};

struct SFileDialogRequest {
    bool m_bOpen = true;
    std::string m_strTitle;
    std::string m_strInitialPath;
    // Pairs of description and patterns ("*.caz;*.cas"), in order.
    std::vector<std::pair<std::string, std::string>> m_filters;
    int m_nSelectedFilter = 0;
    std::string m_strDefaultExtension;
};

class IDocumentUi {
public:
    virtual ~IDocumentUi() = default;

    // --- Messages ---
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // A case file could not be opened, read, merged or written. `text` is the
    // program's message; `cause` names the file and says why in one line of plain
    // English, for front ends that word their own messages. Shows `text` by default.
    virtual void ShowFileError(const std::string& text, const std::string& /*cause*/) {
        ShowMessage(text, MessageIcon::Warning);
    }
    // The drive or folder to be added was not there when the scan was to start (it may
    // have gone since it was chosen). Shows message 545 by default; a front end that
    // speaks English words its own.
    virtual void ShowMediumMissing(const std::string& osPath) {
        ShowMessage(ResFormat(545, osPath.c_str()), MessageIcon::Warning);
    }
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual bool AskOkCancel(const std::string& text) = 0;

    // --- Dialogs ---
    // The password dialog. In Check mode it returns only a text equal to `password`
    // (the dialog itself refuses others); in Set mode the text entered (empty: no
    // password). nullopt when cancelled.
    virtual std::optional<std::string> AskPassword(PasswordMode mode, const std::string& fileName,
                                                   const std::string& password) = 0;
    // The add-media dialog on `tab` with `lastDrive` preselected; nullopt on Cancel.
    virtual std::optional<SAddMediaChoice> RunAddMediaDialog(int tab,
                                                             const std::string& lastDrive) = 0;
    virtual SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest& request) = 0;
    // Scans the folder or mount point `osPath` into a new medium while showing
    // progress (mode 1 drive, 2 folder, 3 re-scan); null when cancelled.
    virtual std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string& osPath,
                                                          const std::string* label,
                                                          const std::string* comment, int mode) = 0;
    // What the last RunLoadingDialog's scan could not read; its records are those of
    // the medium it returned. Null when the front end keeps no report.
    virtual const CScanReport* LastScanReport() const { return nullptr; }
    // Scans the medium at `osPath` again while showing progress, as a re-scan of
    // `previous`, the copy the case holds: files found unchanged are taken from it
    // instead of being read, and the changes are told (mode 3). Null when cancelled.
    // A front end that cannot compare scans the whole medium like RunLoadingDialog.
    virtual std::unique_ptr<SVolumeInfo> RunRescanDialog(const std::string& osPath,
                                                         const std::string* label,
                                                         const std::string* comment,
                                                         const SVolumeInfo& /*previous*/) {
        return RunLoadingDialog(osPath, label, comment, 3);
    }
    // What the last RunRescanDialog found changed; its records are those of the medium
    // it returned and of `previous`, so it is good until either changes. Null when the
    // front end compared nothing.
    virtual const CMediumChanges* LastScanChanges() const { return nullptr; }
    virtual std::optional<std::string> AskFileName(const SFileDialogRequest& request) = 0;
    // Shows what replacing the case's medium by an imported one would change (the
    // comparison of an import); true when the user goes ahead with the update. Asked
    // only when the import's "compare first" option is on; a front end without a
    // comparison view (the command line, which never sets the option) goes ahead.
    virtual bool ConfirmImportedMedium(const SVolumeInfo& /*caseMedium*/,
                                       const SVolumeInfo& /*imported*/) {
        return true;
    }
    // Runs `work`, an export or import of a long list, while showing the progress of
    // `job` with a way to cancel it (the work polls the job). The desktop runs it on a
    // worker thread under a modal dialog; without a window it simply runs.
    virtual void RunJob(const std::string& /*title*/, CExportJob& /*job*/,
                        const std::function<void()>& work) {
        work();
    }

    // --- Views ---
    // The group or the case selected in the tree; null means the case.
    virtual SFileInfo* SelectedContainer() { return nullptr; }
    // The whole case was replaced (new, open).
    virtual void CaseReplaced() {}
    // Presence, labels or structure changed: redraw the tree.
    virtual void RefreshTree() {}
    // A medium or group was added to `container`; select it (and expand it when asked).
    virtual void RecordAdded(SFileInfo& /*container*/, SFileInfo& /*record*/, bool /*expand*/) {}
    // `oldRecord` is about to be deleted; `newRecord` takes its place.
    virtual void RecordReplaced(SFileInfo& /*oldRecord*/, SFileInfo& /*newRecord*/) {}
    // A new group waits for its name to be edited.
    virtual void StartLabelEdit(SFileInfo& /*record*/) {}
    // The modified flag or the document's path changed.
    virtual void DocumentStateChanged() {}
};

// Writes the case in an export format (CSV, HTML, tree text) chosen by the file-type
// code of the path; the export issues provide it.
class ICaseExporter {
public:
    virtual ~ICaseExporter() = default;
    virtual bool Export(std::uint16_t fileTypeCode, const std::string& path, SFileInfo& root,
                        std::string* error) = 0;
};

} // namespace quillora
