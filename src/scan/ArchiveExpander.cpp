// Archive expansion: the dispatch by file-type code, the listing into archive nodes,
// and the extraction of entries for CRC-32, comments and stored contents.
#include "scan/ArchiveExpander.h"

#include "core/FileTypeCode.h"
#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "hooks/ICommentExtractor.h"
#include "model/CFolderPlacer.h"
#include "model/CaseEditing.h"
#include "model/CaseSchema.h"
#include "model/MediumPath.h"
#include "model/SArcFileInfo.h"
#include "platform/DirectoryReader.h"
#include "scan/ArchiveHead.h"
#include "scan/ArchivePath.h"
#include "scan/ArchiverSet.h"
#include "scan/DirEntryRecord.h"
#include "scan/IScanProgress.h"
#include "scan/PrivateWorkFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillora {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kArchiveNodeFlags = kFlagListedArchive | kAttrDirectory;
constexpr std::uint32_t kPlaceholderAttributes =
    kFlagListedArchive | kFlagParentPlaceholder | kAttrDirectory;

// The files at and (with recurse) below `record`, in tree order.
void CollectFiles(SFileInfo& record, bool recurse, std::vector<SFileInfo*>& out) {
    std::vector<SFileInfo*> pending{&record};
    while (!pending.empty()) {
        SFileInfo* r = pending.back();
        pending.pop_back();
        if (!r->IsDirectory()) {
            out.push_back(r);
        }
        for (std::size_t i = recurse ? r->ChildCount() : 0; i-- > 0;) {
            pending.push_back(r->ChildAt(i));
        }
    }
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The archive dispatch: file-type code -> archive type; .EXE is tried family by family.
std::uint16_t ArcTypeOfCode(std::uint16_t code) {
    static constexpr std::pair<std::uint16_t, std::uint16_t> kDispatch[] = {
        {kFtLzh, kArcLha}, {kFtArc, kArcLha}, {kFtZip, kArcZip}, {kFtTar, kArcTar},
        {kFtTgz, kArcTar}, {kFtTaz, kArcTar}, {kFtGz, kArcTar},  {kFtZ, kArcTar},
        {kFtCab, kArcCab}, {kFtArj, kArcArj}, {kFtRar, kArcRar}, {kFtIsh, kArcIsh},
        {kFtGca, kArcGca},
    };
    for (const auto& [from, to] : kDispatch) {
        if (from == code) {
            return to;
        }
    }
    return kArcNone;
}

// How many levels a listed path adds below the archive node: its parent
// placeholders (all of them sit above every entry) and its own folders and name.
std::size_t LevelsOf(std::string_view path, std::size_t placeholders) {
    SArcPathParts parts = SplitParentPrefix(path);
    std::size_t levels =
        placeholders > parts.m_nParentDepth ? placeholders - parts.m_nParentDepth : 0;
    bool inName = false;
    for (char c : parts.m_strRest) {
        if (IsSeparator(c)) {
            inName = false;
        } else if (!inName) {
            inName = true;
            ++levels;
        }
    }
    return levels;
}

// An archive entry as the listing record describes it, under the name `name`.
std::unique_ptr<SArcFileInfo> EntryFromListing(const SArcListEntry& listed, std::string_view name,
                                               std::string arcText) {
    auto record = std::make_unique<SArcFileInfo>();
    record->m_dwFlags = listed.m_dwAttributes | kFlagArcEntry;
    record->m_ftCreation = listed.m_ftCreation;
    record->m_ftLastAccess = listed.m_ftLastAccess;
    record->m_ftLastWrite = listed.m_ftLastWrite;
    record->m_nSize = listed.m_nOriginalSize64;
    record->m_dwPackedSize = listed.m_dwPackedSize;
    record->m_strName = std::string(name);
    record->m_strArcText = std::move(arcText);
    if (listed.m_bHasCrc) {
        CVolumeScanner::SetCrc(*record, listed.m_dwCrc);
    }
    return record;
}

std::unique_ptr<SArcFileInfo> ArchiveFolder(std::string_view name, std::uint32_t attributes) {
    auto record = std::make_unique<SArcFileInfo>();
    record->m_dwFlags = attributes | kFlagArcEntry;
    record->m_strName = std::string(name);
    return record;
}

// Extracted files are read where ExtractedPath puts them: leading "../" land in
// "_parent_" folders, so every path stays inside the folder.
std::string ExtractedFile(const std::string& folder, const std::string& pathInArchive) {
    std::optional<fs::path> path = ExtractedPath(folder, pathInArchive, true);
    return path ? path->string() : std::string();
}

} // namespace

