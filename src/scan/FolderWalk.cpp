// Folder walk: each folder is listed whole into records as its entries come, then
// its subfolders are entered one by one on the walk's own stack, opened relative to
// their parent, so neither the machine stack nor PATH_MAX limits the depth. The walk
// stays on the file system it started on, as du -x does: the device of every entry
// comes with its facts, so no folder costs a call of its own to check it. On more
// than one core the subfolders are listed ahead by worker threads, and the walk takes
// their listings as it gets to them.
#include "scan/FolderWalk.h"

#include "core/FileTypeCode.h"
#include "model/CTreeBuilder.h"
#include "model/ReplayTree.h"
#include "model/SVolumeInfo.h"
#include "scan/DirEntryRecord.h"
#include "scan/IArchiveLister.h"
#include "scan/IScanProgress.h"
#include "scan/ScanReport.h"
#include "scan/VolumeScanner.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillora {

namespace {

// Folders deeper than this many frames give up their descriptor until the walk
// comes back to them; keeps far below the usual limit of 1024 open files.
constexpr std::size_t kOpenFolderWindow = 48;

constexpr int kSubfolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsArchiveCode(std::uint16_t code) {
    return (code >= kFtLzh && code <= kFtGca) || code == kFtExe;
}

} // namespace

void CFolderWalk::CountEntry() {
    m_scan.m_entries.fetch_add(1, std::memory_order_relaxed);
}

CFolderWalk::~CFolderWalk() {
    for (SFrame& frame : m_frames) {
        CloseFd(frame);
    }
}

void CFolderWalk::CloseFd(SFrame& frame) {
    if (frame.m_fd >= 0) {
        close(frame.m_fd);
        frame.m_fd = -1;
    }
}

