// The case document: open, save, merge, the add flows and device reactions.
#include "document/CCaseDocument.h"

#include "core/ConfigData.h"
#include "core/FileTypeCode.h"
#include "core/Resources.h"
#include "core/TraceLog.h"
#include "document/JobOptions.h"
#include "export/ListFormats.h"
#include "index/CCaseIndex.h"
#include "index/OpenCaseIndex.h"
#include "model/CaseEditing.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "model/CaseSchema.h"
#include "model/FileException.h"
#include "model/SGroupInfo.h"
#include "model/StoredContents.h"
#include "model/UserDataTransfer.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"
#include "scan/VolumeScanner.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace quillora {

namespace {

// Titles of the save dialog; the program never numbered these texts.
constexpr const char* kSaveTitle = "名前を付けて保存";
constexpr const char* kSaveCopyTitle = "ｺﾋﾟｰを保存";
// Questions before the document's own file is replaced.
constexpr const char* kChangedOnDisk =
    "%s\nこのﾌｧｲﾙは読み込んだ後に他のﾌﾟﾛｸﾞﾗﾑによって変更されています。\n上書きして保存しますか？";
constexpr const char* kInUseElsewhere =
    "%s\nこのﾌｧｲﾙは他のﾌﾟﾛｸﾞﾗﾑが使用中です。\nこのまま保存しますか？";
constexpr const char* kInUseWait =
    "%s\nこのﾌｧｲﾙは他のﾌﾟﾛｸﾞﾗﾑが使用中です。\n終わるまで待って開きますか？";
// How long a save waits for another program to let go of the file (in steps of 50 ms):
// the command line's edits take a moment.
constexpr int kLockAttempts = 20;

std::string Formatted(const char* pattern, const std::string& path) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, path);
    return text;
}

std::string FileNameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The reason of a failure as a second line under the program's own message.
std::string WithReason(int resourceId, const std::exception& error, const std::string& path) {
    return std::string(Res(resourceId)) + "\n" + DescribeCaseError(error, path);
}

} // namespace

CCaseDocument::CCaseDocument(IDocumentUi& ui, CDriveTable& drives, CMediaPresence& presence)
    : m_ui(ui), m_drives(drives), m_presence(presence), m_pCase(std::make_unique<CCDCase>()) {}

CCaseDocument::~CCaseDocument() = default;

void CCaseDocument::AbandonCaseAtExit() {
    // Never freed, on purpose: the list keeps the abandoned cases reachable.
    static auto* abandoned = new std::vector<CCDCase*>();
    abandoned->push_back(m_pCase.release());
    m_pCase = std::make_unique<CCDCase>();
}

std::string CCaseDocument::Title() const {
    return m_pCase->GetDisplayName();
}

void CCaseDocument::SetModifiedFlag(bool modified) {
    m_bModified = modified;
    m_ui.DocumentStateChanged();
}

SFileInfo& CCaseDocument::TargetContainer() {
    SFileInfo* selected = m_ui.SelectedContainer();
    if (selected && selected->HasFlags(kFlagGroup | kFlagCase)) {
        return *selected;
    }
    return *m_pCase;
}

void CCaseDocument::ReplaceCase(std::unique_ptr<CCDCase> root, const std::string& path) {
    m_pCase = std::move(root);
    m_strPathName = path;
    m_ui.CaseReplaced();
}

// --- New and open ---

void CCaseDocument::OnNewDocument() {
    if (m_bLoading) {
        m_bLoading = false;
        return;
    }
    ReplaceCase(std::make_unique<CCDCase>(), {});
    m_lock.Release();
    m_loadedFacts.reset();
    SetModifiedFlag(false);
}

void CCaseDocument::SetFileLocking(bool on) {
    m_bLocking = on;
    if (!on) {
        m_lock.Release();
    }
}

