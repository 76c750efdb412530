// gzip case stream.
#include "model/CXFileZlib.h"

#include "model/FileException.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

// More than this after the case's last record is no case file of ours.
constexpr std::size_t kMaxTrailingBytes = 1 << 20;
// OS error 110 is the framework's "open failed"; strerror would call it a time-out.
constexpr const char* kOpenFailed = "cannot open a gzip stream on the file";

} // namespace

CXFileZlib::~CXFileZlib() {
    if (IsOpen()) {
        Abort();
    }
}

void CXFileZlib::Open(const std::string& path, unsigned flags) {
    m_strPath = path;
    m_nOpenFlags = static_cast<int>(flags);
    if (flags == kOpenRead || flags == kOpenShareDenyWrite) {
        m_reader = std::make_unique<CGzipFileReader>(CUniqueFd(OpenCaseForReading(path)), path);
        m_bWriting = false;
        return;
    }
    if ((flags & kOpenWrite) == 0 && flags != kOpenForSave) {
        throw CFileException(CFileException::genericException, 110, path, kOpenFailed);
    }
    m_atomic.Open(path);
    // zlib closes the descriptor it is given; the atomic file keeps its own, and with
    // it the lock, until the new file is in place.
    int fd = ::fcntl(m_atomic.Fd(), F_DUPFD_CLOEXEC, 0);
    m_gz = fd >= 0 ? gzdopen(fd, "wb") : nullptr;
    if (!m_gz) {
        if (fd >= 0) {
            ::close(fd);
        }
        m_atomic.Abort();
        throw CFileException(CFileException::genericException, 110, path, kOpenFailed);
    }
    m_bWriting = true;
}

void CXFileZlib::ThrowGzError() {
    int code = Z_OK;
    const char* message = m_gz ? gzerror(m_gz, &code) : "not open";
    if (code == Z_ERRNO) {
        CFileException::ThrowErrno(m_strPath);
    }
    // zlib names the stream "<fd:N>"; the user knows the file by its path.
    std::string detail = message ? message : "";
    if (detail.rfind("<fd:", 0) == 0 && detail.find(": ") != std::string::npos) {
        detail.erase(0, detail.find(": ") + 2);
    }
    std::string reason;
    switch (code) {
    case Z_BUF_ERROR:
        reason = "the compressed data ends early (the file was cut short)";
        break;
    case Z_MEM_ERROR:
        reason = "out of memory while reading the compressed data";
        break;
    default:
        reason = "damaged compressed data (" + detail + ")";
    }
    throw CFileException(code == Z_MEM_ERROR ? CFileException::genericException
                                             : CFileException::invalidFile,
                         0, m_strPath, reason);
}

bool CXFileZlib::Skip(std::uint64_t count) {
    char piece[4096];
    while (count > 0) {
        const std::size_t n = m_reader->Read(piece, std::min<std::uint64_t>(count, sizeof piece));
        if (n == 0) {
            return false;
        }
        count -= n;
    }
    return true;
}

std::int64_t CXFileZlib::Seek(std::int64_t offset, int origin) {
    if (!m_reader) {
        return -1;
    }
    const auto position = static_cast<std::int64_t>(m_reader->Position());
    switch (origin) {
    case current: {
        const std::int64_t target = position + offset;
        if (target < 0) {
            return -1;
        }
        if (target < position) {
            m_reader->Rewind();
        }
        return Skip(static_cast<std::uint64_t>(target) - m_reader->Position())
                   ? target
                   : static_cast<std::int64_t>(m_reader->Position());
    }
    case begin:
        m_reader->Rewind();
        return 0;
    case end: {
        char piece[4096];
        std::int64_t length = position;
        while (const std::size_t n = m_reader->Read(piece, sizeof piece)) {
            length += static_cast<std::int64_t>(n);
        }
        m_reader->Rewind();
        Skip(static_cast<std::uint64_t>(position));
        return length;
    }
    default:
        return -1;
    }
}

std::size_t CXFileZlib::Read(void* buffer, std::size_t count) {
    return m_reader->Read(buffer, count);
}

void CXFileZlib::CheckEnd() {
    if (!m_reader) {
        return;
    }
    std::size_t trailing = 0;
    char piece[4096];
    while (std::size_t n = Read(piece, sizeof piece)) {
        trailing += n;
        if (trailing > kMaxTrailingBytes) {
            throw CFileException(CFileException::invalidFile, 0, m_strPath,
                                 "more data follows the end of the case");
        }
    }
}

void CXFileZlib::Write(const void* buffer, std::size_t count) {
    const char* in = static_cast<const char*>(buffer);
    while (count > 0) {
        unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30));
        if (gzwrite(m_gz, in, chunk) != static_cast<int>(chunk)) {
            ThrowGzError();
        }
        in += chunk;
        count -= chunk;
    }
}

void CXFileZlib::Flush() {
    if (m_gz && m_bWriting && gzflush(m_gz, Z_FINISH) != Z_OK) {
        ThrowGzError();
    }
}

void CXFileZlib::Close() {
    if (m_reader) {
        m_reader.reset();
        return;
    }
    if (!m_gz) {
        return;
    }
    if (gzflush(m_gz, Z_FINISH) != Z_OK) {
        ThrowGzError();
    }
    int result = gzclose(m_gz);
    m_gz = nullptr;
    if (result != Z_OK) {
        int error = result == Z_ERRNO ? errno : 0;
        m_atomic.Abort();
        throw CFileException(error ? CFileException::CauseFromErrno(error) : CFileException::hardIO,
                             error, m_strPath);
    }
    m_atomic.Commit();
}

void CXFileZlib::Abort() {
    m_reader.reset();
    if (m_gz) {
        gzclose(m_gz);
        m_gz = nullptr;
    }
    m_atomic.Abort();
}

std::uint64_t CXFileZlib::GetLength() {
    struct stat st {};
    if (::stat(m_strPath.c_str(), &st) != 0) {
        return static_cast<std::uint64_t>(-1);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

} // namespace quillora