int CFolderWalk::Run(SFileInfo& folder, const std::string& osPath, int level) {
    const int fd = open(osPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        m_scanner.PostScanProgress(kScanProgressRecord, &folder);
        return error;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    m_device = st.st_dev;
    m_fat = CDirectoryReader::IsFatFileSystem(fd);
    const SVolumeInfo* medium = folder.EnclosingMedium();
    m_dontSync = medium && medium->HasFlags(kFlagRemote);
    m_headCodes = HeadCodes();
    // A re-scan starts at the medium, whose copy in the case it compares with.
    const SFileInfo* previous = folder.HasFlags(kFlagMedium) ? m_scan.m_pPrevious : nullptr;
    m_keepUnchanged = previous && m_scan.m_bKeepUnchanged;
    if (medium) {
        m_timeRule = TimeRuleOf(medium->m_strVolText2);
    }
    // A disc read by several threads at once seeks back and forth between them.
    const unsigned workers =
        medium && medium->HasFlags(kFlagCdRom) ? 0 : CFolderPrefetch::WorkersForThisMachine();
    if (const int rootError = Enter(folder, previous, level, fd, osPath)) {
        return rootError; // the frames close with the walk
    }
    if (workers > 0 && !m_frames.back().m_subfolders.empty()) {
        // The walk enters folders up to a frame below kMaxScanLevel (see Visit).
        const CFolderPrefetch::SWalkBounds bounds{m_device,
                                                  CVolumeScanner::kMaxScanLevel - level - 1};
        // A re-scan reads the first bytes of only the files it finds changed, here.
        m_prefetch = std::make_unique<CFolderPrefetch>(
            fd, m_fat, m_dontSync, m_keepUnchanged ? 0 : m_headCodes, bounds, workers);
        WantSubfolders(m_frames.back());
    }
    while (!m_frames.empty()) {
        SFrame& top = m_frames.back();
        if (top.m_next == top.m_subfolders.size()) {
            Pop();
            continue;
        }
        SSubfolder sub = std::move(top.m_subfolders[top.m_next++]);
        const int childLevel = top.m_level + 1;
        if (m_scanner.StopRequested()) {
            continue; // recorded, but left empty
        }
        if (m_prefetch && m_prefetch->Take(sub.m_relPath, m_listing)) {
            // The frame owns the descriptor from here.
            if (const int error = Enter(*sub.m_record, sub.m_previous, childLevel,
                                        std::exchange(m_listing.m_fd, -1), std::move(sub.m_osName),
                                        std::move(sub.m_relPath), &m_listing)) {
                m_scan.m_report.Add(SkipKind::UnreadableFolder, *sub.m_record, error);
            }
            continue;
        }
        const int parentFd = TopFd();
        const int subFd =
            parentFd < 0 ? -1 : openat(parentFd, sub.m_osName.c_str(), kSubfolderFlags);
        if (subFd < 0) {
            m_scan.m_report.Add(SkipKind::UnreadableFolder, *sub.m_record,
                                parentFd < 0 ? EIO : errno);
            continue;
        }
        if (const int error = Enter(*sub.m_record, sub.m_previous, childLevel, subFd,
                                    std::move(sub.m_osName), std::move(sub.m_relPath))) {
            m_scan.m_report.Add(SkipKind::UnreadableFolder, *sub.m_record, error);
        }
    }
    return 0;
}

int CFolderWalk::Enter(SFileInfo& folder, const SFileInfo* previous, int level, int fd,
                       std::string osName, std::string relPath,
                       CFolderPrefetch::SListing* listing) {
    SFrame& frame = m_frames.emplace_back();
    frame.m_folder = &folder;
    frame.m_previous = CPreviousFolder(previous);
    frame.m_level = level;
    frame.m_fd = fd;
    frame.m_osName = std::move(osName);
    frame.m_relPath = std::move(relPath);
    if (m_frames.size() > kOpenFolderWindow) {
        CloseFd(m_frames[m_frames.size() - 1 - kOpenFolderWindow]);
    }
    m_scanner.PostScanProgress(kScanProgressRecord, &folder);
    // A listing error keeps the entries read before it.
    int error = 0;
    if (listing) {
        for (std::size_t i = 0; i < listing->m_entries.size(); ++i) {
            Visit(frame, listing->m_entries[i], listing->HeadOf(i));
        }
        error = listing->m_error;
    } else {
        m_reader.Borrow(fd, m_fat, m_dontSync);
        while (m_reader.Next(m_entry)) {
            Visit(frame, m_entry);
        }
        error = m_reader.Error();
        m_reader.Close();
    }
    folder.CompactChildren();
    if (m_prefetch) {
        WantSubfolders(frame);
    }
    return error;
}

void CFolderWalk::WantSubfolders(SFrame& frame) {
    if (frame.m_subfolders.empty()) {
        return;
    }
    // Asked for last to first: the newest request is served first.
    std::vector<std::string> paths;
    paths.reserve(frame.m_subfolders.size());
    for (auto sub = frame.m_subfolders.rbegin(); sub != frame.m_subfolders.rend(); ++sub) {
        sub->m_relPath = frame.m_relPath;
        if (!sub->m_relPath.empty()) {
            sub->m_relPath += '/';
        }
        sub->m_relPath += sub->m_osName;
        paths.push_back(sub->m_relPath);
    }
    m_prefetch->Want(std::move(paths));
}

void CFolderWalk::Pop() {
    CloseFd(m_frames.back());
    m_frames.pop_back();
}

std::uint32_t CFolderWalk::HeadCodes() const {
    std::uint32_t codes = 0;
    if (!m_scan.m_pLister) {
        return codes;
    }
    for (std::uint16_t code = 0; code < 32; ++code) {
        if (IsArchiveCode(code) && m_scan.m_pLister->ReadsHeadOf(code)) {
            codes |= 1u << code;
        }
    }
    return codes;
}

void CFolderWalk::Visit(SFrame& frame, const SDirEntry& entry, const CArchiveHead* head) {
    // The reader never returns "." and ".."; names merely ending in dots ("notes.",
    // "a..") are ordinary Linux files although their file-type codes are those of
    // the dot entries. Only regular files can be archives, and only a lister needs
    // the code at all.
    SFileInfo& folder = *frame.m_folder;
    const SScanOptions& options = m_scan.m_options;
    const SFileInfo* before = frame.m_previous.Take(entry.m_name);
    if (before && m_keepUnchanged && KeepUnchanged(frame, entry, *before)) {
        return;
    }
    const bool mayBeArchive = m_scan.m_pLister && entry.m_kind == EntryKind::Regular;
    const std::uint16_t code =
        mayBeArchive ? FileTypeCode(entry.m_name) : static_cast<std::uint16_t>(kFtOther);
    // The head is read here, next to the folder, unless a worker read it with the
    // listing; the lister would have to find the file by its whole path.
    CArchiveHead ownHead;
    if (!head && code < 32 && (m_headCodes & (1u << code)) != 0 && frame.m_fd >= 0 &&
        ownHead.ReadFor(code, frame.m_fd, entry.m_osName.c_str(), entry.m_size)) {
        head = &ownHead;
    }
    if (IsArchiveCode(code)) {
        m_scan.m_report.CountRead(); // its head, or the whole listing
    }
    const bool counted = IsArchiveCode(code);
    SFileInfo* listed =
        IsArchiveCode(code) ? m_scan.m_pLister->ListArchive(folder, entry, code, head) : nullptr;
    if (listed) {
        SFileInfo& node = *listed;
        CountEntry();
        if (options.m_meltAutoComment) {
            m_scanner.ExtractComment(node, 0, false, true, true);
        }
        if (options.m_addVolArcCrc) {
            m_scanner.CollectCRC(node, true);
        }
        return;
    }
    SFileInfo& record = *folder.AddChild(RecordFromEntry(entry));
    CountEntry();
    CScanReport& report = m_scan.m_report;
    if (entry.m_kind != EntryKind::Directory) {
        if (entry.m_factsMissing) {
            report.Add(SkipKind::UnreadableFile, record, entry.m_factsError);
        }
        AddFile(record, entry, frame.m_fd, counted);
        m_scanner.PostScanProgress(kScanProgressRecord, &record);
        return;
    }
    if (entry.m_factsMissing) {
        // Listed, but its parent may not be searched: it cannot be opened either.
        report.Add(SkipKind::UnreadableFolder, record, entry.m_factsError);
    } else if (entry.m_device != m_device) {
        // Another file system mounted here is another medium (and /proc or /sys
        // below "/" is none at all). Marked as Windows marks a mounted folder.
        record.m_dwFlags |= kAttrReparsePoint;
        report.Add(SkipKind::OtherFileSystem, record, 0);
    } else if (frame.m_level + 1 >= CVolumeScanner::kMaxScanLevel) {
        if (CDirectoryReader::HasEntries(frame.m_fd, entry.m_osName.c_str())) {
            report.Add(SkipKind::TooDeep, record, 0);
        }
    } else if (!m_scanner.StopRequested()) {
        const bool sameFolder =
            before && before->IsDirectory() && !before->HasFlags(kFlagListedArchive);
        frame.m_subfolders.push_back({&record, sameFolder ? before : nullptr, entry.m_osName, {}});
    }
    m_scanner.PostScanProgress(kScanProgressRecord, &record);
}

void CFolderWalk::AddFile(SFileInfo& record, const SDirEntry& entry, int dirFd, bool counted) {
    if (record.IsInsideArchive()) {
        return;
    }
    const SScanOptions& options = m_scan.m_options;
    const bool reads = entry.m_kind == EntryKind::Regular && !entry.m_factsMissing;
    if (reads && !counted &&
        ((options.m_autoComment && m_scan.m_bExtractsComments) || options.m_addVolCrc)) {
        m_scan.m_report.CountRead();
    }
    if (options.m_autoComment) {
        m_scanner.ExtractComment(record, 0, false, false, false);
    }
    if (options.m_addVolCrc) {
        ReadCrc(record, entry, dirFd);
    }
}

void CFolderWalk::ReadCrc(SFileInfo& record, const SDirEntry& entry, int dirFd) {
    if (m_scanner.StopRequested()) {
        return;
    }
    m_scanner.PostScanProgress(kScanProgressCrc, &record);
    std::uint32_t crc = 0;
    if (entry.m_kind == EntryKind::Regular && !entry.m_factsMissing) {
        const int error = CVolumeScanner::ReadCrc32(dirFd, entry.m_osName.c_str(), entry.m_size,
                                                    crc, m_scanner.StopToken());
        if (error != 0 && error != ECANCELED) {
            m_scan.m_report.Add(SkipKind::UnreadableFile, record, error);
        }
    }
    CVolumeScanner::SetCrc(record, crc);
}

bool CFolderWalk::KeepUnchanged(SFrame& frame, const SDirEntry& entry, const SFileInfo& before) {
    if (entry.m_kind != EntryKind::Regular || entry.m_factsMissing || before.IsInsideArchive() ||
        (before.IsDirectory() && !before.HasFlags(kFlagListedArchive)) ||
        before.m_nSize != entry.m_size ||
        CompareWriteTimes(before.m_ftLastWrite, entry.m_lastWrite, m_timeRule) ==
            TimeMatch::Different) {
        return false;
    }
    SFileInfo& folder = *frame.m_folder;
    CScanReport& report = m_scan.m_report;
    const SScanOptions& options = m_scan.m_options;
    if (before.HasFlags(kFlagListedArchive)) {
        if (!m_scan.m_pLister) {
            return false; // archives are plain files this time: read it as one
        }
        // The listing is copied from the case's record whole, and handed over as one tree.
        CTreeBuilder builder;
        ReplayTree(before, builder);
        SFileInfo& node = *folder.AddChild(std::move(builder.TakeRoots().front()));
        node.m_ftCreation = entry.m_creation;
        node.m_ftLastAccess = entry.m_lastAccess;
        node.m_ftLastWrite = entry.m_lastWrite;
        CountEntry();
        report.CountKept();
        m_scanner.PostScanProgress(kScanProgressRecord, &node);
        return true;
    }
    SFileInfo& record = *folder.AddChild(RecordFromEntry(entry));
    CountEntry();
    record.m_wExtFlags = before.m_wExtFlags;
    record.m_dwExtValue = before.m_dwExtValue;
    record.SetComment(before.Comment());
    record.SetProps(before.Props() ? before.Props()->Clone() : nullptr);
    // A CRC the last scan did not take is read now that one is asked for (an empty
    // file has none to take).
    if (options.m_addVolCrc && (record.m_wExtFlags & kExtFlagCrc) == 0 && entry.m_size > 0) {
        report.CountRead();
        ReadCrc(record, entry, frame.m_fd);
    } else {
        report.CountKept();
    }
    m_scanner.PostScanProgress(kScanProgressRecord, &record);
    return true;
}

int CFolderWalk::TopFd() {
    const std::size_t top = m_frames.size() - 1;
    if (m_frames[top].m_fd >= 0) {
        return m_frames[top].m_fd;
    }
    // Reopen from the nearest ancestor that is still open (or the first frame's
    // path), one name at a time and without following links.
    std::size_t open = top;
    while (open > 0 && m_frames[open].m_fd < 0) {
        --open;
    }
    int base = m_frames[open].m_fd;
    bool ownBase = false;
    if (base < 0) {
        base = ::open(m_frames[0].m_osName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ownBase = true;
        if (base < 0) {
            return -1;
        }
    }
    for (std::size_t i = open + 1; i <= top; ++i) {
        const int next = openat(base, m_frames[i].m_osName.c_str(), kSubfolderFlags);
        if (ownBase) {
            close(base);
        }
        if (next < 0) {
            return -1;
        }
        base = next;
        ownBase = true;
    }
    m_frames[top].m_fd = base;
    return base;
}

} // namespace quillora
