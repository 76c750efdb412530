// Buffered, bounded reading of the file being extracted.
#include "extract/ExtractFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillora {

namespace {
constexpr std::size_t kBufferSize = 16 * 1024;
} // namespace

bool CExtractFile::Open(const std::string& path) {
    Close();
    // O_NONBLOCK keeps a FIFO that slipped in from blocking the open; it is refused
    // right after by the regular-file test.
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    m_fd = std::move(fd);
    m_path = path;
    m_size = static_cast<std::uint64_t>(st.st_size);
    m_buffer.resize(kBufferSize);
    m_position = 0;
    m_bufferStart = 0;
    m_bufferLen = 0;
    return true;
}

void CExtractFile::Close() {
    m_fd = CUniqueFd();
    m_path.clear();
    m_size = 0;
    m_position = 0;
    m_bufferStart = 0;
    m_bufferLen = 0;
}

void CExtractFile::Seek(std::uint64_t position) {
    m_position = position;
}

bool CExtractFile::Fill() {
    if (m_position >= m_bufferStart && m_position < m_bufferStart + m_bufferLen) {
        return true;
    }
    if (!IsOpen()) {
        return false;
    }
    m_bufferStart = m_position;
    m_bufferLen = ReadAt(m_position, m_buffer.data(), m_buffer.size());
    return m_bufferLen > 0;
}

bool CExtractFile::AtEnd() {
    return !Fill();
}

int CExtractFile::Get() {
    if (!Fill()) {
        return -1;
    }
    const unsigned char c = m_buffer[static_cast<std::size_t>(m_position - m_bufferStart)];
    ++m_position;
    return c;
}

std::size_t CExtractFile::Read(void* buffer, std::size_t n) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < n && Fill()) {
        const std::size_t at = static_cast<std::size_t>(m_position - m_bufferStart);
        const std::size_t take = std::min(n - done, m_bufferLen - at);
        std::memcpy(out + done, m_buffer.data() + at, take);
        done += take;
        m_position += take;
    }
    return done;
}

std::size_t CExtractFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (!IsOpen() || offset >= m_size) {
        return 0;
    }
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r =
            ::pread(m_fd.Get(), out + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            break;
        }
        done += static_cast<std::size_t>(r);
    }
    return done;
}

std::string CExtractFile::Head(std::size_t n) const {
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(n, m_size)), '\0');
    head.resize(ReadAt(0, head.data(), head.size()));
    return head;
}

bool CExtractFile::GetRawLine(std::string& line) {
    line.clear();
    bool any = false;
    while (line.size() < kMaxLine && Fill()) {
        any = true;
        const std::size_t at = static_cast<std::size_t>(m_position - m_bufferStart);
        const unsigned char* begin = m_buffer.data() + at;
        const std::size_t available = std::min(m_bufferLen - at, kMaxLine - line.size());
        const unsigned char* end = begin + available;
        const unsigned char* stop = begin;
        while (stop != end && *stop != '\n' && *stop != 0x1A) {
            ++stop;
        }
        line.append(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(stop - begin));
        m_position += static_cast<std::uint64_t>(stop - begin);
        if (stop == end) {
            continue;
        }
        ++m_position; // the line feed or 0x1A
        if (*stop == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            line += "\r\n";
        }
        break;
    }
    return any;
}

} // namespace quillora
