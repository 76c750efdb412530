// The gzip reader: the input is read in large pieces, inflated straight into the
// caller's buffer, and a plain file is read into that buffer with no copy at all.
#include "model/CGzipFileReader.h"

#include "model/FileException.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <isa-l/igzip_lib.h>
#include <unistd.h>

namespace quillora {

namespace {

// Below malloc's threshold for mapping fresh pages: a search opens a thousand case
// files, and zeroed fresh pages for each cost more than the reading.
constexpr std::size_t kInput = std::size_t{1} << 16;

bool IsGzipMagic(const std::uint8_t* at, std::size_t available) {
    return available >= 2 && at[0] == 0x1F && at[1] == 0x8B;
}

ssize_t ReadSome(int fd, void* buffer, std::size_t count, const std::string& path) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, count);
        if (n >= 0) {
            return n;
        }
        if (errno != EINTR) {
            CFileException::ThrowErrno(path);
        }
    }
}

// What zlib calls the same faults, which users and scripts have met before.
const char* Fault(int code) {
    switch (code) {
    case ISAL_INVALID_BLOCK:
        return "invalid block type";
    case ISAL_INVALID_SYMBOL:
        return "invalid code";
    case ISAL_INVALID_LOOKBACK:
        return "invalid distance too far back";
    case ISAL_INVALID_WRAPPER:
        return "incorrect header check";
    case ISAL_UNSUPPORTED_METHOD:
        return "unknown compression method";
    case ISAL_INCORRECT_CHECKSUM:
        return "incorrect data check";
    default:
        return "invalid compressed data";
    }
}

} // namespace

CGzipFileReader::CGzipFileReader(CUniqueFd fd, std::string path)
    : m_fd(std::move(fd)), m_strPath(std::move(path)),
      m_input(std::make_unique_for_overwrite<std::uint8_t[]>(kInput)) {}

CGzipFileReader::~CGzipFileReader() = default;

void CGzipFileReader::Rewind() {
    if (::lseek(m_fd.Get(), 0, SEEK_SET) < 0) {
        CFileException::ThrowErrno(m_strPath);
    }
    m_kind = EKind::Unknown;
    m_pNext = nullptr;
    m_nAvailable = 0;
    m_bEnd = false;
    m_nPosition = 0;
}

std::size_t CGzipFileReader::Read(void* buffer, std::size_t count) {
    if (m_kind == EKind::Unknown) {
        Start();
    }
    char* out = static_cast<char*>(buffer);
    const std::size_t done = m_kind == EKind::Plain  ? ReadPlain(out, count)
                             : m_kind == EKind::Gzip ? Inflate(out, count)
                                                     : 0;
    m_nPosition += done;
    return done;
}

void CGzipFileReader::Start() {
    m_pNext = m_input.get();
    m_kind = BeginMember() ? EKind::Gzip : EKind::Plain;
}

bool CGzipFileReader::Fill() {
    if (m_bEnd || m_nAvailable == kInput) {
        return false;
    }
    std::memmove(m_input.get(), m_pNext, m_nAvailable);
    m_pNext = m_input.get();
    const ssize_t n =
        ReadSome(m_fd.Get(), m_input.get() + m_nAvailable, kInput - m_nAvailable, m_strPath);
    m_bEnd = n == 0;
    m_nAvailable += static_cast<std::size_t>(n);
    return n > 0;
}

std::size_t CGzipFileReader::ReadPlain(char* out, std::size_t count) {
    std::size_t done = std::min(count, m_nAvailable);
    std::memcpy(out, m_pNext, done);
    m_pNext += done;
    m_nAvailable -= done;
    while (done < count && !m_bEnd) {
        const ssize_t n = ReadSome(m_fd.Get(), out + done, count - done, m_strPath);
        m_bEnd = n == 0;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t CGzipFileReader::Inflate(char* out, std::size_t count) {
    inflate_state& s = *m_state;
    std::size_t done = 0;
    while (done < count && m_kind == EKind::Gzip) {
        if (m_nAvailable == 0) {
            Fill(); // at the end inflate still gets its turn: it may hold output back
        }
        s.next_in = m_pNext;
        s.avail_in = static_cast<std::uint32_t>(std::min<std::size_t>(m_nAvailable, UINT32_MAX));
        const auto room =
            static_cast<std::uint32_t>(std::min<std::size_t>(count - done, UINT32_MAX));
        s.next_out = reinterpret_cast<std::uint8_t*>(out + done);
        s.avail_out = room;
        const int result = isal_inflate(&s);
        const std::size_t produced = room - s.avail_out;
        const auto taken = static_cast<std::size_t>(s.next_in - m_pNext);
        done += produced;
        m_nAvailable -= taken;
        m_pNext = s.next_in;
        if (result < 0) {
            Damaged(result);
        }
        if (s.block_state == ISAL_BLOCK_FINISH) {
            if (!BeginMember()) {
                m_kind = EKind::Done;
            }
            continue;
        }
        if (produced == 0 && taken == 0 && !Fill()) {
            // No progress and nothing more to give: the member's end is missing (or the
            // input piece is full without inflate taking any of it, which is damage).
            if (m_bEnd) {
                CutShort();
            }
            Damaged(ISAL_INVALID_BLOCK);
        }
    }
    return done;
}

bool CGzipFileReader::BeginMember() {
    while (m_nAvailable < 2 && Fill()) {
    }
    // As zlib does, bytes after a member that begin no other member end the contents.
    if (!IsGzipMagic(m_pNext, m_nAvailable)) {
        return false;
    }
    if (!m_state) {
        // isal_inflate_init sets what it needs; the rest (tables, 87 KB) need no zeroing.
        m_state = std::make_unique_for_overwrite<inflate_state>();
    }
    isal_inflate_init(m_state.get());
    m_state->crc_flag = ISAL_GZIP;
    return true;
}

void CGzipFileReader::Damaged(int code) const {
    throw CFileException(CFileException::invalidFile, 0, m_strPath,
                         std::string("damaged compressed data (") + Fault(code) + ")");
}

void CGzipFileReader::CutShort() const {
    throw CFileException(CFileException::invalidFile, 0, m_strPath,
                         "the compressed data ends early (the file was cut short)");
}

} // namespace quillora
