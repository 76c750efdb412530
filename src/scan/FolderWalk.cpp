// Folder walk: every folder is read whole, then its entries are turned into records;
// subfolders are pushed on the walk's own stack and opened relative to their parent,
// so neither the machine stack nor PATH_MAX limits the depth.
#include "scan/FolderWalk.h"

#include "core/FileTypeCode.h"
#include "model/SFileInfo.h"
#include "scan/IArchiveLister.h"
#include "scan/IScanProgress.h"
#include "scan/ScanControl.h"
#include "scan/VolumeScanner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

// Folders deeper than this many frames give up their descriptor until the walk
// comes back to them; keeps far below the usual limit of 1024 open files.
constexpr std::size_t kOpenFolderWindow = 48;

constexpr int kSubfolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsArchiveCode(std::uint16_t code) {
    return (code >= kFtLzh && code <= kFtGca) || code == kFtExe;
}

std::unique_ptr<SFileInfo> RecordFromEntry(const SDirEntry& entry) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = entry.m_name;
    record->m_nSize = entry.m_size;
    record->m_dwFlags = entry.m_attributes;
    record->m_ftCreation = entry.m_creation;
    record->m_ftLastAccess = entry.m_lastAccess;
    record->m_ftLastWrite = entry.m_lastWrite;
    return record;
}

} // namespace

CFolderWalk::~CFolderWalk() {
    for (SFrame& frame : m_frames) {
        CloseFd(frame);
    }
}

bool CFolderWalk::OnSameVolume(int fd) const {
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_dev == m_device;
}

int CFolderWalk::FrameFd(const SFrame& frame) {
    if (frame.m_reader && frame.m_reader->Fd() >= 0) {
        return frame.m_reader->Fd();
    }
    return frame.m_fd;
}

void CFolderWalk::CloseFd(SFrame& frame) {
    frame.m_reader.reset();
    if (frame.m_fd >= 0) {
        close(frame.m_fd);
        frame.m_fd = -1;
    }
}

void CFolderWalk::Run(SFileInfo& folder, const std::string& osPath, int level) {
    const int fd = open(osPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    m_device = fd >= 0 && fstat(fd, &st) == 0 ? st.st_dev : 0;
    Push(folder, level, fd, osPath);
    while (!m_frames.empty()) {
        SFrame& top = m_frames.back();
        if (top.m_next == top.m_entries.size()) {
            Pop();
            continue;
        }
        // Visit may push a frame, which moves the vector; take the entry out first.
        const SDirEntry entry = std::move(top.m_entries[top.m_next++]);
        Visit(entry);
    }
}

void CFolderWalk::Push(SFileInfo& folder, int level, int fd, std::string osName) {
    SFrame& frame = m_frames.emplace_back();
    frame.m_folder = &folder;
    frame.m_level = level;
    frame.m_osName = std::move(osName);
    if (m_frames.size() > kOpenFolderWindow) {
        CloseFd(m_frames[m_frames.size() - 1 - kOpenFolderWindow]);
    }
    m_scanner.PostScanProgress(kScanProgressRecord, &folder);
    if (fd < 0) {
        return; // cannot be opened: the folder stays empty
    }
    frame.m_reader = std::make_unique<CDirectoryReader>();
    if (frame.m_reader->OpenFd(fd) != 0) {
        frame.m_reader.reset();
        return;
    }
    SDirEntry entry;
    while (frame.m_reader->Next(entry)) {
        frame.m_entries.push_back(std::move(entry));
    }
    // A listing error keeps the entries read before it.
}

void CFolderWalk::Pop() {
    SFileInfo* done = m_frames.back().m_folder;
    done->CompactChildren();
    CloseFd(m_frames.back());
    m_frames.pop_back();
    if (!m_frames.empty()) {
        // The subfolder's record is complete: report it as appended.
        m_scanner.PostScanProgress(kScanProgressRecord, done);
    }
}

void CFolderWalk::Visit(const SDirEntry& entry) {
    // The reader never returns "." and ".."; names merely ending in dots ("notes.",
    // "a..") are ordinary Linux files although their file-type codes are those of
    // the dot entries. Only regular files can be archives, and only a lister needs
    // the code at all.
    SFrame& top = m_frames.back();
    SFileInfo& folder = *top.m_folder;
    const SScanOptions& options = m_scanner.m_options;
    const bool mayBeArchive = m_scanner.m_lister && entry.m_kind == EntryKind::Regular;
    const std::uint16_t code =
        mayBeArchive ? FileTypeCode(entry.m_name) : static_cast<std::uint16_t>(kFtOther);
    if (IsArchiveCode(code) && m_scanner.m_lister->TryListArchive(folder, entry, code) &&
        folder.ChildCount() > 0) {
        SFileInfo& node = *folder.ChildAt(folder.ChildCount() - 1);
        m_scanner.CountEntry();
        if (options.m_meltAutoComment) {
            m_scanner.ExtractComment(node, 0, false, true, true);
        }
        if (options.m_addVolArcCrc) {
            m_scanner.CollectCRC(node, true);
        }
        return;
    }
    SFileInfo& record = *folder.AddChild(RecordFromEntry(entry));
    m_scanner.CountEntry();
    if (entry.m_kind != EntryKind::Directory) {
        AddFile(record, entry);
        m_scanner.PostScanProgress(kScanProgressRecord, &record);
        return;
    }
    const int level = top.m_level + 1;
    if (level >= CVolumeScanner::kMaxScanLevel || CScanControl::IsScanCancelled()) {
        m_scanner.PostScanProgress(kScanProgressRecord, &record);
        return;
    }
    const int parentFd = TopFd();
    int fd = parentFd < 0 ? -1 : openat(parentFd, entry.m_osName.c_str(), kSubfolderFlags);
    if (fd >= 0 && !OnSameVolume(fd)) {
        // Another file system mounted here is another medium (and /proc or /sys
        // below "/" is none at all): the mount point is recorded as an empty folder.
        close(fd);
        fd = -1;
    }
    Push(record, level, fd, entry.m_osName);
}

void CFolderWalk::AddFile(SFileInfo& record, const SDirEntry& entry) {
    if (record.IsInsideArchive()) {
        return;
    }
    const SScanOptions& options = m_scanner.m_options;
    if (options.m_autoComment) {
        m_scanner.ExtractComment(record, 0, false, false, false);
    }
    if (!options.m_addVolCrc || CScanControl::IsScanCancelled()) {
        return;
    }
    m_scanner.PostScanProgress(kScanProgressCrc, &record);
    std::uint32_t crc = 0;
    if (entry.m_kind == EntryKind::Regular) {
        const int fd = TopFd();
        crc = fd < 0 ? 0 : CVolumeScanner::FileCrc32(fd, entry.m_osName.c_str());
    }
    CVolumeScanner::SetCrc(record, crc);
}

int CFolderWalk::TopFd() {
    const std::size_t top = m_frames.size() - 1;
    if (const int fd = FrameFd(m_frames[top]); fd >= 0) {
        return fd;
    }
    // Reopen from the nearest ancestor that is still open (or the first frame's
    // path), one name at a time and without following links.
    std::size_t open = top;
    while (open > 0 && FrameFd(m_frames[open]) < 0) {
        --open;
    }
    int base = FrameFd(m_frames[open]);
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
