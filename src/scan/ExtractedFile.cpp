// Writing one extracted file through a temporary: O_TMPFILE where the file system has
// it, else a short random name; either way the final name is given last.
#include "scan/ExtractedFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

// A nameless file can only be given a name through /proc without extra privileges.
bool ProcFdAvailable() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

} // namespace

std::string CExtractedFile::TempName() {
    thread_local std::mt19937 generator{std::random_device{}() ^ static_cast<unsigned>(::getpid())};
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kChars) - 2);
    std::string name = ".q";
    for (int i = 0; i < 8; ++i) {
        name += kChars[pick(generator)];
    }
    return name;
}

CExtractedFile::~CExtractedFile() {
    Discard();
}

bool CExtractedFile::Fail(const std::string& cause) {
    m_strError = m_strShown + ": " + cause;
    Discard();
    return false;
}

bool CExtractedFile::FailErrno(int error) {
    return Fail(std::strerror(error));
}

bool CExtractedFile::Create(int folderFd, const std::string& name, std::string shownPath) {
    Discard();
    m_folderFd = folderFd;
    m_strName = name;
    m_strShown = std::move(shownPath);
    m_nEnd = 0;
    m_strError.clear();
    if (ProcFdAvailable()) {
        const int fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            m_fd = CUniqueFd(fd);
            return true;
        }
    }
    for (int attempt = 0; attempt < 32; ++attempt) {
        std::string temp = TempName();
        const int fd = ::openat(folderFd, temp.c_str(),
                                O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            m_fd = CUniqueFd(fd);
            m_strTempName = std::move(temp);
            return true;
        }
        if (errno != EEXIST) {
            return FailErrno(errno);
        }
    }
    return Fail("no temporary name is free");
}

bool CExtractedFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    if (m_fd.Get() < 0) {
        return m_strError.empty() ? Fail("not open") : false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd.Get(), bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return FailErrno(errno);
        }
        if (n == 0) {
            return Fail("short write");
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    if (offset > m_nEnd) {
        m_nEnd = offset;
    }
    return true;
}

bool CExtractedFile::Commit(std::uint64_t length, unsigned mode, const struct timespec& mtime,
                            const struct timespec* atime) {
    if (m_fd.Get() < 0) {
        return m_strError.empty() ? Fail("not open") : false;
    }
    const int fd = m_fd.Get();
    if (length > m_nEnd && ::ftruncate(fd, static_cast<off_t>(length)) != 0) {
        return FailErrno(errno);
    }
    if (::fchmod(fd, static_cast<mode_t>(mode & 07777)) != 0) {
        return FailErrno(errno);
    }
    const struct timespec times[2] = {atime ? *atime : mtime, mtime};
    if (::futimens(fd, times) != 0) {
        return FailErrno(errno);
    }
    if (!m_strTempName.empty()) {
        struct stat existing {};
        if (::fstatat(m_folderFd, m_strName.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
            ::fdatasync(fd) != 0) {
            return FailErrno(errno);
        }
        // A late write error (a network file system) shows at close.
        if (!m_fd.Close()) {
            return FailErrno(errno);
        }
        if (::renameat(m_folderFd, m_strTempName.c_str(), m_folderFd, m_strName.c_str()) != 0) {
            return FailErrno(errno);
        }
        m_strTempName.clear();
        return true;
    }
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, proc, m_folderFd, m_strName.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_fd.Close();
        return true;
    }
    if (errno != EEXIST) {
        return FailErrno(errno);
    }
    // Something has the name: the file gets a short name of its own first and is then
    // renamed over it, so the old one is replaced in one step, and only by bytes that
    // are on disk.
    if (::fdatasync(fd) != 0) {
        return FailErrno(errno);
    }
    for (int attempt = 0; attempt < 32; ++attempt) {
        std::string temp = TempName();
        if (::linkat(AT_FDCWD, proc, m_folderFd, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return FailErrno(errno);
        }
        m_fd.Close();
        if (::renameat(m_folderFd, temp.c_str(), m_folderFd, m_strName.c_str()) != 0) {
            const int error = errno;
            ::unlinkat(m_folderFd, temp.c_str(), 0);
            return FailErrno(error);
        }
        return true;
    }
    return Fail("no temporary name is free");
}

void CExtractedFile::Discard() {
    if (m_fd.Get() >= 0) {
        m_fd.Close();
    }
    if (!m_strTempName.empty()) {
        ::unlinkat(m_folderFd, m_strTempName.c_str(), 0);
        m_strTempName.clear();
    }
}

} // namespace quillora