CCaseDocument::LoadResult CCaseDocument::LoadCase(const std::string& path) {
    // Held while the case stays open. A command changing the file right now leaves it
    // unlocked; the check before saving still sees what that command did.
    CCaseLock lock;
    if (m_bLocking && !LockForOpen(lock, path)) {
        return LoadResult::Failed;
    }
    std::optional<SCaseFileFacts> facts =
        lock.IsHeld() ? std::optional(lock.Facts()) : SCaseFileFacts::OfPath(path);
    std::unique_ptr<ICaseStream> stream;
    try {
        stream = OpenCaseStream(path, kOpenForLoad, false);
    } catch (const std::exception& e) {
        const auto* caseError = dynamic_cast<const CCaseFileException*>(&e);
        m_ui.ShowFileError(caseError && caseError->m_nMessageKind == 1 ? caseError->Message()
                                                                       : WithReason(61697, e, path),
                           DescribeCaseError(e, path));
        return LoadResult::Failed;
    }
    Log("CTobCaseDoc::OnOpenDocument() ファイルステータスの取得");
    std::uint64_t length = stream->GetLength();
    try {
        if (length != 0) {
            m_bLoading = true;
            Log("CTobCaseDoc::Serialize() start");
            Log("CTobCaseDoc::Serialize() Serialize");
            std::unique_ptr<CCDCase> root = CCDCase::Read(*stream, path);
            Log("CTobCaseDoc::Serialize() 装着ドライブ確認");
            m_presence.CheckDeviceIN(*root);
            Log("CTobCaseDoc::Serialize() read ok");
            Log("CTobCaseDoc::Serialize() end");
            m_bLoading = false;
            stream->Close();
            ReplaceCase(std::move(root), path);
        } else {
            // An empty file opens and leaves the current case in place.
            stream->Close();
            m_strPathName = path;
        }
        m_lock = std::move(lock);
        m_loadedFacts = facts;
        return LoadResult::Ok;
    } catch (const std::exception& e) {
        m_bLoading = false;
        Log("CTobCaseDoc::LoadCase() CATCH_ALL");
        stream->Abort();
        const auto* caseError = dynamic_cast<const CCaseFileException*>(&e);
        bool badPassword = caseError && caseError->IsBadPassword();
        LogFormat("CTobCaseDoc::LoadCase() CATCH_ALL bBadPassword = %d", badPassword ? 1 : 0);
        if (!badPassword) {
            m_ui.ShowFileError(caseError && caseError->m_nMessageKind == 1
                                   ? caseError->Message()
                                   : WithReason(61697, e, path),
                               DescribeCaseError(e, path));
        }
        Log("CTobCaseDoc::LoadCase() CATCH_ALL DELETE_EXCEPTION");
        return badPassword ? LoadResult::BadPassword : LoadResult::Failed;
    }
}

bool CCaseDocument::OnOpenDocument(const std::string& path) {
    LogFormat("CTobCaseDoc::OnOpenDocument(%s) start", path.c_str());
    std::string previousTry = TryPassword();
    LoadResult result = LoadCase(path);
    if (result == LoadResult::BadPassword) {
        Log("CTobCaseDoc::OnOpenDocument() LoadCase faild");
        Log("CTobCaseDoc::OnOpenDocument() LoadCase パスワード認証失敗");
        std::optional<std::string> entered =
            m_ui.AskPassword(PasswordMode::Check, path, TryPassword());
        if (entered) {
            SetTryPassword(*entered);
            result = LoadCase(path);
            if (result == LoadResult::BadPassword) {
                m_ui.ShowMessage(Res(544), MessageIcon::Warning);
            }
        }
    } else if (result == LoadResult::Failed) {
        Log("CTobCaseDoc::OnOpenDocument() LoadCase faild");
    }
    if (result != LoadResult::Ok) {
        SetTryPassword(previousTry);
        return false;
    }
    SetModifiedFlag(false);
    UpdateCaseIndex(path);
    LogFormat("CTobCaseDoc::OnOpenDocument(%s) end", path.c_str());
    return true;
}

// --- Save ---

bool CCaseDocument::OnSaveDocument(const std::string& path) {
    return SaveTo(path, true);
}

