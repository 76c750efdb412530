// Records to real files: presence by the drive monitor's own checks, paths joined from
// the stored names, archive entries extracted into a private folder that is gone again
// before the file is read (the open descriptor keeps the bytes).
#include "mount/CMediumFiles.h"

#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "model/MediumPath.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "mount/CNodeTable.h"
#include "platform/OsPath.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchivePath.h"
#include "scan/PrivateWorkFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace quillora {

namespace {

bool InsideArchive(const SMountNode& node) {
    return (node.m_dwFlags & (kFlagListedArchive | kFlagArcEntry)) != 0;
}

} // namespace

CMediumFiles::CMediumFiles(CArchiveExpander* archives, CMediaPresence::DriveSource drives,
                           SDriveChoice choice)
    : m_archives(archives), m_drives(std::move(drives)), m_choice(choice) {}

std::string CMediumFiles::MediumFolder(const SMediumFacts& facts) const {
    // A medium of its own, outside any case, so that the presence check sees this
    // medium alone and starts from "absent" every time.
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_dwFlags = facts.m_dwFlags;
    medium->m_strName = facts.m_strName;
    medium->m_dwSerial = facts.m_volume.m_dwSerial;
    medium->m_strLabel = facts.m_volume.m_strLabel;
    medium->m_strOrgLabel = facts.m_volume.m_strOrgLabel;
    medium->RecomputeLocation();
    CMediaPresence presence(m_drives, m_choice);
    if (!presence.IsMediumPresentNow(*medium)) {
        return {};
    }
    return MediumOsFolder(*medium);
}

std::string CMediumFiles::OsPathOf(const CNodeTable& table, std::uint32_t index) const {
    const SMediumFacts* medium = table.MediumOf(index);
    if (!medium) {
        return {};
    }
    const std::uint32_t archive = OutermostArchive(table, index);
    std::uint32_t target = archive == kNoNode ? index : archive;
    std::vector<std::uint32_t> chain;
    for (std::uint32_t r = target; r != medium->m_nNode; r = table.Node(r).m_nParent) {
        chain.push_back(r);
    }
    std::string path = MediumFolder(*medium);
    if (path.empty()) {
        return {};
    }
    for (std::size_t i = chain.size(); i-- > 0;) {
        if (path.back() != '/') {
            path += '/';
        }
        path += OsNameFromModel(table.StoredName(chain[i]));
    }
    return path;
}

std::uint32_t CMediumFiles::OutermostArchive(const CNodeTable& table, std::uint32_t index) {
    // As the tree does it: up while the parent is itself in an archive.
    std::uint32_t r = index;
    for (;;) {
        const std::uint32_t parent = table.Node(r).m_nParent;
        if (parent == kNoNode) {
            break;
        }
        const SMountNode& p = table.Node(parent);
        const bool parentInside =
            InsideArchive(p) || (p.m_nParent != kNoNode && InsideArchive(table.Node(p.m_nParent)));
        if (!parentInside) {
            break;
        }
        r = parent;
    }
    if (r == index || (table.Node(r).m_dwFlags & kFlagListedArchive) == 0) {
        return kNoNode;
    }
    return r;
}

std::string CMediumFiles::PathInArchive(const CNodeTable& table, std::uint32_t index,
                                        std::uint32_t archive) {
    std::vector<std::uint32_t> chain;
    for (std::uint32_t r = index; r != archive; r = table.Node(r).m_nParent) {
        if ((table.Node(r).m_dwFlags & kFlagParentPlaceholder) == 0) {
            chain.push_back(r);
        }
    }
    std::string path(table.ArcPrefix(index));
    for (std::size_t i = chain.size(); i-- > 0;) {
        path += table.StoredName(chain[i]);
        if (i > 0) {
            path += '\\';
        }
    }
    return path;
}

int CMediumFiles::Open(const CNodeTable& table, std::uint32_t index, CUniqueFd& fd) const {
    if (table.IsFolder(index)) {
        return EISDIR;
    }
    const std::uint32_t archive = OutermostArchive(table, index);
    if (archive != kNoNode) {
        return OpenArchiveEntry(table, index, archive, fd);
    }
    const std::string path = OsPathOf(table, index);
    if (path.empty()) {
        return ENOMEDIUM;
    }
    CUniqueFd opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (opened.Get() < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(opened.Get(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    }
    // Back to blocking reads now that no FIFO can hold the open.
    ::fcntl(opened.Get(), F_SETFL, 0);
    fd = std::move(opened);
    return 0;
}

int CMediumFiles::OpenArchiveEntry(const CNodeTable& table, std::uint32_t index,
                                   std::uint32_t archive, CUniqueFd& fd) const {
    const std::string archivePath = OsPathOf(table, archive);
    if (archivePath.empty()) {
        return ENOMEDIUM;
    }
    if (!m_archives) {
        return EIO;
    }
    CArchiver* adapter = m_archives->AdapterForType(table.Node(archive).m_wArcType);
    if (!adapter || !adapter->IsLoaded()) {
        LogFormat("mount: %s: no archiver to read it", archivePath.c_str());
        return EIO;
    }
    const std::string inArchive = PathInArchive(table, index, archive);
    CPrivateWorkFolder work;
    std::string reason;
    std::string base = TempFolder();
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    if (!work.Create(base, &reason)) {
        LogFormat("mount: %s", reason.c_str());
        return EIO;
    }
    if (!adapter->Extract(archivePath, work.Path(), {inArchive}, true)) {
        LogFormat("mount: %s: %s: %s", archivePath.c_str(), inArchive.c_str(),
                  adapter->LastError().c_str());
        return EIO;
    }
    const std::optional<std::filesystem::path> file = ExtractedPath(work.Path(), inArchive, true);
    if (!file) {
        return EIO;
    }
    CUniqueFd opened(::open(file->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (opened.Get() < 0) {
        return errno == ENOENT ? EIO : errno;
    }
    // The private folder goes with `work`; the descriptor keeps the extracted bytes.
    fd = std::move(opened);
    return 0;
}

} // namespace quillora
