// The case document without a user interface: it owns the open case, opens, saves
// and merges case files (asking for passwords through the UI), runs the add-media
// flows and re-scans, reacts to media arriving and leaving, and keeps the modified
// flag. The desktop program's document wraps it; the command line uses it directly.
#pragma once

#include "document/IDocumentUi.h"
#include "export/CCsvImporter.h"
#include "export/FormFormat.h"
#include "model/CCDCase.h"
#include "model/CCaseLock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace quillora {

class CDriveTable;
class CMediaPresence;
class SGroupInfo;

// Device events the document reacts to (the values the device notices carry).
inline constexpr int kDeviceArrival = 0x8000;
inline constexpr int kDeviceRemoveComplete = 0x8004;
inline constexpr int kDeviceTypeVolume = 2;

// Add modes of DoSetCD and the loading dialog.
inline constexpr int kAddFromDrive = 1;
inline constexpr int kAddFolder = 2;
inline constexpr int kAddRescan = 3;

class CCaseDocument {
public:
    // The UI, drive table and presence checker are not owned and must outlive the
    // document.
    CCaseDocument(IDocumentUi& ui, CDriveTable& drives, CMediaPresence& presence);
    ~CCaseDocument();

    CCDCase& Case() { return *m_pCase; }
    // At the program's end: lets the case go without freeing it record by record,
    // which takes seconds for a catalogue of millions of records while the system
    // takes the memory back at once. The case stays reachable (leak checkers see no
    // leak); the document holds a new, empty case. No view may hold its records.
    void AbandonCaseAtExit();
    const CCDCase& Case() const { return *m_pCase; }
    const std::string& PathName() const { return m_strPathName; }
    std::string Title() const;
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    bool IsBusy() const { return m_bBusy; }

    // Whether ".caz" files can be read and written (the LHA archiver is loaded).
    void SetArchivedCasesAvailable(bool available) { m_bCazAvailable = available; }
    void SetExporter(ICaseExporter* exporter) { m_pExporter = exporter; }
    // Whether the open case file is kept under a shared lock (on by default), so that
    // commands that change cases wait until it is closed. The command line, which
    // locks its cases itself, turns it off.
    void SetFileLocking(bool on);
    // Where the index of every case lives, to take each case file the document opens or
    // saves (right after the file is complete); nothing disables that. A failed save
    // leaves the index alone.
    void SetCaseIndexFolder(std::optional<std::string> folder) {
        m_indexFolder = std::move(folder);
    }

    // --- New, open, save ---
    // A new, empty case; while a failed open is being undone it keeps the case.
    void OnNewDocument();
    // Opens the case at `path`, asking for its password when it has one. On failure
    // the previous case stays open and the user has been told why.
    bool OnOpenDocument(const std::string& path);
    // Writes the case to `path` (atomically) and keeps that file as the document's.
    // Before the document's own file is replaced, asks when another program changed
    // it since it was loaded or saved, or holds it now. False after telling the user.
    bool OnSaveDocument(const std::string& path);
    // Save (replace set) or save a copy: asks for the name when `path` is empty,
    // refuses a read-only target before anything is written, and turns ".csv",
    // ".htm", ".html" and ".txt" names into exports.
    bool DoSave(const std::string& path, bool replace);
    // Saves to the document's path, or asks for one.
    bool Save() { return DoSave(m_strPathName, true); }
    // The open dialog: case files of both kinds while ".caz" files can be read, its
    // default extension ".caz" for a ".caz" document or with "AllwaysCompress" on.
    SFileDialogRequest OpenDialogRequest() const;

    // --- Changing the case ---
    // Merges the media and groups of another case file into the selected container.
    bool MergeCaseFile(const std::string& path);
    // Asks for a case file and merges it.
    bool MergeCaseFileAsk();
    // A new group "新規ｸﾞﾙｰﾌﾟ" in the selected container (the case or a group).
    SGroupInfo* AddGroup();
    // Pastes the media and groups of a clipboard payload into the group that holds
    // `selected` (the case when no group does, or nothing is selected). The payload is
    // read whole before the case changes; its complete records are appended (a damaged
    // payload is reported with how many of its records arrived), the presence of the
    // media is checked again, the tree refreshed and the case marked modified, also
    // for a payload of no records. Returns how many records were pasted.
    std::size_t PasteMedia(std::span<const std::uint8_t> payload, const SFileInfo* selected);
    // Sets or clears the case's password through the password dialog.
    bool SetPasswordAsk();
    // Changes the password directly (the command line's --set/--clear).
    void SetPassword(const std::string& password);

