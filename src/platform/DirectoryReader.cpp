// Folder enumeration through readdir (for the order) and statx (for the facts).
#include "platform/DirectoryReader.h"

#include "platform/OsPath.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

void FillFacts(int dirFd, const struct dirent* ent, bool fat, SDirEntry& entry) {
    struct statx sx {};
    const unsigned mask =
        STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    if (statx(dirFd, ent->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &sx) != 0) {
        entry.m_factsMissing = true;
        entry.m_kind = KindFromDirentType(ent->d_type);
        entry.m_attributes = AttributesFor(entry, true);
        return;
    }
    entry.m_kind = KindFromMode(sx.stx_mode);
    entry.m_size = entry.m_kind == EntryKind::Regular ? sx.stx_size : 0;
    entry.m_lastWrite = FromStatx(sx.stx_mtime);
    entry.m_lastAccess = (sx.stx_mask & STATX_ATIME) ? FromStatx(sx.stx_atime) : entry.m_lastWrite;
    entry.m_creation = (sx.stx_mask & STATX_BTIME) ? FromStatx(sx.stx_btime) : entry.m_lastWrite;
    // Links carry mode 0777 whatever their target; only real entries can be read-only.
    const bool writable =
        entry.m_kind == EntryKind::Symlink || (sx.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    entry.m_attributes = AttributesFor(entry, writable);
    if (fat && (entry.m_kind == EntryKind::Regular || entry.m_kind == EntryKind::Directory)) {
        ReadFatAttributes(dirFd, ent->d_name, entry.m_attributes);
    }
}

} // namespace

CDirectoryReader::~CDirectoryReader() {
    Close();
}

void CDirectoryReader::Close() {
    if (m_dir) {
        closedir(m_dir);
        m_dir = nullptr;
    }
    m_error = 0;
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
    struct statfs fs {};
    m_fat = fstatfs(dirFd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
    m_dir = fdopendir(dirFd);
    if (!m_dir) {
        const int error = errno;
        close(dirFd);
        return error;
    }
    return 0;
}

int CDirectoryReader::Fd() const {
    return m_dir ? dirfd(m_dir) : -1;
}

bool CDirectoryReader::Next(SDirEntry& entry) {
    if (!m_dir) {
        return false;
    }
    while (true) {
        errno = 0;
        const struct dirent* ent = readdir(m_dir);
        if (!ent) {
            m_error = errno;
            return false;
        }
        const std::string_view name(ent->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        entry = SDirEntry{};
        entry.m_osName.assign(name);
        entry.m_name = ModelNameFromOs(name);
        FillFacts(dirfd(m_dir), ent, m_fat, entry);
        return true;
    }
}

int CDirectoryReader::ReadAll(const std::string& osPath, std::vector<SDirEntry>& entries) {
    CDirectoryReader reader;
    if (const int error = reader.Open(osPath)) {
        return error;
    }
    SDirEntry entry;
    while (reader.Next(entry)) {
        entries.push_back(std::move(entry));
    }
    return reader.Error();
}

} // namespace quillora
