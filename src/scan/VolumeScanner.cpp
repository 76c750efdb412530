// Volume scan: the medium's own fields from the volume probe, the tree through the
// folder walk, then sizes and capacity.
#include "scan/VolumeScanner.h"

#include "core/Crc32.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "hooks/ICommentExtractor.h"
#include "model/MediumPath.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"
#include "platform/VolumeProbe.h"
#include "scan/FolderWalk.h"
#include "scan/IArchiveLister.h"
#include "scan/IScanProgress.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillora {

namespace {

// Large reads keep the CRC pass as fast as the page cache delivers.
constexpr std::size_t kCrcBufferSize = 128 * 1024;
constexpr unsigned kCrcCancelCheckBlocks = 64;

std::uint32_t KindFlag(DriveKind kind) {
    switch (kind) {
    case DriveKind::CdRom:
        return kFlagCdRom;
    case DriveKind::Remote:
        return kFlagRemote;
    case DriveKind::Fixed:
        return kFlagFixed;
    default:
        return kFlagRemovable;
    }
}

std::string RealPathOr(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

// The part of `path` below the folder `root` ("" when it is the root itself).
std::string Below(const std::string& path, const std::string& root) {
    if (root == "/") {
        return path.size() > 1 ? path.substr(1) : std::string();
    }
    if (path.compare(0, root.size(), root) != 0) {
        return {};
    }
    std::string rest = path.substr(root.size());
    while (!rest.empty() && rest.front() == '/') {
        rest.erase(0, 1);
    }
    return rest;
}

std::string LastComponent(const std::string& modelPath) {
    const std::size_t sep = modelPath.rfind('\\');
    return sep == std::string::npos ? modelPath : modelPath.substr(sep + 1);
}

std::string StripTrailingSlash(std::string path) {
    if (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

bool IsSmbType(const std::string& linuxType) {
    return linuxType == "cifs" || linuxType == "smb3" || linuxType == "smbfs";
}

// "\\srv\share\x" with the server upper-cased, and the share too where the share
// protocol ignores case (SMB); paths on NFS and the like are case-sensitive and kept.
std::string UpperNetworkHead(const std::string& networkPath, bool smb) {
    if (networkPath.compare(0, 2, "\\\\") != 0) {
        return networkPath;
    }
    std::size_t end = networkPath.find('\\', 2);
    if (smb && end != std::string::npos) {
        end = networkPath.find('\\', end + 1);
    }
    if (end == std::string::npos) {
        end = networkPath.size();
    }
    return text::AsciiUpper(networkPath.substr(0, end)) + networkPath.substr(end);
}

void ResetRecordFields(SFileInfo& record) {
    record.m_nSize = 0;
    record.m_ftCreation = 0;
    record.m_ftLastAccess = 0;
    record.m_ftLastWrite = 0;
    record.m_strName.clear();
    record.SetComment({});
    record.SetCategory({});
    record.SetProps(nullptr);
    record.SetLink({});
    record.m_byMark = 0;
    record.ClearData();
    record.m_wExtFlags = 0;
    record.m_dwExtValue = 0;
}

int FolderLevel(const SFileInfo& folder) {
    int level = 0;
    for (const SFileInfo* node = &folder; node && !node->HasFlags(kFlagMedium);
         node = node->GetParent()) {
        ++level;
    }
    return level;
}

// Lets the archive lister drop the scan's sink however AddVolume is left.
struct SFinishGuard {
    IArchiveLister* m_lister = nullptr;
    ~SFinishGuard() {
        if (m_lister) {
            m_lister->EndScan();
        }
    }
};

} // namespace

CVolumeScanner::CVolumeScanner(const SScanOptions& options, std::stop_token stop)
    : m_options(options), m_stop(std::move(stop)) {}

void CVolumeScanner::AddVolume(SVolumeInfo& volume, const std::string& osPath,
                               const std::string* label, const std::string* comment) {
    LogFormat("Volume name [%s]", osPath.c_str());
    LogStamp("Volume add");
    const auto start = std::chrono::steady_clock::now();
    m_entries.store(0, std::memory_order_relaxed);
    m_report.Clear();
    m_changes.Clear();
    {
        SFinishGuard finish{m_lister};
        if (m_lister) {
            m_lister->BeginScan(m_options, m_progress, m_stop);
        }
        ResetRecordFields(volume);
        const std::string linuxType = ApplyVolumeInfo(volume, osPath, label, comment);
        if (CVolumeProbe::IsPseudoFileSystemType(linuxType) && !m_options.m_scanPseudoFileSystems) {
            LogFormat("Volume [%s] is on a pseudo file system (%s): not scanned", osPath.c_str(),
                      linuxType.c_str());
            m_report.SetRootPseudoType(linuxType);
            return;
        }
        if (const int error = ReadFolder(volume)) {
            LogFormat("Volume [%s] cannot be read: %s", osPath.c_str(), std::strerror(error));
            m_report.SetRootError(error);
            return;
        }
        volume.UpdateDisplayNameTree(true);
        volume.RecalcSize(true);
        UpdateDiskSpace(volume);
        if (m_previous && !StopRequested()) {
            m_changes.Compute(*m_previous, volume, TimeRuleOf(volume.m_strVolText2),
                              m_report.FoldersNotRead());
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!m_report.Complete()) {
        LogFormat("Volume add: %s", m_report.Summary().c_str());
    }
    if (m_previous) {
        LogFormat("Volume add: %zu files read, %zu kept unchanged; %s", m_report.FilesRead(),
                  m_report.FilesKept(), m_changes.Summary().c_str());
    }
    LogFormat("Volume add end (%.3f s)", took.count());
}

void CVolumeScanner::SetVolumeInfo(SVolumeInfo& volume, const std::string& osPath,
                                   const std::string* label, const std::string* comment) {
    ApplyVolumeInfo(volume, osPath, label, comment);
}

std::string CVolumeScanner::ApplyVolumeInfo(SVolumeInfo& volume, const std::string& osPath,
                                            const std::string* label, const std::string* comment) {
    LogFormat("SetVolumeInfo() Start Drive[%s]", osPath.c_str());
    const std::string path = StripTrailingSlash(osPath);
    SVolumeFacts facts;
    const bool known = CVolumeProbe::ProbePath(path, facts) == 0;
    ApplyVolumeFacts(volume, RealPathOr(path), known ? &facts : nullptr, label, comment);
    Log("SetVolumeInfo() End");
    return known ? facts.m_linuxType : std::string();
}

void CVolumeScanner::ApplyVolumeFacts(SVolumeInfo& volume, const std::string& realPath,
                                      const SVolumeFacts* facts, const std::string* label,
                                      const std::string* comment) {
    volume.m_bPresent = 1;
    volume.m_dwSerial = 0;
    volume.m_strVolText1.clear();
    volume.m_strVolText2.clear();
    const DriveKind kind = facts ? facts->m_kind : DriveKind::Unknown;
    LogFormat("DriveType[%d]", static_cast<int>(kind));
    volume.m_dwFlags =
        (volume.m_dwFlags & ~kFlagMediumKindMask) | kFlagMedium | kAttrDirectory | KindFlag(kind);

    if (facts && kind == DriveKind::Remote) {
        // Named by its network path; the local folder is where it is reached now.
        std::string name = UpperNetworkHead(facts->m_networkPath, IsSmbType(facts->m_linuxType));
        const std::string below = Below(realPath, StripTrailingSlash(facts->m_root));
        if (!below.empty()) {
            name += '\\';
            name += ModelPathFromOs(below);
        }
        volume.m_strRoot = realPath;
        volume.m_strName = name;
        volume.m_strOrgLabel = LastComponent(name);
    } else if (facts) {
        volume.m_strRoot = StripTrailingSlash(facts->m_root);
        volume.m_strName = ModelPathFromOs(Below(realPath, volume.m_strRoot));
        volume.m_strVolText2 = facts->m_fileSystem;
        volume.m_dwSerial = facts->m_serialUnknown ? 0 : facts->m_serial;
        if (facts->m_serialUnknown) {
            LogFormat("Serial number unknown: the volume descriptors of %s cannot be read (%s)",
                      facts->m_device.c_str(), std::strerror(facts->m_serialError));
        }
        if (!volume.m_strName.empty()) {
            volume.m_strOrgLabel = LastComponent(volume.m_strName);
        } else if (!facts->m_label.empty()) {
            volume.m_strOrgLabel = facts->m_label;
        } else if (facts->m_serialUnknown) {
            volume.m_strOrgLabel = "Unkown"; // as for a volume that cannot be read
        } else {
            volume.m_strOrgLabel = FormatSerialNumber(facts->m_serial);
        }
    } else {
        // The volume cannot be read; the folder itself is still walked.
        volume.m_strRoot = realPath;
        volume.m_strName.clear();
        volume.m_strOrgLabel = "Unkown";
    }
    volume.m_strLabel = label ? *label : volume.m_strOrgLabel;
    if (comment) {
        volume.SetComment(*comment);
    }
    volume.RecomputeLocation();
}

int CVolumeScanner::ReadFolder(SFileInfo& folder) {
    if (StopRequested()) {
        return 0;
    }
    const std::string osPath = RecordOsPath(folder);
    const int level = FolderLevel(folder);
    if (osPath.empty()) {
        return ENOENT;
    }
    if (level >= kMaxScanLevel) {
        PostScanProgress(kScanProgressRecord, &folder);
        return 0;
    }
    const SWalkScan scan{m_options, m_lister, m_extractor != nullptr, m_previous, m_keepUnchanged,
                         m_report,  m_entries};
    CFolderWalk walk(*this, scan);
    return walk.Run(folder, osPath, level);
}

void CVolumeScanner::SetCrc(SFileInfo& record, std::uint32_t crc) {
    record.m_dwExtValue = crc;
    if (crc != 0) {
        record.m_wExtFlags |= kExtFlagCrc;
    } else {
        record.m_wExtFlags &= static_cast<std::uint16_t>(~kExtFlagCrc);
    }
}

std::uint32_t CVolumeScanner::FileCrc32(int dirFd, const char* name) {
    std::uint32_t crc = 0;
    ReadCrc32(dirFd, name, UINT64_MAX, crc);
    return crc;
}

int CVolumeScanner::ReadCrc32(int dirFd, const char* name, std::uint64_t limit, std::uint32_t& crc,
                              const std::stop_token& stop) {
    crc = 0;
    // O_NONBLOCK: should a FIFO take the file's place after it was listed, the open
    // does not wait for a writer; the type check below then refuses it.
    const int fd = openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ELOOP ? 0 : errno; // a link put in the file's place is no file
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 0;
    }
    // The size the file reports bounds the reading: files of /proc report 0 and some
    // never end (pagemap), and a file that grows meanwhile is read as it was listed.
    std::uint64_t left = std::min<std::uint64_t>(limit, static_cast<std::uint64_t>(st.st_size));
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Page-aligned: the kernel copies into an unaligned buffer at a third of the speed.
    struct SFree {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    thread_local const std::unique_ptr<unsigned char, SFree> buffer(
        static_cast<unsigned char*>(std::aligned_alloc(4096, kCrcBufferSize)));
    if (!buffer) {
        close(fd);
        return ENOMEM;
    }
    int result = 0;
    for (unsigned blocks = 1; left > 0; ++blocks) {
        // A cancel is not kept waiting for the end of a huge file; the partial tree
        // is thrown away anyway.
        if (blocks % kCrcCancelCheckBlocks == 0 && stop.stop_requested()) {
            result = ECANCELED;
            break;
        }
        const ssize_t got = read(fd, buffer.get(), std::min<std::uint64_t>(left, kCrcBufferSize));
        if (got == 0) {
            break; // shorter than it said: the CRC of what is there
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result = errno; // a file that cannot be read to its end has no CRC
            break;
        }
        crc = Crc32Update(crc, buffer.get(), static_cast<std::size_t>(got));
        left -= static_cast<std::uint64_t>(got);
    }
    close(fd);
    if (result != 0) {
        crc = 0;
    }
    return result;
}

bool CVolumeScanner::CollectCRC(SFileInfo& record, bool recurse) {
    if (StopRequested()) {
        return false;
    }
    if (record.IsInsideArchive() && m_lister) {
        // One pass over the archive for everything below, not one per entry.
        return m_lister->CollectArchiveCrcs(record, recurse);
    }
    bool obtained = false;
    if (!record.IsDirectory()) {
        PostScanProgress(kScanProgressCrc, &record);
        std::uint32_t crc = 0;
        if (record.IsInsideArchive()) {
            crc = m_lister ? m_lister->ArchiveEntryCrc(record) : 0;
        } else if (const std::string path = RecordOsPath(record); !path.empty()) {
            const int error = ReadCrc32(AT_FDCWD, path.c_str(), record.m_nSize, crc, m_stop);
            if (error != 0 && error != ECANCELED) {
                m_report.Add(SkipKind::UnreadableFile, record, error);
            }
        }
        SetCrc(record, crc);
        obtained = crc != 0;
    }
    if (!recurse) {
        return obtained;
    }
    for (std::size_t i = 0; i < record.ChildCount(); ++i) {
        obtained = CollectCRC(*record.ChildAt(i), true) || obtained;
        if (StopRequested()) {
            break;
        }
    }
    return obtained;
}

bool CVolumeScanner::ExtractComment(SFileInfo& record, int slot, bool overwrite, bool recurse,
                                    bool checkCancel) {
    if (checkCancel && StopRequested()) {
        return false;
    }
    if (record.IsInsideArchive()) {
        return m_lister ? m_lister->ExtractArchiveComments(record, slot, overwrite, recurse,
                                                           checkCancel ? m_stop : std::stop_token())
                        : true;
    }
    if (m_extractor && (overwrite || record.Text(slot).empty()) && !record.IsDirectory()) {
        const std::string path = RecordOsPath(record);
        struct stat st {};
        // Only regular files are handed over: never a FIFO, socket, device or link.
        if (!path.empty() && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            // Nothing extracted leaves the slot empty (it was empty, or is overwritten).
            std::string text;
            const bool extracted = m_extractor->ExtractText(path, record, text);
            record.SetText(slot, extracted ? std::move(text) : std::string());
        }
    }
    if (!recurse) {
        return true;
    }
    for (std::size_t i = 0; i < record.ChildCount(); ++i) {
        if (!ExtractComment(*record.ChildAt(i), slot, overwrite, recurse, checkCancel)) {
            return false;
        }
        if (checkCancel && StopRequested()) {
            return false;
        }
    }
    return true;
}

void CVolumeScanner::UpdateDiskSpace(SVolumeInfo& volume) {
    volume.m_nTotalBytes = volume.m_nSize;
    volume.m_nFreeBytes = kUnknownSize;
    if (!volume.m_bPresent) {
        return;
    }
    const std::string folder = MediumOsFolder(volume);
    SVolumeFacts facts;
    if (folder.empty() || CVolumeProbe::ProbePath(folder, facts) != 0 || !facts.m_spaceKnown) {
        return;
    }
    volume.m_dwSectorsPerCluster = facts.m_sectorsPerCluster;
    volume.m_dwBytesPerSector = facts.m_bytesPerSector;
    if (volume.m_strName.empty()) {
        volume.m_nTotalBytes = facts.m_totalBytes;
        volume.m_nFreeBytes = facts.m_freeBytes;
    }
}

void CVolumeScanner::PostScanProgress(int code, const SFileInfo* record) {
    if (m_progress) {
        m_progress->Post(code, record);
    }
}

} // namespace quillora
