// Case file locks with flock, checked against the file the path names.
#include "model/CCaseLock.h"

#include "model/FileException.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillora {

namespace {

SCaseFileFacts FactsOf(const struct stat& st) {
    SCaseFileFacts facts;
    facts.m_nDevice = st.st_dev;
    facts.m_nInode = st.st_ino;
    facts.m_nSize = static_cast<std::uint64_t>(st.st_size);
    facts.m_nModifiedNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return facts;
}

int FlockOp(CCaseLock::EKind kind) {
    return kind == CCaseLock::EKind::Shared ? LOCK_SH : LOCK_EX;
}

// Errors of file systems that take no flock (or, like NFS, only on a file open for
// writing).
bool LockingUnsupported(int error) {
    return error == EBADF || error == ENOLCK || error == EOPNOTSUPP || error == EINVAL;
}

} // namespace

std::optional<SCaseFileFacts> SCaseFileFacts::OfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FactsOf(st);
}

std::optional<SCaseFileFacts> SCaseFileFacts::OfFd(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    return FactsOf(st);
}

CCaseLock::EResult CCaseLock::Acquire(const std::string& path, EKind kind, bool wait,
                                      const std::function<void()>& waiting) {
    Release();
    bool told = false;
    for (;;) {
        CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() < 0) {
            if (errno == ENOENT) {
                return EResult::NoFile;
            }
            CFileException::ThrowErrno(path);
        }
        struct stat held {};
        if (::fstat(fd.Get(), &held) != 0) {
            CFileException::ThrowErrno(path);
        }
        if (!S_ISREG(held.st_mode)) {
            throw CFileException(CFileException::accessDenied, 0, path, "not a regular file");
        }
        int result = ::flock(fd.Get(), FlockOp(kind) | LOCK_NB);
        if (result != 0 && errno == EBADF && kind == EKind::Exclusive) {
            // NFS emulates flock with record locks, which want a file open for writing.
            // Opened so only there: a writable descriptor, closed, reads as a change
            // to programs that watch the file.
            CUniqueFd writable(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
            struct stat st {};
            if (writable.Get() >= 0 && ::fstat(writable.Get(), &st) == 0 &&
                st.st_ino == held.st_ino && st.st_dev == held.st_dev) {
                fd = std::move(writable);
                result = ::flock(fd.Get(), FlockOp(kind) | LOCK_NB);
            } else {
                errno = EBADF;
            }
        }
        if (result != 0) {
            if (LockingUnsupported(errno)) {
                return EResult::Unsupported;
            }
            if (errno != EWOULDBLOCK) {
                CFileException::ThrowErrno(path);
            }
            if (!wait) {
                return EResult::Busy;
            }
            if (!told && waiting) {
                waiting();
            }
            told = true;
            while (::flock(fd.Get(), FlockOp(kind)) != 0) {
                if (errno != EINTR) {
                    CFileException::ThrowErrno(path);
                }
            }
        }
        // The holder we waited for may have put a new file at the path; its lock
        // then guards that file, and ours must be taken there.
        struct stat named {};
        if (::stat(path.c_str(), &named) != 0) {
            if (errno == ENOENT) {
                continue;
            }
            CFileException::ThrowErrno(path);
        }
        if (named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            m_facts = FactsOf(named);
            m_fd = std::move(fd);
            return EResult::Held;
        }
    }
}

void CCaseLock::Adopt(CUniqueFd fd, EKind kind) {
    Release();
    if (fd.Get() < 0) {
        return;
    }
    // Turning an exclusive lock into a shared one never waits.
    ::flock(fd.Get(), FlockOp(kind));
    m_facts = SCaseFileFacts::OfFd(fd.Get()).value_or(SCaseFileFacts{});
    m_fd = std::move(fd);
}

CCaseLock::CCaseLock(CCaseLock&& other) noexcept
    : m_fd(std::move(other.m_fd)), m_facts(other.m_facts),
      m_strCreated(std::exchange(other.m_strCreated, {})) {}

CCaseLock& CCaseLock::operator=(CCaseLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::move(other.m_fd);
        m_facts = other.m_facts;
        m_strCreated = std::exchange(other.m_strCreated, {});
    }
    return *this;
}

CCaseLock::~CCaseLock() {
    Release();
}

CCaseLock::EResult CCaseLock::AcquireForWrite(const std::string& path, bool wait,
                                              const std::function<void()>& waiting) {
    for (;;) {
        const EResult result = Acquire(path, EKind::Exclusive, wait, waiting);
        if (result != EResult::NoFile) {
            return result;
        }
        CUniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.Get() < 0) {
            if (errno == EEXIST) {
                continue; // another program made it first: lock theirs
            }
            CFileException::ThrowErrno(path);
        }
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            // Nobody else can hold a file made this instant; only a file system
            // without locks refuses, and then the empty file is not wanted.
            const int error = errno;
            fd = CUniqueFd();
            ::unlink(path.c_str());
            if (LockingUnsupported(error)) {
                return EResult::Unsupported;
            }
            errno = error;
            CFileException::ThrowErrno(path);
        }
        m_facts = SCaseFileFacts::OfFd(fd.Get()).value_or(SCaseFileFacts{});
        m_fd = std::move(fd);
        m_strCreated = path;
        return EResult::Held;
    }
}

void CCaseLock::Release() {
    if (!m_strCreated.empty() && m_fd.Get() >= 0) {
        // Still the empty file made for the lock: nothing was saved, so it goes.
        const std::optional<SCaseFileFacts> named = SCaseFileFacts::OfPath(m_strCreated);
        if (named && named->m_nDevice == m_facts.m_nDevice && named->m_nInode == m_facts.m_nInode &&
            named->m_nSize == 0) {
            ::unlink(m_strCreated.c_str());
        }
    }
    m_strCreated.clear();
    m_fd = CUniqueFd();
    m_facts = {};
}

} // namespace quillora
