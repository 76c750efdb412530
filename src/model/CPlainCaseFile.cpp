// Plain case file stream; saving replaces the file atomically.
#include "model/CPlainCaseFile.h"

#include "core/WriteAll.h"
#include "model/FileException.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 16;

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
        m_fd = OpenCaseForReading(path);
        return;
    }
    m_atomic.Open(path);
    m_fd = m_atomic.Fd();
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
    if (!WriteAll(m_fd, m_buffer)) {
        CFileException::ThrowErrno(m_strPath);
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
    try {
        FlushBuffer();
        m_fd = -1;
        m_atomic.Commit();
    } catch (...) {
        Abort();
        throw;
    }
}

void CPlainCaseFile::Abort() {
    if (m_bWriting) {
        m_atomic.Abort();
    } else if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
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