    // --- Adding media ---
    // Registers (mode 1, 2) or re-registers (mode 3, with `existing`) the medium at
    // the OS path `osPath`; the new medium, or null.
    SVolumeInfo* DoSetCD(const std::string& osPath, const std::string* label,
                         const std::string* comment, SVolumeInfo* existing, int mode);
    // The add-media dialog and what follows; 1 when a medium was added.
    int InsertCD();
    // Refused (0) while another add runs; fromDevice preselects the drive that was
    // just inserted, and opens nothing (0) when no watched drive took a medium.
    int InsertCDEx(bool fromDevice);
    int InsertFromDrive(int drivesListed, const std::string& driveRoot,
                        const std::string& driveName, std::uint32_t serial,
                        const std::string& label, const std::string& comment);
    int InsertFolder(const std::string& folder, const std::string& label,
                     const std::string& comment);
    // Adds media one after another until the user stops.
    void ContinuousAdd();
    // Re-scans a medium that is in a drive now; tells the user when it is not.
    SVolumeInfo* UpdateFromDrive(SVolumeInfo& medium);
    // The mount check: presence of every medium over all drives.
    void CheckMounts();

    // --- Lists out and in (CCaseDocumentLists.cpp) ---
    // Writes the subtree at `start` (the whole case when null) to `path` in a list
    // format with the format's current preset, showing progress. Tells the user when it
    // fails and how many characters the file's encoding could not hold.
    bool ExportList(EFormFormat format, const std::string& path, const SFileInfo* start = nullptr);
    // Reads a CSV or MediaMax file with the format's current preset and merges the media
    // it describes into the case. A file that does not read is reported by its first bad
    // line and changes nothing. False when nothing was added.
    bool ImportList(EFormFormat format, const std::string& path, bool showDiff,
                    EImportEncoding encoding = EImportEncoding::Detect);
    // Merges the media of an import into the case: when the case holds media the user
    // chooses for each to update one of them, add it or drop it. Returns the number of
    // media added or updated; the imported root is left empty.
    int MergeImportedMedia(CCDCase& imported, bool showDiff);

    // A medium arrived or left (event kDeviceArrival / kDeviceRemoveComplete).
    // True when handled.
    bool DoDeviceChange(int event, int deviceType);

    const std::string& LastDrive() const { return m_strLastDrive; }

private:
    enum class LoadResult { Ok, Failed, BadPassword };
    LoadResult LoadCase(const std::string& path);
    bool SaveTo(const std::string& path, bool becomesDocumentFile);
    bool LockForSave(CCaseLock& lock, const std::string& path);
    // Takes the shared lock an open case keeps; false when another program holds the
    // file and the user chose not to wait for it.
    bool LockForOpen(CCaseLock& lock, const std::string& path);
    void RelockDocumentFile();
    void ReplaceCase(std::unique_ptr<CCDCase> root, const std::string& path);
    SFileInfo& TargetContainer();
    bool ExportTo(std::uint16_t code, const std::string& path);
    // An imported medium that is to update `existing` takes its place: the level named
    // like its original label is stripped and its volume fields are copied in.
    void PrepareImported(const SVolumeInfo& existing, SVolumeInfo& imported);
    SVolumeInfo* ReplaceWithImported(SVolumeInfo& existing, std::unique_ptr<SVolumeInfo> imported);
    std::optional<std::string> AskSaveName(const std::string& initial, bool replace);

    IDocumentUi& m_ui;
    CDriveTable& m_drives;
    CMediaPresence& m_presence;
    ICaseExporter* m_pExporter = nullptr;
    std::unique_ptr<CCDCase> m_pCase;
    std::string m_strPathName;
    std::string m_strLastDrive;
    bool m_bModified = false;
    bool m_bLoading = false;
    bool m_bBusy = false;
    bool m_bCazAvailable = false;
    bool m_bLocking = true;
    // A shared lock on the document's file while one is open.
    CCaseLock m_lock;
    // The document's file as it was loaded or last saved.
    std::optional<SCaseFileFacts> m_loadedFacts;
    std::optional<std::string> m_indexFolder;

    // Takes the open case, just read from or written to `path`, into the index.
    void UpdateCaseIndex(const std::string& path);
};

} // namespace quillora
