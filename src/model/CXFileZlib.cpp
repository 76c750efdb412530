// gzip case stream.
#include "model/CXFileZlib.h"

#include "model/FileException.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {
// OS error 110 is the framework's "open failed"; strerror would call it a time-out.
constexpr const char* kOpenFailed = "cannot open a gzip stream on the file";
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
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            CFileException::ThrowErrno(path);
        }
        m_gz = gzdopen(m_fd, "rb");
        if (!m_gz) {
            ::close(m_fd);
            m_fd = -1;
            throw CFileException(CFileException::genericException, 110, path, kOpenFailed);
        }
        m_bWriting = false;
        return;
    }
    if ((flags & kOpenWrite) == 0 && flags != kOpenForSave) {
        throw CFileException(CFileException::genericException, 110, path, kOpenFailed);
    }
    m_strTempPath = path + ".XXXXXX";
    m_fd = ::mkostemp(m_strTempPath.data(), O_CLOEXEC);
    if (m_fd < 0) {
        int error = errno;
        m_strTempPath.clear();
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    struct stat st {};
    ::fchmod(m_fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    m_gz = gzdopen(m_fd, "wb");
    if (!m_gz) {
        Abort();
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
    std::string reason = message ? message : "";
    if (reason.rfind("<fd:", 0) == 0 && reason.find(": ") != std::string::npos) {
        reason.erase(0, reason.find(": ") + 2);
    }
    throw CFileException(CFileException::invalidFile, 0, m_strPath,
                         "damaged compressed data (" + reason + ")");
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
    return done;
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
        m_fd = -1;
        return;
    }
    if (gzflush(m_gz, Z_FINISH) != Z_OK) {
        ThrowGzError();
    }
    if (::fsync(m_fd) != 0) {
        CFileException::ThrowErrno(m_strPath);
    }
    int result = gzclose(m_gz);
    m_gz = nullptr;
    m_fd = -1;
    if (result != Z_OK) {
        ::unlink(m_strTempPath.c_str());
        m_strTempPath.clear();
        throw CFileException(CFileException::hardIO, 0, m_strPath);
    }
    if (::rename(m_strTempPath.c_str(), m_strPath.c_str()) != 0) {
        int error = errno;
        ::unlink(m_strTempPath.c_str());
        m_strTempPath.clear();
        throw CFileException(CFileException::CauseFromErrno(error), error, m_strPath);
    }
    m_strTempPath.clear();
}

void CXFileZlib::Abort() {
    if (m_gz) {
        gzclose(m_gz);
        m_gz = nullptr;
        m_fd = -1;
    } else if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_strTempPath.empty()) {
        ::unlink(m_strTempPath.c_str());
        m_strTempPath.clear();
    }
}

std::uint64_t CXFileZlib::GetLength() {
    struct stat st {};
    if (::stat(m_strPath.c_str(), &st) != 0) {
        return static_cast<std::uint64_t>(-1);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

} // namespace quillora