bool CCaseDocument::LockForOpen(CCaseLock& lock, const std::string& path) {
    // A command that is changing the case holds it exclusively: the case is read once
    // it is done (it takes a moment, or the user chooses to wait), never half-way and
    // never without the lock that keeps the next command waiting for this window.
    for (int attempt = 0;; ++attempt) {
        CCaseLock::EResult result = CCaseLock::EResult::NoFile;
        try {
            result = lock.Acquire(path, CCaseLock::EKind::Shared, false);
        } catch (const std::exception&) {
            return true; // opening the file says what is wrong with it
        }
        if (result != CCaseLock::EResult::Busy) {
            return true;
        }
        if (attempt + 1 == kLockAttempts) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!m_ui.AskYesNo(Formatted(kInUseWait, path))) {
        return false;
    }
    try {
        lock.Acquire(path, CCaseLock::EKind::Shared, true);
    } catch (const std::exception&) {
        // Opening the file says what is wrong with it.
    }
    return true;
}

bool CCaseDocument::LockForSave(CCaseLock& lock, const std::string& path) {
    if (!m_bLocking) {
        return true;
    }
    for (int attempt = 0;; ++attempt) {
        CCaseLock::EResult result = CCaseLock::EResult::NoFile;
        try {
            result = lock.Acquire(path, CCaseLock::EKind::Exclusive, false);
        } catch (const std::exception&) {
            // Saving says what is wrong with the target.
            return true;
        }
        if (result != CCaseLock::EResult::Busy) {
            return true;
        }
        if (attempt + 1 == kLockAttempts) {
            return m_ui.AskYesNo(Formatted(kInUseElsewhere, path));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void CCaseDocument::RelockDocumentFile() {
    if (!m_bLocking || m_lock.IsHeld() || m_strPathName.empty()) {
        return;
    }
    try {
        m_lock.Acquire(m_strPathName, CCaseLock::EKind::Shared, false);
    } catch (const std::exception&) {
        m_lock.Release();
    }
}

bool CCaseDocument::SaveTo(const std::string& path, bool becomesDocumentFile) {
    const bool ownFile = !m_strPathName.empty() && path == m_strPathName;
    // Our own shared lock would keep our exclusive one out.
    if (ownFile) {
        m_lock.Release();
    }
    CCaseLock writeLock;
    if (!LockForSave(writeLock, path)) {
        RelockDocumentFile();
        return false;
    }
    if (ownFile && m_loadedFacts) {
        std::optional<SCaseFileFacts> now = SCaseFileFacts::OfPath(path);
        if (now && *now != *m_loadedFacts && !m_ui.AskYesNo(Formatted(kChangedOnDisk, path))) {
            RelockDocumentFile();
            return false;
        }
    }
    std::unique_ptr<ICaseStream> stream;
    try {
        stream = OpenCaseStream(path, kOpenForSave, Config().m_nCasCompress != 0);
    } catch (const std::exception& e) {
        const auto* fileError = dynamic_cast<const CFileException*>(&e);
        int message = fileError && fileError->m_cause == CFileException::badPath ? 61696 : 61698;
        m_ui.ShowFileError(WithReason(message, e, path), DescribeCaseError(e, path));
        RelockDocumentFile();
        return false;
    }
    std::string previousName = m_pCase->m_strName;
    CUniqueFd written;
    try {
        Log("CTobCaseDoc::Serialize() start");
        m_pCase->m_strName = FullCasePath(path);
        m_pCase->UpdateDisplayNameTree(false);
        m_pCase->Write(*stream);
        stream->Close();
        written = stream->TakeWrittenFile();
        Log("CTobCaseDoc::Serialize() end");
    } catch (const std::exception& e) {
        stream->Abort();
        m_pCase->m_strName = previousName;
        m_pCase->UpdateDisplayNameTree(false);
        m_ui.ShowFileError(WithReason(61698, e, path), DescribeCaseError(e, path));
        RelockDocumentFile();
        return false;
    }
    m_pCase->TakeFileFacts();
    if (becomesDocumentFile) {
        if (m_bLocking) {
            m_lock.Adopt(std::move(written), CCaseLock::EKind::Shared);
            if (!m_lock.IsHeld()) {
                try {
                    m_lock.Acquire(path, CCaseLock::EKind::Shared, false);
                } catch (const std::exception&) {
                    m_lock.Release();
                }
            }
        }
        m_loadedFacts =
            m_lock.IsHeld() ? std::optional(m_lock.Facts()) : SCaseFileFacts::OfPath(path);
    } else {
        RelockDocumentFile();
    }
    SetModifiedFlag(false);
    UpdateCaseIndex(path);
    return true;
}

void CCaseDocument::UpdateCaseIndex(const std::string& path) {
    if (!m_indexFolder) {
        return;
    }
    // The case is safely on disk either way; an index that cannot take it is only
    // logged, and the next locate or update reads the file instead.
    try {
        OpenIndexAt(*m_indexFolder)->TakeOpenCase(*m_pCase, path);
    } catch (const std::exception& e) {
        LogFormat("CCaseDocument: the index was not updated for %s: %s", path.c_str(), e.what());
    }
}

std::optional<std::string> CCaseDocument::AskSaveName(const std::string& initial, bool replace) {
    SFileDialogRequest request;
    request.m_bOpen = false;
    request.m_strTitle = replace ? kSaveTitle : kSaveCopyTitle;
    request.m_strInitialPath = initial;
    bool caz = FileTypeCode(FileNameOf(initial)) == kFtCaz || Config().m_nAllwaysCompress != 0;
    request.m_filters.emplace_back("Caseﾌｧｲﾙ(*.cas)", "*.cas");
    request.m_strDefaultExtension = ".cas";
    if (m_bCazAvailable) {
        request.m_filters.emplace_back("Case圧縮ﾌｧｲﾙ(*.caz)", "*.caz");
        if (caz) {
            request.m_nSelectedFilter = 1;
            request.m_strDefaultExtension = ".caz";
        }
    }
    request.m_filters.emplace_back("CSV形式(*.csv)", "*.csv");
    request.m_filters.emplace_back("HTML形式(*.htm)", "*.htm");
    request.m_filters.emplace_back("Tree形式(*.txt)", "*.txt");
    request.m_filters.emplace_back(Res(61442), "*.*");
    return m_ui.AskFileName(request);
}

SFileDialogRequest CCaseDocument::OpenDialogRequest() const {
    SFileDialogRequest request;
    request.m_bOpen = true;
    request.m_strTitle = Res(61440);
    request.m_strDefaultExtension = ".cas";
    if (m_bCazAvailable) {
        request.m_filters.emplace_back("Caseﾌｧｲﾙ(*.caz,*.cas)", "*.caz;*.cas");
        if (FileTypeCode(FileNameOf(m_strPathName)) == kFtCaz || Config().m_nAllwaysCompress != 0) {
            request.m_strDefaultExtension = ".caz";
        }
    } else {
        request.m_filters.emplace_back("Caseﾌｧｲﾙ(*.cas)", "*.cas");
    }
    request.m_filters.emplace_back(Res(61442), "*.*");
    return request;
}

bool CCaseDocument::ExportTo(std::uint16_t code, const std::string& path) {
    if (m_pExporter) {
        std::string error;
        if (!m_pExporter->Export(code, path, *m_pCase, &error)) {
            m_ui.ShowMessage(path + "\n" + error, MessageIcon::Warning);
            return false;
        }
        return true;
    }
    std::optional<EFormFormat> format = SaveExportFormat(code);
    return format && ExportList(*format, path);
}

bool CCaseDocument::DoSave(const std::string& path, bool replace) {
    std::string target = path;
    if (target.empty()) {
        std::string initial = m_strPathName;
        if (initial.empty() && replace) {
            std::string title = Title();
            initial = title.substr(0, title.find_first_of(" #%;/\\")) + ".cas";
        }
        std::optional<std::string> chosen = AskSaveName(initial, replace);
        if (!chosen) {
            return false;
        }
        target = *chosen;
    }
    if (IsReadOnlyFile(target)) {
        m_ui.ShowMessage(Res(524), MessageIcon::Warning);
        return false;
    }
    std::uint16_t code = FileTypeCode(FileNameOf(target));
    if (code == kFtCsv || code == kFtHtml || code == kFtTxt) {
        return ExportTo(code, target);
    }
    if (code == kFtCaz && !m_bCazAvailable) {
        m_ui.ShowMessage(std::string(Res(61698)) + "\n" + target, MessageIcon::Warning);
        return false;
    }
    if (!SaveTo(target, replace)) {
        return false;
    }
    if (replace) {
        m_strPathName = target;
        m_ui.DocumentStateChanged();
        m_ui.RefreshTree();
    }
    return true;
}

// --- Merge, groups, password ---

namespace {

// Whether the records below `top` can move into `container` and still be stored.
bool FitsBelow(const SFileInfo& container, const SFileInfo& top) {
    int level = 0;
    for (const SFileInfo* r = container.GetParent(); r; r = r->GetParent()) {
        ++level;
    }
    return DeepestParentLevel(top) + level < kMaxTreeDepth;
}

} // namespace

bool CCaseDocument::MergeCaseFile(const std::string& path) {
    std::string previousTry = TryPassword();
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> other = ReadCaseFile(path, previousTry, &badPassword, &error);
    if (!other && badPassword) {
        std::optional<std::string> entered =
            m_ui.AskPassword(PasswordMode::Check, path, TryPassword());
        if (entered) {
            other = ReadCaseFile(path, *entered, &badPassword, &error);
        }
    }
    if (!other) {
        m_ui.ShowFileError(ResFormat(521, FileNameOf(path).c_str()) +
                               (error.empty() ? std::string() : "\n" + error),
                           error.empty() ? path + ": cannot be read" : error);
        SetTryPassword(previousTry);
        return false;
    }
    SFileInfo& container = TargetContainer();
    if (!FitsBelow(container, *other)) {
        const std::string reason = path + ": its records would be nested deeper than a case " +
                                   "file can hold (" + std::to_string(kMaxTreeDepth) +
                                   " levels) in this group";
        m_ui.ShowFileError(ResFormat(521, FileNameOf(path).c_str()) + "\n" + reason, reason);
        return false;
    }
    while (std::unique_ptr<SFileInfo> record = other->TakeFirst()) {
        SFileInfo* added = container.AddChild(std::move(record));
        m_ui.RecordAdded(container, *added, false);
    }
    container.RecalcSize(false);
    m_presence.CheckDeviceIN(*m_pCase);
    m_ui.RefreshTree();
    SetModifiedFlag(true);
    return true;
}

bool CCaseDocument::MergeCaseFileAsk() {
    SFileDialogRequest request;
    request.m_strTitle = Res(290);
    if (m_bCazAvailable) {
        request.m_filters.emplace_back("Caseﾌｧｲﾙ(*.caz,*.cas)", "*.caz;*.cas");
    } else {
        request.m_filters.emplace_back("Caseﾌｧｲﾙ(*.cas)", "*.cas");
    }
    request.m_filters.emplace_back(Res(61442), "*.*");
    std::optional<std::string> chosen = m_ui.AskFileName(request);
    return chosen && MergeCaseFile(*chosen);
}

SGroupInfo* CCaseDocument::AddGroup() {
    SFileInfo& container = TargetContainer();
    auto* group = static_cast<SGroupInfo*>(container.AddChild(std::make_unique<SGroupInfo>()));
    group->SetLabel(Res(531));
    group->UpdateDisplayName();
    m_ui.RecordAdded(container, *group, false);
    m_ui.StartLabelEdit(*group);
    SetModifiedFlag(true);
    return group;
}

bool CCaseDocument::SetPasswordAsk() {
    std::optional<std::string> entered =
        m_ui.AskPassword(PasswordMode::Set, m_strPathName, m_pCase->m_strPassword);
    if (!entered || *entered == m_pCase->m_strPassword) {
        return false;
    }
    SetPassword(*entered);
    return true;
}

void CCaseDocument::SetPassword(const std::string& password) {
    m_pCase->m_strPassword = password;
    SetModifiedFlag(true);
}

// --- Adding media ---

SVolumeInfo* CCaseDocument::DoSetCD(const std::string& osPath, const std::string* label,
                                    const std::string* comment, SVolumeInfo* existing, int mode) {
    LogFormat("CTobCaseDoc::DoSetCD(%s)", osPath.c_str());
    if (!PathExists(osPath)) {
        m_ui.ShowMediumMissing(osPath);
        return nullptr;
    }
    const bool rescan = existing && existing->GetParent();
    std::unique_ptr<SVolumeInfo> scanned =
        rescan ? m_ui.RunRescanDialog(osPath, label, comment, *existing)
               : m_ui.RunLoadingDialog(osPath, label, comment, mode);
    if (!scanned) {
        return nullptr;
    }
    SVolumeInfo* added = nullptr;
    if (!existing || !existing->GetParent()) {
        SFileInfo& container = TargetContainer();
        added = static_cast<SVolumeInfo*>(container.AddChild(std::move(scanned)));
        container.RecalcSize(false);
        m_ui.RecordAdded(container, *added, Config().m_nAddVolMediaExpand != 0);
        SetModifiedFlag(true);
        return added;
    }
    SFileInfo& parent = *existing->GetParent();
    added = static_cast<SVolumeInfo*>(parent.InsertBefore(existing, std::move(scanned)));
    TransferUserData(*added, *existing, kTransferReplace);
    // A file moved or renamed on the medium keeps what the user gave it too.
    if (const CMediumChanges* changes = m_ui.LastScanChanges()) {
        for (const SMediumChange& change : changes->Changes()) {
            if (change.m_kind == ChangeKind::Moved && HasUserData(*change.m_old)) {
                CarryUserData(*change.m_new, *change.m_old, kTransferReplace);
            }
        }
        LogFormat("CTobCaseDoc::DoSetCD() %s", changes->Summary().c_str());
    }
    // What the scan could not read is kept as it was, with the user's data.
    if (const CScanReport* report = m_ui.LastScanReport()) {
        const std::size_t kept = KeepUnreadFolders(*added, *existing, report->FoldersNotRead());
        LogFormat("CTobCaseDoc::DoSetCD() %zu records kept below folders not read", kept);
    }
    if (label) {
        added->m_strLabel = *label;
    }
    if (comment) {
        added->SetComment(*comment);
    }
    added->UpdateDisplayNameTree(true);
    added->RecalcSize(true);
    CVolumeScanner::UpdateDiskSpace(*added);
    m_ui.RecordReplaced(*existing, *added);
    parent.RemoveChild(existing);
    m_ui.RecordAdded(parent, *added, Config().m_nAddVolMediaExpand != 0);
    SetModifiedFlag(true);
    return added;
}

int CCaseDocument::InsertCD() {
    Log("CTobCaseDoc::InsertCD()");
    CConfigData& config = Config();
    std::optional<SAddMediaChoice> choice =
        m_ui.RunAddMediaDialog(config.m_nAddVolPage, m_strLastDrive);
    if (!choice) {
        return 0;
    }
    config.m_nAddVolPage = choice->m_nTab;
    int result = 0;
    if (choice->m_nTab == 0) {
        m_strLastDrive = choice->m_strDriveRoot;
        result =
            InsertFromDrive(choice->m_nDrivesListed, choice->m_strDriveRoot, choice->m_strDriveName,
                            choice->m_dwSerial, choice->m_strLabel, choice->m_strComment);
    } else if (choice->m_nTab == 1) {
        result = InsertFolder(choice->m_strFolder, choice->m_strLabel, choice->m_strComment);
    }
    if (result != 0 && config.m_nAutoSave != 0) {
        Save();
    }
    return result;
}

int CCaseDocument::InsertCDEx(bool fromDevice) {
    LogFormat("CTobCaseDoc::InsertCDEx(%d)", fromDevice ? 1 : 0);
    if (m_bBusy) {
        return 0;
    }
    if (fromDevice) {
        // Offer only the drive a medium was just inserted into; when none of the
        // watched drives took one, there is nothing to add.
        SDriveEntry arrived;
        if (!m_drives.FirstChangedPresentDrive(arrived, DriveChoiceFrom(Config()))) {
            Log("CTobCaseDoc::InsertCDEx() no medium arrived in a watched drive");
            return 0;
        }
        Config().m_nAddVolPage = 0;
        m_strLastDrive = arrived.m_root;
    }
    m_bBusy = true;
    int result = InsertCD();
    m_bBusy = false;
    return result;
}

int CCaseDocument::InsertFromDrive(int drivesListed, const std::string& driveRoot,
                                   const std::string& driveName, std::uint32_t serial,
                                   const std::string& label, const std::string& comment) {
    if (drivesListed == 0) {
        m_ui.ShowMessage(Res(129), MessageIcon::Warning);
        return 0;
    }
    SMediaSelectRequest request;
    request.m_strLabel = label;
    request.m_strDriveName = driveName;
    request.m_dwSerial = serial;
    for (SVolumeInfo* medium : CMediaPresence::CollectMedia(*m_pCase)) {
        if (medium->m_strName.empty() && medium->MatchMedium(serial, &driveName)) {
            request.m_candidates.push_back(medium);
        }
    }
    SVolumeInfo* existing = nullptr;
    int mode = kAddFromDrive;
    std::string useLabel = label;
    if (!request.m_candidates.empty()) {
        SMediaSelectAnswer answer = m_ui.RunMediaSelectDialog(request);
        if (answer.m_kind == SMediaSelectAnswer::Update && answer.m_pMedium) {
            existing = answer.m_pMedium;
            mode = kAddRescan;
            useLabel = existing->m_strLabel;
        } else if (answer.m_kind != SMediaSelectAnswer::Add) {
            return 0;
        }
    }
    m_presence.CheckDeviceIN(*m_pCase);
    m_ui.RefreshTree();
    // An empty composed comment is no comment given: an update keeps the medium's own.
    return DoSetCD(driveRoot, &useLabel, comment.empty() ? nullptr : &comment, existing, mode) ? 1
                                                                                               : 0;
}

int CCaseDocument::InsertFolder(const std::string& folder, const std::string& label,
                                const std::string& comment) {
    if (folder.empty()) {
        m_ui.ShowMessage(Res(297), MessageIcon::Warning);
        return 0;
    }
    m_presence.CheckDeviceIN(*m_pCase);
    m_ui.RefreshTree();
    return DoSetCD(folder, &label, comment.empty() ? nullptr : &comment, nullptr, kAddFolder) ? 1
                                                                                              : 0;
}

void CCaseDocument::ContinuousAdd() {
    if (m_bBusy) {
        return;
    }
    m_bBusy = true;
    while (InsertCD() != 0 && m_ui.AskOkCancel(Res(244))) {
    }
    m_bBusy = false;
}

void CCaseDocument::CheckMounts() {
    m_presence.CheckDeviceIN(*m_pCase);
    m_ui.RefreshTree();
}

SVolumeInfo* CCaseDocument::UpdateFromDrive(SVolumeInfo& medium) {
    CheckMounts();
    if (!medium.MatchMedium(0, nullptr)) {
        m_ui.ShowMessage(Res(209), MessageIcon::Warning);
        return nullptr;
    }
    return DoSetCD(RecordOsPath(medium), nullptr, nullptr, &medium, kAddRescan);
}

bool CCaseDocument::DoDeviceChange(int event, int deviceType) {
    Log("CTobCaseDoc::DoDeviceChange()");
    m_drives.RefreshDriveTable();
    if (deviceType != kDeviceTypeVolume) {
        return false;
    }
    if (event == kDeviceArrival) {
        SVolumeInfo* arrived = m_presence.CheckDeviceIN(*m_pCase, "AB");
        if (arrived) {
            // A re-scan is an add too: never two at once.
            if (!m_bBusy && m_ui.AskYesNo(Res(514))) {
                m_bBusy = true;
                DoSetCD(RecordOsPath(*arrived), nullptr, nullptr, arrived, kAddRescan);
                m_bBusy = false;
            } else {
                m_ui.RefreshTree();
            }
            return true;
        }
        m_ui.RefreshTree();
        if (Config().m_bMediaAddAutoDetect) {
            InsertCDEx(true);
        }
        return true;
    }
    if (event == kDeviceRemoveComplete) {
        m_presence.CheckDeviceIN(*m_pCase, "AB");
        m_ui.RefreshTree();
        return true;
    }
    return false;
}

} // namespace quillora
