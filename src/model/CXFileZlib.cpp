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
// zlib's own buffer when reading. zlib reads or inflates straight into the caller's
// buffer only a request of at least twice this; the case reader asks for 256 KiB, and
// what is left of its first request after zlib's look at the file (the rest of this
// buffer is handed over first) must still be that large, or every later request is
// copied through this buffer too.
constexpr unsigned kReadBuffer = 1u << 15;

} // namespace

CXFileZlib::~CXFileZlib() {
    if (m_gz) {
        Abort();
    }
}

void CXFileZlib::Open(const std::string& path, unsigned flags) {
    m_strPath = path;
    m_nOpenFlags = static_cast<int>(flags);
    if (flags == kOpenRead || flags == kOpenShareDenyWrite) {
        int fd = OpenCaseForReading(path);
        m_gz = gzdopen(fd, "rb");
        if (!m_gz) {
            ::close(fd);
            throw CFileException(CFileException::genericException, 110, path, kOpenFailed);
        }
        // Reads at least this large go straight into the caller's buffer: a plain case
        // file is then read with no copy in between, in few calls.
        gzbuffer(m_gz, kReadBuffer);
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

void CXFileZlib::CheckTruncated() {
    int code = Z_OK;
    gzerror(m_gz, &code);
    // zlib reports a stream cut short as Z_BUF_ERROR and still returns what it had,
    // as for a file that is still being written; a case file is complete or damaged.
    if (code == Z_BUF_ERROR) {
        ThrowGzError();
    }
}

std::int64_t CXFileZlib::Seek(std::int64_t offset, int origin) {
    if (!m_gz) {
        return -1;
    }
    switch (origin) {
    case current:
        return gzseek(m_gz, offset, SEEK_CUR);
    case begin:
        return gzrewind(m_gz) == 0 ? 0 : -1;
    case end: {
        z_off_t position = gztell(m_gz);
        std::int64_t length = position;
        char piece[128];
        int n;
        while ((n = gzread(m_gz, piece, sizeof piece)) > 0) {
            length += n;
        }
        gzseek(m_gz, position, SEEK_SET);
        return length;
    }
    default:
        return -1;
    }
}

std::size_t CXFileZlib::Read(void* buffer, std::size_t count) {
    char* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(count - done, 1u << 30));
        int n = gzread(m_gz, out + done, chunk);
        if (n < 0) {
            ThrowGzError();
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    CheckTruncated();
    return done;
}

void CXFileZlib::CheckEnd() {
    if (!m_gz || m_bWriting) {
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
    if (!m_gz) {
        return;
    }
    if (!m_bWriting) {
        gzclose(m_gz);
        m_gz = nullptr;
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