// The state of one listing being placed: the archive node, the insertion point below
// the parent placeholders, and the folders found by path. A level names the first
// folder of its name without regard to case; a missing one is made as an implied
// archive folder.
struct CArchiveExpander::SPlacement : CFolderPlacer::IFolderMaker {
    explicit SPlacement(CArchiveExpander& expander)
        : m_expander(expander), m_placer(Rules(), *this) {}

    static CFolderPlacer::SRules Rules() {
        CFolderPlacer::SRules rules;
        rules.m_match = CFolderPlacer::EMatch::FolderNoCase;
        return rules;
    }
    std::unique_ptr<SFileInfo> MakeFolder(std::string_view name) override {
        return ArchiveFolder(name, kArchiveNodeFlags);
    }
    void Made(SFileInfo& folder) override { m_expander.Post(kScanProgressRecord, &folder); }

    CArchiveExpander& m_expander;
    SFileInfo* m_node = nullptr;
    std::vector<SFileInfo*> m_chain; // m_chain[k]: k levels up from the insertion point
    CFolderPlacer m_placer;
};

CArchiveExpander::CArchiveExpander(CArchiverSet& archivers) : m_archivers(archivers) {}

void CArchiveExpander::BeginScan(const SScanOptions& options, IScanProgress* progress,
                                 std::stop_token stop) {
    m_options = options;
    m_progress = progress;
    m_stop = std::move(stop);
    m_pCrcListed = nullptr;
}

void CArchiveExpander::EndScan() {
    m_progress = nullptr;
    m_stop = {};
    m_pCrcListed = nullptr;
}

void CArchiveExpander::Post(int code, const SFileInfo* record) {
    if (m_progress) {
        m_progress->Post(code, record);
    }
}

