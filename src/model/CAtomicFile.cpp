// The new file of a save: an unnamed file (O_TMPFILE) linked in only at the end, or,
// where the file system has none, a locked ".quillora-save-XXXXXX" that the next save
// in the folder removes when its writer was killed.
#include "model/CAtomicFile.h"

#include "model/FileException.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr char kTempPrefix[] = ".quillora-save-";
constexpr std::size_t kTempPrefixLength = sizeof kTempPrefix - 1;
constexpr std::size_t kTempRandomLength = 6;
constexpr int kMaxLinkHops = 40;

std::atomic<bool> g_unnamedAllowed{true};

[[noreturn]] void ThrowErrno(int error, const std::string& path) {
    throw CFileException(CFileException::CauseFromErrno(error), error, path);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links at `path` ends in; it need not exist.
std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                return current;
            }
            ThrowErrno(errno, path);
        }
        if (!S_ISLNK(st.st_mode)) {
            return current;
        }
        if (hops == kMaxLinkHops) {
            ThrowErrno(ELOOP, path);
        }
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0) {
            ThrowErrno(errno, path);
        }
        target.resize(static_cast<std::size_t>(n));
        current = !target.empty() && target[0] == '/' ? target : FolderOf(current) + "/" + target;
    }
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

std::string RandomSuffix() {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string suffix(kTempRandomLength, 'X');
    for (char& c : suffix) {
        c = kChars[pick(random)];
    }
    return suffix;
}

bool IsOurTempName(const char* name) {
    return std::strncmp(name, kTempPrefix, kTempPrefixLength) == 0 &&
           std::strlen(name) == kTempPrefixLength + kTempRandomLength;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

CAtomicFile::~CAtomicFile() {
    if (!m_bCommitted) {
        Abort();
    }
}

void CAtomicFile::SetUnnamedFiles(bool allowed) {
    g_unnamedAllowed = allowed;
}

void CAtomicFile::Open(const std::string& path) {
    Abort();
    m_bCommitted = false;
    m_strTarget = FollowLinks(path);
    m_bHadOld = false;
    struct stat st {};
    if (::stat(m_strTarget.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            throw CFileException(CFileException::accessDenied, 0, path,
                                 std::string("is ") + KindOf(st.st_mode) +
                                     "; only a regular file is ever replaced");
        }
        if ((st.st_mode & 0222) == 0 ||
            (::faccessat(AT_FDCWD, m_strTarget.c_str(), W_OK, AT_EACCESS) != 0 &&
             errno == EACCES)) {
            throw CFileException(CFileException::accessDenied, EACCES, path,
                                 "the file is read-only; save it under another name");
        }
        m_bHadOld = true;
        m_nOldMode = st.st_mode & 07777;
        m_nOldUid = st.st_uid;
        m_nOldGid = st.st_gid;
    } else if (errno != ENOENT) {
        ThrowErrno(errno, path);
    }
    m_strFolder = FolderOf(m_strTarget);
    RemoveStaleTemporaries(m_strFolder);
    m_bUnnamed = false;
    if (g_unnamedAllowed && ::access("/proc/self/fd", X_OK) == 0) {
        OpenUnnamed(m_strFolder);
    }
    if (m_fd.Get() < 0) {
        OpenNamed(m_strFolder);
    }
    if (m_bHadOld) {
        // Someone else's file stays theirs where the user may say so (a group the user
        // belongs to, or root); otherwise it becomes the user's, as any editor's save.
        if ((m_nOldUid != ::geteuid() || m_nOldGid != ::getegid()) &&
            ::fchown(m_fd.Get(), m_nOldUid, m_nOldGid) != 0) {
            (void)!::fchown(m_fd.Get(), static_cast<uid_t>(-1), m_nOldGid);
        }
        ::fchmod(m_fd.Get(), m_nOldMode);
    }
}

void CAtomicFile::OpenUnnamed(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        int error = errno;
        // File systems without unnamed files say so in one of these ways.
        if (error == EOPNOTSUPP || error == EISDIR || error == EINVAL) {
            return;
        }
        ThrowErrno(error, m_strTarget);
    }
    m_fd = CUniqueFd(fd);
    ::flock(fd, LOCK_EX);
    m_bUnnamed = true;
}

void CAtomicFile::OpenNamed(const std::string& folder) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = folder + "/" + kTempPrefix + RandomSuffix();
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            ThrowErrno(errno, m_strTarget);
        }
        CUniqueFd file(fd);
        // Between the create and the lock, another save's clean-up may have taken the
        // file for a dead writer's: then it is gone, and a fresh name is tried.
        struct stat mine {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &mine) != 0 ||
            ::lstat(name.c_str(), &named) != 0 || !SameFile(mine, named)) {
            continue;
        }
        m_fd = std::move(file);
        m_strTempPath = name;
        return;
    }
    ThrowErrno(EEXIST, m_strTarget);
}

void CAtomicFile::Commit() {
    if (m_fd.Get() < 0 || m_bCommitted) {
        throw CFileException(CFileException::genericException, 0, m_strTarget,
                             "the new file is not open");
    }
    try {
        if (::fsync(m_fd.Get()) != 0) {
            ThrowErrno(errno, m_strTarget);
        }
        Publish();
    } catch (...) {
        Abort();
        throw;
    }
    m_bCommitted = true;
    // The new name is lasting only once the folder is on disk too.
    CUniqueFd dir(::open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
}

void CAtomicFile::Publish() {
    if (m_bUnnamed) {
        // An unnamed file cannot replace another directly: it gets a temporary name,
        // which the rename below takes away again at once.
        const std::string procPath = "/proc/self/fd/" + std::to_string(m_fd.Get());
        for (int attempt = 0; m_strTempPath.empty(); ++attempt) {
            std::string name = m_strFolder + "/" + kTempPrefix + RandomSuffix();
            if (::linkat(m_fd.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
                ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
                    0) {
                m_strTempPath = name;
                break;
            }
            if (errno != EEXIST || attempt == 100) {
                ThrowErrno(errno, m_strTarget);
            }
        }
    }
    if (::rename(m_strTempPath.c_str(), m_strTarget.c_str()) != 0) {
        ThrowErrno(errno, m_strTarget);
    }
    m_strTempPath.clear();
}

void CAtomicFile::Abort() {
    if (!m_strTempPath.empty()) {
        ::unlink(m_strTempPath.c_str());
        m_strTempPath.clear();
    }
    m_fd = CUniqueFd();
}

CUniqueFd CAtomicFile::TakeLockedFd() {
    if (!m_bCommitted) {
        return CUniqueFd();
    }
    return std::move(m_fd);
}

int CAtomicFile::RemoveStaleTemporaries(const std::string& folder) {
    CUniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() < 0) {
        return 0;
    }
    DIR* dir = ::fdopendir(::dup(dirFd.Get()));
    if (!dir) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsOurTempName(entry->d_name)) {
            continue;
        }
        CUniqueFd file(
            ::openat(dirFd.Get(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {
        }, named{};
        if (file.Get() < 0 || ::fstat(file.Get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            held.st_uid != ::geteuid()) {
            continue;
        }
        // A writer holds its file's lock until it is done: a lock we can take is one
        // whose writer was killed.
        if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        if (::fstatat(dirFd.Get(), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(held, named) && ::unlinkat(dirFd.Get(), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

} // namespace quillora
