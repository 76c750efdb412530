// Plain case file stream with atomic replacement on save.
#include "model/CPlainCaseFile.h"

#include "model/FileException.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 16;

// The permissions the new file gets: those of the file it replaces, else the default.
mode_t ModeFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

CPlainCaseFile::~CPlainCaseFile() {
    if (m_fd >= 0) {
        Abort();
    }
}

void CPlainCaseFile::Open(const std::string& path, unsigned flags) {
    m_strPath = path;
    m_bWriting = (flags & (kOpenWrite | kOpenReadWrite)) != 0;
    if (!m_bWriting) {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            CFileException::ThrowErrno(path);
        }
        struct stat st {};
        if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
            throw CFileException(CFileException::accessDenied, EISDIR, path);
        }
        return;
    }
    m_strTempPath = path + ".XXXXXX";
    m_fd = ::mkostemp(m_strTempPath.data(), O_CLOEXEC);
    if (m_fd < 0) {
        int error = errno;
        m_strTempPath.clear();
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    ::fchmod(m_fd, ModeFor(path));
    m_buffer.reserve(kWriteBuffer);
}

std::size_t CPlainCaseFile::Read(void* buffer, std::size_t count) {
    char* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(m_fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            CFileException::ThrowErrno(m_strPath);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void CPlainCaseFile::Write(const void* buffer, std::size_t count) {
    const char* in = static_cast<const char*>(buffer);
    if (m_buffer.size() + count > kWriteBuffer) {
        FlushBuffer();
    }
    if (count >= kWriteBuffer) {
        m_buffer.assign(in, count);
        FlushBuffer();
        return;
    }
    m_buffer.append(in, count);
}

void CPlainCaseFile::FlushBuffer() {
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            CFileException::ThrowErrno(m_strPath);
        }
        done += static_cast<std::size_t>(n);
    }
    m_buffer.clear();
}

void CPlainCaseFile::Flush() {
    if (m_bWriting) {
        FlushBuffer();
    }
}

void CPlainCaseFile::Close() {
    if (m_fd < 0) {
        return;
    }
    if (!m_bWriting) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    FlushBuffer();
    if (::fsync(m_fd) != 0) {
        CFileException::ThrowErrno(m_strPath);
    }
    if (::close(m_fd) != 0) {
        m_fd = -1;
        CFileException::ThrowErrno(m_strPath);
    }
    m_fd = -1;
    if (::rename(m_strTempPath.c_str(), m_strPath.c_str()) != 0) {
        int error = errno;
        ::unlink(m_strTempPath.c_str());
        m_strTempPath.clear();
        throw CFileException(CFileException::CauseFromErrno(error), error, m_strPath);
    }
    m_strTempPath.clear();
}

void CPlainCaseFile::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_strTempPath.empty()) {
        ::unlink(m_strTempPath.c_str());
        m_strTempPath.clear();
    }
    m_buffer.clear();
}

std::uint64_t CPlainCaseFile::GetLength() {
    struct stat st {};
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0) {
        return static_cast<std::uint64_t>(st.st_size);
    }
    return 0;
}

} // namespace quillora