std::string CArchiveExpander::WorkFolder() const {
    std::string folder = m_options.m_archives.m_workFolder;
    if (folder.empty()) {
        folder = TempFolder();
    }
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

bool CArchiveExpander::FamilyAllowed(std::uint16_t arcType) const {
    const SArchiveOptions& c = m_options.m_archives;
    if (c.m_all) {
        return arcType >= kArcLha && arcType <= kArcGca;
    }
    switch (arcType) {
    case kArcLha:
        return c.m_lha;
    case kArcZip:
        return c.m_zip;
    case kArcTar:
        return c.m_tar;
    case kArcCab:
        return c.m_cab;
    case kArcArj:
        return c.m_arj;
    case kArcRar:
        return c.m_rar;
    case kArcIsh:
        return c.m_ish;
    case kArcGca:
        return c.m_gca;
    default:
        return false;
    }
}

CArchiver* CArchiveExpander::AdapterForType(std::uint16_t arcType) {
    if (!FamilyAllowed(arcType)) {
        return nullptr;
    }
    switch (arcType) {
    case kArcLha:
        return &m_archivers.Lha();
    case kArcZip:
        return &m_archivers.Zip();
    case kArcTar:
        return &m_archivers.Tar();
    case kArcCab:
        return &m_archivers.Cab();
    case kArcArj:
        return &m_archivers.Arj();
    case kArcRar:
        return &m_archivers.Rar();
    case kArcIsh:
        return &m_archivers.Ish();
    case kArcGca:
        return &m_archivers.Gca();
    default:
        return nullptr;
    }
}

bool CArchiveExpander::ReadsHeadOf(std::uint16_t code) {
    const std::uint16_t type = ArcTypeOfCode(code);
    if (type != kArcNone) {
        CArchiver* adapter = AdapterForType(type);
        return adapter && adapter->IsLoaded();
    }
    return code == kFtExe && !SelfExtractorCandidates().empty();
}

std::vector<std::pair<CArchiver*, std::uint16_t>> CArchiveExpander::SelfExtractorCandidates() {
    // Self-extracting archives: only with both keys, whatever "All" says.
    std::vector<std::pair<CArchiver*, std::uint16_t>> candidates;
    const SArchiveOptions& c = m_options.m_archives;
    if (!c.m_exe || !c.m_enableExe) {
        return candidates;
    }
    for (std::uint16_t candidate : {kArcLha, kArcGca, kArcRar, kArcZip}) {
        CArchiver* adapter = AdapterForType(candidate);
        if (adapter && adapter->IsLoaded() &&
            (candidate != kArcZip || adapter->CanReadSelfExtracting())) {
            candidates.emplace_back(adapter, candidate);
        }
    }
    return candidates;
}

bool CArchiveExpander::TryListArchive(SFileInfo& folder, const SDirEntry& entry, std::uint16_t code,
                                      const CArchiveHead* head) {
    return ListArchive(folder, entry, code, head) != nullptr;
}

SFileInfo* CArchiveExpander::ListArchive(SFileInfo& folder, const SDirEntry& entry,
                                         std::uint16_t code, const CArchiveHead* head) {
    // Most files named like archives on a medium are what they say, but a scan meets
    // many that are not (programs named .exe, renamed or damaged files): one read of
    // the first bytes keeps those away from the archivers, which would open, scan and
    // give up on each.
    constexpr std::uint64_t kSmallest = 4;
    if (entry.m_size < kSmallest) {
        return nullptr;
    }
    auto pathOf = [&] {
        std::string path = RecordOsPath(folder);
        if (!path.empty() && path.back() != '/') {
            path += '/';
        }
        return path.empty() ? path : path + entry.m_osName;
    };
    // The path is built only when the head must be read here: most files named like
    // archives on a large medium are turned away by a head read ahead.
    CArchiveHead ownHead;
    auto readHead = [&] {
        if (head) {
            return true;
        }
        const std::string path = pathOf();
        if (path.empty() || !ownHead.Read(path, entry.m_size)) {
            return false;
        }
        head = &ownHead;
        return true;
    };
    const std::uint16_t type = ArcTypeOfCode(code);
    if (type != kArcNone) {
        CArchiver* adapter = AdapterForType(type);
        if (!adapter || !adapter->IsLoaded()) {
            return nullptr;
        }
        if (!readHead() || !adapter->MatchesHead(*head)) {
            return nullptr;
        }
        return ListWith(*adapter, folder, entry, type);
    }
    if (code != kFtExe) {
        return nullptr;
    }
    const auto candidates = SelfExtractorCandidates();
    if (candidates.empty()) {
        return nullptr;
    }
    // Not a program at all: no self-extractor, and no path needed to say so.
    if (!readHead() || !head->StartsWith("MZ", 2)) {
        return nullptr;
    }
    const std::string path = pathOf();
    if (path.empty() || !head->HasDataPastImage(path)) {
        return nullptr;
    }
    for (const auto& [adapter, candidate] : candidates) {
        if (SFileInfo* node = ListWith(*adapter, folder, entry, candidate)) {
            return node;
        }
    }
    return nullptr;
}

bool CArchiveExpander::ExtractArc(CArchiver& adapter, SFileInfo& folder, const SDirEntry& entry,
                                  std::uint16_t arcType) {
    return ListWith(adapter, folder, entry, arcType) != nullptr;
}

SFileInfo* CArchiveExpander::ListWith(CArchiver& adapter, SFileInfo& folder, const SDirEntry& entry,
                                      std::uint16_t arcType) {
    LogFormat("ExtractArc() start[%s] ArcType[%d]", entry.m_name.c_str(), arcType);
    std::string folderPath = RecordOsPath(folder);
    if (folderPath.empty()) {
        Log("ExtractArc() end ret[0]");
        return nullptr;
    }
    if (folderPath.back() != '/') {
        folderPath += '/';
    }
    const std::string archivePath = folderPath + entry.m_osName;
    // The archive is listed once: opening it checks it as a whole (a damaged archive
    // fails to open), and the listing kept from the pass that finds the parent depth
    // is the one placed, so each archive is read a single time.
    // With "AddVolArcCRC" the entries' data is read in this same pass for their CRC.
    const bool withCrc = m_options.m_addVolArcCrc;
    if (!adapter.IsLoaded() || !(withCrc ? adapter.OpenArchiveWithCrc(archivePath, CArcCrcChoice())
                                         : adapter.OpenArchive(archivePath, 0))) {
        Log("ExtractArc() end ret[0]");
        return nullptr;
    }
    std::vector<SArcListEntry> listing;
    std::size_t depth = 0;
    SArcListEntry listed;
    for (bool found = adapter.FindFirst("*.*", listed); found; found = adapter.FindNext(listed)) {
        depth = std::max(depth, SplitParentPrefix(listed.Name()).m_nParentDepth);
        listing.push_back(listed);
    }
    adapter.CloseArchive();
    std::size_t levels = depth;
    for (const SArcListEntry& item : listing) {
        levels = std::max(levels, LevelsOf(item.Name(), depth));
    }
    if (!FitsInCase(folder, levels + 1)) {
        Log("ExtractArc() archive nests too deep for a case file, kept as a file");
        Log("ExtractArc() end ret[0]");
        return nullptr;
    }

    SFileInfo& node = *folder.AddChild(RecordFromEntry(entry));
    RegisterArchiveFile(node, archivePath);
    node.m_dwFlags = kArchiveNodeFlags;
    node.m_wArcType = arcType;
    Post(kScanProgressRecord, &node);
    if (withCrc) {
        Post(kScanProgressCrc, &node);
    }

    SPlacement place(*this);
    place.m_node = &node;
    place.m_chain.assign(depth + 1, &node);
    SFileInfo* current = &node;
    for (std::size_t level = 1; level <= depth; ++level) {
        current = place.m_placer.Add(*current,
                                     ArchiveFolder(kParentPlaceholderName, kPlaceholderAttributes));
        Post(kScanProgressRecord, current);
        place.m_chain[depth - level] = current;
    }
    for (const SArcListEntry& item : listing) {
        PlaceEntry(place, item);
    }
    if (withCrc) {
        m_pCrcListed = &node;
    }
    Log("ExtractArc() end ret[1]");
    return &node;
}

void CArchiveExpander::RegisterArchiveFile(SFileInfo& node, const std::string& archivePath) {
    // The archive file is registered as a plain file before it becomes a node: its
    // own comment and CRC come from the file on disk.
    if (m_options.m_autoComment && m_extractor && node.Comment().empty()) {
        std::string text;
        if (m_extractor->ExtractText(archivePath, node, text)) {
            node.SetComment(std::move(text));
        }
    }
    if (m_options.m_addVolCrc && !m_stop.stop_requested()) {
        Post(kScanProgressCrc, &node);
        CVolumeScanner::SetCrc(node, CVolumeScanner::FileCrc32(AT_FDCWD, archivePath.c_str()));
    }
}

void CArchiveExpander::PlaceEntry(SPlacement& place, const SArcListEntry& listed) {
    const std::string_view path = listed.Name();
    SArcPathParts parts = SplitParentPrefix(path);
    const std::string& rest = parts.m_strRest;
    if (rest.empty()) {
        return;
    }
    SFileInfo* start = place.m_chain[std::min(parts.m_nParentDepth, place.m_chain.size() - 1)];
    std::string arcText(path.substr(0, path.size() - rest.size()));
    std::size_t cut = rest.find_last_of("/\\");
    if (cut == std::string::npos) {
        SFileInfo* added =
            place.m_placer.Add(*start, EntryFromListing(listed, rest, std::move(arcText)));
        Post(kScanProgressRecord, added);
        return;
    }
    SFileInfo* folder = place.m_placer.FolderAt(*start, std::string_view(rest).substr(0, cut));
    std::string_view file = std::string_view(rest).substr(cut + 1);
    if (!file.empty()) {
        SFileInfo* added =
            place.m_placer.Add(*folder, EntryFromListing(listed, file, std::move(arcText)));
        if (added->IsDirectory()) {
            Post(kScanProgressRecord, added);
        }
    }
}

bool CArchiveExpander::FitsInCase(const SFileInfo& folder, std::size_t levels) {
    std::size_t depth = 0;
    for (const SFileInfo* r = &folder; r; r = r->GetParent()) {
        ++depth;
    }
    // Room is left for the medium being put into a group later.
    return depth + levels + 1 < static_cast<std::size_t>(kMaxTreeDepth);
}

std::string CArchiveExpander::PathInArchive(const SFileInfo& record) {
    return PathInsideArchive(record);
}

SFileInfo* CArchiveExpander::EnclosingArchive(const SFileInfo& record) {
    return OutermostArchive(record);
}

bool CArchiveExpander::ExtractEntries(const SFileInfo& archive, const std::string& workFolder,
                                      const ArcEntryList& entries, bool withFolders,
                                      std::string* error) {
    auto fail = [error](std::string text) {
        Log("extraction failed: " + text);
        if (error) {
            *error = std::move(text);
        }
        return false;
    };
    const std::string archivePath = RecordOsPath(archive);
    if (::mkdir(workFolder.c_str(), 0777) != 0 && errno != EEXIST) {
        return fail(workFolder + ": " + std::strerror(errno));
    }
    CArchiver* adapter = AdapterForType(archive.m_wArcType);
    if (!adapter) {
        return fail(archivePath + ": extraction from " + ArcTypeName(archive.m_wArcType) +
                    " archives is turned off in the options");
    }
    if (!adapter->IsLoaded()) {
        return fail(archivePath + ": no archiver for " + ArcTypeName(archive.m_wArcType) +
                    " archives is available");
    }
    if (archive.m_wArcType == kArcZip && !entries.empty() && !adapter->SupportsMode(2)) {
        return fail(archivePath + ": the ZIP reader cannot extract single entries");
    }
    if (archivePath.empty()) {
        return fail(archive.GetName() + ": the archive's place on its medium is unknown");
    }
    if (!adapter->Extract(archivePath, workFolder, entries, withFolders)) {
        return fail(adapter->LastError());
    }
    return true;
}

bool CArchiveExpander::RemoveExtracted(const std::string& workFolder,
                                       const std::string& pathInArchive) {
    std::optional<fs::path> file = ExtractedPath(workFolder, pathInArchive, true);
    if (!file || ::unlink(file->c_str()) != 0) {
        return false;
    }
    fs::path base = fs::path(workFolder).lexically_normal();
    if (base.filename().empty()) {
        base = base.parent_path();
    }
    // ExtractedPath keeps the file below the folder, so these are the path's folders.
    const fs::path relative = file->lexically_normal().lexically_relative(base);
    for (fs::path sub = relative.parent_path(); !sub.empty(); sub = sub.parent_path()) {
        if (::rmdir((base / sub).c_str()) != 0) {
            break;
        }
    }
    return true;
}

std::uint32_t CArchiveExpander::ArchiveEntryCrc(const SFileInfo& entry) {
    // The scanner has posted the entry's progress already.
    SFileInfo* archive = EnclosingArchive(entry);
    const std::string path = PathInArchive(entry);
    if (!archive || entry.IsDirectory() || path.empty()) {
        return 0;
    }
    const std::unordered_map<std::string, std::uint32_t> crcs = ReadCrcs(*archive, {path});
    auto it = crcs.find(ArcMatchKey(path));
    return it == crcs.end() ? 0 : it->second;
}

bool CArchiveExpander::CollectArchiveCrcs(SFileInfo& record, bool recurse) {
    std::vector<SFileInfo*> files;
    CollectFiles(record, recurse, files);
    auto anyCrc = [&files] {
        return std::any_of(files.begin(), files.end(),
                           [](const SFileInfo* f) { return (f->m_wExtFlags & kExtFlagCrc) != 0; });
    };
    if (&record == m_pCrcListed) {
        // Listed with "AddVolArcCRC" a moment ago: the entries have their CRCs.
        m_pCrcListed = nullptr;
        return anyCrc();
    }
    SFileInfo* archive = EnclosingArchive(record);
    if (!archive) {
        return false;
    }
    Post(kScanProgressCrc, &record);
    ArcEntryList paths;
    for (SFileInfo* file : files) {
        paths.push_back(PathInArchive(*file));
    }
    const std::unordered_map<std::string, std::uint32_t> crcs = ReadCrcs(*archive, paths);
    // A file whose data could not be read keeps what it had.
    for (SFileInfo* file : files) {
        auto it = crcs.find(ArcMatchKey(PathInArchive(*file)));
        if (it != crcs.end()) {
            CVolumeScanner::SetCrc(*file, it->second);
        }
    }
    return anyCrc();
}

std::unordered_map<std::string, std::uint32_t>
CArchiveExpander::ReadCrcs(const SFileInfo& archive, const ArcEntryList& paths) {
    std::unordered_map<std::string, std::uint32_t> crcs;
    ArcEntryList wanted;
    for (const std::string& path : paths) {
        if (!path.empty()) {
            wanted.push_back(path);
        }
    }
    CArchiver* adapter = AdapterForType(archive.m_wArcType);
    const std::string archivePath = RecordOsPath(archive);
    if (wanted.empty() || !adapter || !adapter->IsLoaded() || archivePath.empty()) {
        return crcs;
    }
    if (!adapter->OpenArchiveWithCrc(archivePath, CArcCrcChoice(wanted))) {
        Log("CRC of archive entries: " + adapter->LastError());
        return crcs;
    }
    SArcListEntry listed;
    for (bool more = adapter->FindFirst("*", listed); more; more = adapter->FindNext(listed)) {
        if (listed.m_bHasCrc) {
            crcs[ArcMatchKey(listed.Name())] = listed.m_dwCrc;
        }
    }
    adapter->CloseArchive();
    return crcs;
}

bool CArchiveExpander::ExtractArchiveComments(SFileInfo& record, int slot, bool overwrite,
                                              bool recurse, const std::stop_token& stop) {
    if (!overwrite && !record.Text(slot).empty()) {
        return true;
    }
    if (!m_extractor) {
        return true;
    }
    struct SWanted {
        SFileInfo* m_record;
        std::string m_path;
    };
    std::vector<SWanted> wanted;
    // Tree order: the record, then each child's subtree in turn.
    std::vector<SFileInfo*> pending{&record};
    while (!pending.empty()) {
        SFileInfo* r = pending.back();
        pending.pop_back();
        if (!r->IsDirectory() && (overwrite || r->Text(slot).empty()) &&
            (!m_filter || m_filter(*r))) {
            std::string path = PathInArchive(*r);
            if (!path.empty()) {
                wanted.push_back({r, std::move(path)});
            }
        }
        for (std::size_t i = recurse ? r->ChildCount() : 0; i-- > 0;) {
            pending.push_back(r->ChildAt(i));
        }
    }
    SFileInfo* archive = EnclosingArchive(record);
    if (wanted.empty() || !archive) {
        return true;
    }
    ArcEntryList list;
    list.reserve(wanted.size());
    for (const SWanted& w : wanted) {
        list.push_back(w.m_path);
    }
    Post(kScanProgressArcExtract, &record);
    CPrivateWorkFolder work;
    std::string error;
    if (!work.Create(WorkFolder(), &error)) {
        Log("comments of archive entries: " + error);
        return true;
    }
    if (!ExtractEntries(*archive, work.Path(), list, true, nullptr)) {
        return true;
    }
    bool stopped = false;
    for (const SWanted& w : wanted) {
        Post(kScanProgressArcComment, w.m_record);
        if (stop.stop_requested()) {
            stopped = true;
            break;
        }
        const std::string file = ExtractedFile(work.Path(), w.m_path);
        struct stat st {};
        if (file.empty() || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        std::string text;
        const bool extracted = m_extractor->ExtractText(file, *w.m_record, text);
        w.m_record->SetText(slot, extracted ? std::move(text) : std::string());
    }
    for (const SWanted& w : wanted) {
        RemoveExtracted(work.Path(), w.m_path);
    }
    return !stopped;
}

bool CArchiveExpander::ExtractEntry(const SFileInfo& archive, const std::string& archiveOsPath,
                                    const std::string& pathInArchive, const std::string& folder,
                                    std::string* extractedPath, std::string* error) {
    auto fail = [error](std::string text) {
        if (error) {
            *error = std::move(text);
        }
        return false;
    };
    CArchiver* adapter = AdapterForType(archive.m_wArcType);
    if (!adapter) {
        return fail(archiveOsPath + ": extraction from " + ArcTypeName(archive.m_wArcType) +
                    " archives is turned off in the options");
    }
    if (!adapter->IsLoaded()) {
        return fail(archiveOsPath + ": no archiver for " + ArcTypeName(archive.m_wArcType) +
                    " archives is available");
    }
    std::string base = folder;
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    CPrivateWorkFolder work;
    std::string reason;
    if (!work.Create(base, &reason)) {
        return fail(reason);
    }
    if (!adapter->Extract(archiveOsPath, work.Path(), {pathInArchive}, true)) {
        return fail(archiveOsPath + ": " + pathInArchive + ": " + adapter->LastError());
    }
    const std::string file = ExtractedFile(work.Path(), pathInArchive);
    struct stat st {};
    if (file.empty() || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail(archiveOsPath + ": " + pathInArchive + ": not extracted as a file");
    }
    // The caller reads the file and removes it with the folders made for it, this
    // private folder included; it must outlive this call.
    (void)work.Release();
    if (extractedPath) {
        *extractedPath = file;
    }
    return true;
}

} // namespace quillora
