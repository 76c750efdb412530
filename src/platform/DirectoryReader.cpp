// Folder enumeration through getdents64 (for the order) and statx (for the facts).
#include "platform/DirectoryReader.h"

#include "platform/OsPath.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace quillora {

namespace {

FileTime FromStatx(const struct statx_timestamp& ts) {
    return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

EntryKind KindFromMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::Regular;
    }
    if (S_ISDIR(mode)) {
        return EntryKind::Directory;
    }
    if (S_ISLNK(mode)) {
        return EntryKind::Symlink;
    }
    return EntryKind::Other;
}

EntryKind KindFromDirentType(unsigned char type) {
    switch (type) {
    case DT_REG:
        return EntryKind::Regular;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_LNK:
        return EntryKind::Symlink;
    default:
        return EntryKind::Other;
    }
}

std::uint32_t AttributesFor(const SDirEntry& entry, bool writable) {
    std::uint32_t attributes = 0;
    switch (entry.m_kind) {
    case EntryKind::Directory:
        attributes |= kAttrDirectory;
        break;
    case EntryKind::Regular:
        attributes |= kAttrArchive;
        break;
    case EntryKind::Symlink:
        attributes |= kAttrReparsePoint;
        break;
    case EntryKind::Other:
        break;
    }
    if (!writable) {
        attributes |= kAttrReadOnly;
    }
    if (!entry.m_osName.empty() && entry.m_osName.front() == '.') {
        attributes |= kAttrHidden;
    }
    return attributes;
}

// FAT keeps real DOS attributes (hidden, system, archive, read-only) that media
// written on other systems carry; vfat hands them out through an ioctl.
bool ReadFatAttributes(int dirFd, const char* name, std::uint32_t& attributes) {
    const int fd = openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    __u32 value = 0;
    const bool ok = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value) == 0;
    close(fd);
    if (ok) {
        attributes = value;
    }
    return ok;
}

void FillFacts(int dirFd, const char* name, unsigned char listedType, bool fat, bool dontSync,
               SDirEntry& entry) {
    struct statx sx {};
    // Only what the catalogue keeps; the device comes with every answer.
    const unsigned mask =
        STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (dontSync ? AT_STATX_DONT_SYNC : 0);
    if (statx(dirFd, name, flags, mask, &sx) != 0) {
        entry.m_factsMissing = true;
        entry.m_factsError = errno;
        entry.m_kind = KindFromDirentType(listedType);
        entry.m_attributes = AttributesFor(entry, true);
        return;
    }
    entry.m_kind = KindFromMode(sx.stx_mode);
    entry.m_size = entry.m_kind == EntryKind::Regular ? sx.stx_size : 0;
    entry.m_device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    entry.m_lastWrite = FromStatx(sx.stx_mtime);
    entry.m_lastAccess = (sx.stx_mask & STATX_ATIME) ? FromStatx(sx.stx_atime) : entry.m_lastWrite;
    entry.m_creation = (sx.stx_mask & STATX_BTIME) ? FromStatx(sx.stx_btime) : entry.m_lastWrite;
    // Links carry mode 0777 whatever their target; only real entries can be read-only.
    const bool writable =
        entry.m_kind == EntryKind::Symlink || (sx.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    entry.m_attributes = AttributesFor(entry, writable);
    if (fat && (entry.m_kind == EntryKind::Regular || entry.m_kind == EntryKind::Directory)) {
        ReadFatAttributes(dirFd, name, entry.m_attributes);
    }
}

// Large enough that most folders are listed by one call (and the one that says the
// end); about 100 bytes per entry of a short name.
constexpr std::size_t kBufferSize = 32 * 1024;

} // namespace

CDirectoryReader::CDirectoryReader() = default;

CDirectoryReader::~CDirectoryReader() {
    Close();
}

void CDirectoryReader::Close() {
    if (m_own && m_fd >= 0) {
        close(m_fd);
    }
    m_fd = -1;
    m_own = false;
    m_error = 0;
    m_end = false;
    m_pos = 0;
    m_filled = 0;
}

bool CDirectoryReader::IsFatFileSystem(int dirFd) {
    struct statfs fs {};
    return fstatfs(dirFd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

bool CDirectoryReader::HasEntries(int dirFd, const char* name) {
    const int fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return true;
    }
    CDirectoryReader reader;
    reader.Borrow(fd, false);
    const char* entry = nullptr;
    unsigned char type = DT_UNKNOWN;
    const bool any = reader.NextName(entry, type) || reader.Error() != 0;
    reader.Close();
    close(fd);
    return any;
}

int CDirectoryReader::Open(const std::string& osPath) {
    Close();
    const int fd = open(osPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    return OpenFd(fd);
}

int CDirectoryReader::OpenFd(int dirFd) {
    Close();
    struct stat st {};
    if (fstat(dirFd, &st) != 0) {
        const int error = errno;
        close(dirFd);
        return error;
    }
    if (!S_ISDIR(st.st_mode)) {
        close(dirFd);
        return ENOTDIR;
    }
    Borrow(dirFd, IsFatFileSystem(dirFd));
    m_own = true;
    return 0;
}

void CDirectoryReader::Borrow(int dirFd, bool fat, bool dontSync) {
    Close();
    m_fd = dirFd;
    m_fat = fat;
    m_dontSync = dontSync;
    if (!m_buffer) {
        m_buffer = std::make_unique<char[]>(kBufferSize);
    }
}

bool CDirectoryReader::NextName(const char*& name, unsigned char& type) {
    while (true) {
        if (m_pos >= m_filled) {
            if (m_end || m_fd < 0) {
                return false;
            }
            const ssize_t got = getdents64(m_fd, m_buffer.get(), kBufferSize);
            if (got <= 0) {
                m_error = got < 0 ? errno : 0;
                m_end = true;
                return false;
            }
            m_pos = 0;
            m_filled = static_cast<std::size_t>(got);
        }
        const auto* ent = reinterpret_cast<const struct dirent64*>(m_buffer.get() + m_pos);
        m_pos += ent->d_reclen;
        const char* n = ent->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) {
            continue;
        }
        name = n;
        type = ent->d_type;
        return true;
    }
}

bool CDirectoryReader::Next(SDirEntry& entry) {
    const char* name = nullptr;
    unsigned char type = DT_UNKNOWN;
    if (!NextName(name, type)) {
        return false;
    }
    entry.m_osName.assign(name);
    ModelNameFromOs(entry.m_osName, entry.m_name);
    entry.m_kind = EntryKind::Other;
    entry.m_size = 0;
    entry.m_attributes = 0;
    entry.m_creation = 0;
    entry.m_lastAccess = 0;
    entry.m_lastWrite = 0;
    entry.m_device = 0;
    entry.m_factsMissing = false;
    entry.m_factsError = 0;
    FillFacts(m_fd, name, type, m_fat, m_dontSync, entry);
    return true;
}

int CDirectoryReader::ReadAll(const std::string& osPath, std::vector<SDirEntry>& entries) {
    CDirectoryReader reader;
    if (const int error = reader.Open(osPath)) {
        return error;
    }
    SDirEntry entry;
    while (reader.Next(entry)) {
        entries.push_back(entry);
    }
    return reader.Error();
}

} // namespace quillora
