// LHA archive writer: level-2 headers completed after each member's data, streamed
// -lh5- compression with a fall-back to storing, atomic replacement of a named archive.
#include "scan/LhaWriter.h"

#include "scan/LhaWriterEncoder.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::uint64_t kMaxSize = 0xFFFFFFFFu;
constexpr std::size_t kCrcOffset = 27; // CRC inside the first extended header (type 0x00)
constexpr std::uint8_t kExtHeaderCrc = 0x00;
constexpr std::uint8_t kExtFileName = 0x01;
constexpr std::uint8_t kExtDirectory = 0x02;
constexpr std::uint8_t kExtUnixMode = 0x50;
constexpr std::uint32_t kRegularFile = 0100000;

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::string ErrnoText(int err) {
    return err != 0 ? std::strerror(err) : "unknown error";
}

// Splits "a/b/name" into the directory field ("a\xFFb\xFF") and the file name. False for
// names LHA cannot carry or that would escape an extraction folder.
bool SplitName(std::string_view name, std::string& directory, std::string& file) {
    if (name.empty() || name.front() == '/' || name.back() == '/') {
        return false;
    }
    if (name.find('\0') != std::string_view::npos || name.find('\xFF') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string_view::npos) {
            slash = name.size();
        }
        const std::string_view part = name.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        start = slash + 1;
    }
    const std::size_t last = name.rfind('/');
    file = std::string(last == std::string_view::npos ? name : name.substr(last + 1));
    directory.clear();
    if (last != std::string_view::npos) {
        directory = std::string(name.substr(0, last + 1));
        for (char& c : directory) {
            if (c == '/') {
                c = '\xFF';
            }
        }
    }
    return true;
}

} // namespace

// Where a member's bytes come from: an open regular file or caller memory.
struct CLhaWriter::SSource {
    std::FILE* file = nullptr;
    std::string_view bytes;
    std::size_t offset = 0;
    std::string label;

    ~SSource() {
        if (file) {
            std::fclose(file);
        }
    }
    // Bytes read, 0 at the end, -1 on a read error (errno set).
    std::ptrdiff_t Read(std::uint8_t* buffer, std::size_t size) {
        if (!file) {
            const std::size_t take = std::min(size, bytes.size() - offset);
            std::memcpy(buffer, bytes.data() + offset, take);
            offset += take;
            return static_cast<std::ptrdiff_t>(take);
        }
        const std::size_t got = std::fread(buffer, 1, size, file);
        if (got == 0 && std::ferror(file)) {
            return -1;
        }
        return static_cast<std::ptrdiff_t>(got);
    }
    bool Rewind() {
        offset = 0;
        return !file || fseeko(file, 0, SEEK_SET) == 0;
    }
};

// The values that make up one member header.
struct CLhaWriter::SHeaderFields {
    LhaMethod method = LhaMethod::kLh5;
    std::uint32_t packed = 0;
    std::uint32_t original = 0;
    std::uint32_t mtime = 0;
    std::uint16_t crc = 0;
    std::uint16_t mode = 0;
    std::string directory;
    std::string file;

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> h;
        // Room for the whole header up front: besides saving reallocations, this keeps
        // GCC 12 from a false out-of-bounds warning on the first small inserts.
        h.reserve(64 + directory.size() + file.size());
        Put16(h, 0); // header size, set below
        const char* id = method == LhaMethod::kLh5 ? "-lh5-" : "-lh0-";
        h.insert(h.end(), id, id + 5);
        Put32(h, packed);
        Put32(h, original);
        Put32(h, mtime);
        h.push_back(0x20);
        h.push_back(2); // header level
        Put16(h, crc);
        h.push_back('U');
        auto ext = [&h](std::uint8_t type, std::string_view data) {
            Put16(h, static_cast<std::uint32_t>(3 + data.size()));
            h.push_back(type);
            h.insert(h.end(), data.begin(), data.end());
        };
        ext(kExtHeaderCrc, std::string_view("\0\0", 2));
        ext(kExtFileName, file);
        if (!directory.empty()) {
            ext(kExtDirectory, directory);
        }
        const char modeBytes[2] = {static_cast<char>(mode & 0xFF), static_cast<char>(mode >> 8)};
        ext(kExtUnixMode, std::string_view(modeBytes, 2));
        Put16(h, 0); // no further extended header
        // A header whose size has a zero low byte would read as the end mark.
        if ((h.size() & 0xFF) == 0) {
            h.push_back(0);
        }
        h[0] = static_cast<std::uint8_t>(h.size());
        h[1] = static_cast<std::uint8_t>(h.size() >> 8);
        const std::uint16_t headerCrc = Crc16(0, h.data(), h.size());
        h[kCrcOffset] = static_cast<std::uint8_t>(headerCrc);
        h[kCrcOffset + 1] = static_cast<std::uint8_t>(headerCrc >> 8);
        return h;
    }
};

std::uint16_t CLhaWriter::Crc16(std::uint16_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>(kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8));
    }
    return crc;
}

CLhaWriter::~CLhaWriter() {
    if (!m_finished) {
        Discard();
    }
}

bool CLhaWriter::Open(const std::filesystem::path& path, std::string& error) {
    if (m_open) {
        error = "the archive writer is already open";
        return false;
    }
    std::random_device seed;
    std::mt19937 random(seed());
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    int fd = -1;
    std::filesystem::path temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder /
               ("." + path.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp");
        fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        error = "cannot create a temporary file in '" + folder.string() + "': " + ErrnoText(errno);
        return false;
    }
    m_file = ::fdopen(fd, "w+b");
    if (!m_file) {
        error = "cannot open '" + temp.string() + "': " + ErrnoText(errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    m_ownsFile = true;
    m_target = path;
    m_tempPath = temp;
    return Begin(error);
}

bool CLhaWriter::Open(std::ostream& out, std::string& error) {
    if (m_open) {
        error = "the archive writer is already open";
        return false;
    }
    m_stream = &out;
    return Begin(error);
}

bool CLhaWriter::Open(std::FILE* file, std::string& error) {
    if (m_open) {
        error = "the archive writer is already open";
        return false;
    }
    if (!file) {
        error = "no file to write the archive to";
        return false;
    }
    m_file = file;
    return Begin(error);
}

bool CLhaWriter::Begin(std::string& error) {
    m_open = true;
    std::uint64_t pos = 0;
    if (!SinkTell(pos) || !SinkSeek(pos)) {
        return Fail(error, "the archive destination is not seekable");
    }
    return true;
}

bool CLhaWriter::AddMember(std::string_view name, const std::filesystem::path& source,
                           std::int64_t mtime, std::uint32_t mode, std::string& error) {
    if (!Ready(error)) {
        return false;
    }
    SSource src;
    src.label = source.string();
    src.file = std::fopen(source.c_str(), "rbe");
    if (!src.file) {
        error = "cannot open '" + src.label + "': " + ErrnoText(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(::fileno(src.file), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "'" + src.label + "' is not a regular file";
        return false;
    }
    return AddFromSource(name, src, mtime, mode, error);
}

bool CLhaWriter::AddMember(std::string_view name, std::string_view bytes, std::int64_t mtime,
                           std::uint32_t mode, std::string& error) {
    if (!Ready(error)) {
        return false;
    }
    SSource src;
    src.bytes = bytes;
    src.label = "member data";
    return AddFromSource(name, src, mtime, mode, error);
}

bool CLhaWriter::Ready(std::string& error) const {
    if (!m_open || m_finished) {
        error = "the archive is not open";
        return false;
    }
    if (m_failed) {
        error = "the archive is incomplete after an earlier error";
        return false;
    }
    return true;
}

bool CLhaWriter::AddFromSource(std::string_view name, SSource& source, std::int64_t mtime,
                               std::uint32_t mode, std::string& error) {
    SHeaderFields fields;
    if (!SplitName(name, fields.directory, fields.file)) {
        error = "invalid member name '" + std::string(name) + "'";
        return false;
    }
    if (mtime < 0 || static_cast<std::uint64_t>(mtime) > kMaxSize) {
        error = "modification time of '" + std::string(name) + "' cannot be stored";
        return false;
    }
    std::uint64_t size = source.bytes.size();
    if (source.file) {
        struct stat st {};
        if (::fstat(::fileno(source.file), &st) != 0) {
            error = "cannot read '" + source.label + "': " + ErrnoText(errno);
            return false;
        }
        size = static_cast<std::uint64_t>(st.st_size);
    }
    if (size > kMaxSize) {
        error = "'" + source.label + "' is too large for an LHA archive (4 GiB at most)";
        return false;
    }
    fields.mtime = static_cast<std::uint32_t>(mtime);
    fields.mode = static_cast<std::uint16_t>((mode & 07777) | kRegularFile);
    fields.original = static_cast<std::uint32_t>(size);
    fields.method = size == 0 ? LhaMethod::kStored : LhaMethod::kLh5;
    std::vector<std::uint8_t> header = fields.Build();
    if (header.size() > 0xFFFF) {
        error = "member name too long: '" + std::string(name) + "'";
        return false;
    }

    std::uint64_t start = 0;
    if (!SinkTell(start) || !SinkWrite(header.data(), header.size())) {
        return Fail(error, "cannot write the archive: " + SinkError());
    }
    const std::uint64_t dataStart = start + header.size();
    std::uint64_t packed = 0;
    std::uint16_t crc = 0;
    bool stored = size == 0;
    if (size > 0 && !Compress(source, size, packed, crc, stored, error)) {
        return false;
    }
    if (stored && size > 0) {
        if (!SinkSeek(dataStart) || !source.Rewind()) {
            return Fail(error, "cannot write the archive: " + SinkError());
        }
        if (!Store(source, size, crc, error)) {
            return false;
        }
        packed = size;
    }

    fields.method = stored ? LhaMethod::kStored : LhaMethod::kLh5;
    fields.packed = static_cast<std::uint32_t>(packed);
    fields.crc = crc;
    header = fields.Build();
    if (!SinkSeek(start) || !SinkWrite(header.data(), header.size()) ||
        !SinkSeek(dataStart + packed)) {
        return Fail(error, "cannot write the archive: " + SinkError());
    }
    m_members.push_back({std::string(name), fields.method, size, packed, crc});
    return true;
}

bool CLhaWriter::Compress(SSource& source, std::uint64_t size, std::uint64_t& packed,
                          std::uint16_t& crc, bool& stored, std::string& error) {
    bool tooBig = false;
    bool writeFailed = false;
    CLhaWriterEncoder encoder([&](const std::uint8_t* data, std::size_t n) {
        if (packed + n >= size) {
            tooBig = true;
            return false;
        }
        if (!SinkWrite(data, n)) {
            writeFailed = true;
            return false;
        }
        packed += n;
        return true;
    });
    bool stopped = false;
    if (!ReadSource(source, size, crc, error, &stopped,
                    [&encoder](const std::uint8_t* data, std::size_t n) {
                        return encoder.Write(data, n);
                    })) {
        return false;
    }
    if (!stopped) {
        encoder.Finish();
    }
    if (writeFailed) {
        return Fail(error, "cannot write the archive: " + SinkError());
    }
    stored = tooBig;
    return true;
}

bool CLhaWriter::Store(SSource& source, std::uint64_t size, std::uint16_t& crc,
                       std::string& error) {
    bool writeFailed = false;
    bool stopped = false;
    if (!ReadSource(source, size, crc, error, &stopped,
                    [this, &writeFailed](const std::uint8_t* data, std::size_t n) {
                        writeFailed = !SinkWrite(data, n);
                        return !writeFailed;
                    })) {
        return false;
    }
    if (writeFailed) {
        return Fail(error, "cannot write the archive: " + SinkError());
    }
    return true;
}

bool CLhaWriter::ReadSource(SSource& source, std::uint64_t size, std::uint16_t& crc,
                            std::string& error, bool* stopped,
                            const std::function<bool(const std::uint8_t*, std::size_t)>& consume) {
    std::vector<std::uint8_t> buffer(kChunk);
    std::uint64_t total = 0;
    crc = 0;
    *stopped = false;
    for (;;) {
        const std::ptrdiff_t got = source.Read(buffer.data(), buffer.size());
        if (got < 0) {
            return Fail(error, "cannot read '" + source.label + "': " + ErrnoText(errno));
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::uint64_t>(got);
        if (total > size) {
            return Fail(error, "'" + source.label + "' changed while it was being archived");
        }
        crc = Crc16(crc, buffer.data(), static_cast<std::size_t>(got));
        if (!consume(buffer.data(), static_cast<std::size_t>(got))) {
            *stopped = true;
            return true;
        }
    }
    if (total != size) {
        return Fail(error, "'" + source.label + "' changed while it was being archived");
    }
    return true;
}

bool CLhaWriter::Finish(std::string& error) {
    if (!Ready(error)) {
        Discard();
        return false;
    }
    const std::uint8_t endMark = 0;
    if (!SinkWrite(&endMark, 1) || !SinkFlush()) {
        Fail(error, "cannot write the archive: " + SinkError());
        Discard();
        return false;
    }
    if (m_ownsFile) {
        const bool synced = ::fsync(::fileno(m_file)) == 0;
        const int syncErrno = errno;
        const bool closed = std::fclose(m_file) == 0;
        const int closeErrno = errno;
        m_file = nullptr;
        if (!synced || !closed) {
            m_lastErrno = !synced ? syncErrno : closeErrno;
            Fail(error, "cannot write the archive: " + SinkError());
            Discard();
            return false;
        }
        std::error_code ec;
        std::filesystem::rename(m_tempPath, m_target, ec);
        if (ec) {
            Fail(error, "cannot replace '" + m_target.string() + "': " + ec.message());
            Discard();
            return false;
        }
        m_tempPath.clear();
    }
    m_finished = true;
    return true;
}

bool CLhaWriter::Fail(std::string& error, std::string message) {
    m_failed = true;
    error = std::move(message);
    return false;
}

void CLhaWriter::Discard() {
    if (m_ownsFile) {
        if (m_file) {
            std::fclose(m_file);
            m_file = nullptr;
        }
        if (!m_tempPath.empty()) {
            ::unlink(m_tempPath.c_str());
            m_tempPath.clear();
        }
    }
}

bool CLhaWriter::SinkWrite(const void* data, std::size_t size) {
    errno = 0;
    if (m_stream) {
        m_stream->write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        m_lastErrno = errno;
        return m_stream->good();
    }
    const bool ok = std::fwrite(data, 1, size, m_file) == size;
    m_lastErrno = errno;
    return ok;
}

bool CLhaWriter::SinkSeek(std::uint64_t pos) {
    errno = 0;
    if (m_stream) {
        m_stream->seekp(static_cast<std::streamoff>(pos));
        m_lastErrno = errno;
        return m_stream->good();
    }
    const bool ok = fseeko(m_file, static_cast<off_t>(pos), SEEK_SET) == 0;
    m_lastErrno = errno;
    return ok;
}

bool CLhaWriter::SinkTell(std::uint64_t& pos) {
    errno = 0;
    if (m_stream) {
        const std::streamoff at = m_stream->tellp();
        m_lastErrno = errno;
        if (at < 0) {
            return false;
        }
        pos = static_cast<std::uint64_t>(at);
        return true;
    }
    const off_t at = ftello(m_file);
    m_lastErrno = errno;
    if (at < 0) {
        return false;
    }
    pos = static_cast<std::uint64_t>(at);
    return true;
}

bool CLhaWriter::SinkFlush() {
    errno = 0;
    if (m_stream) {
        m_stream->flush();
        m_lastErrno = errno;
        return m_stream->good();
    }
    const bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
    m_lastErrno = errno;
    return ok;
}

std::string CLhaWriter::SinkError() const {
    if (m_lastErrno != 0) {
        return ErrnoText(m_lastErrno);
    }
    return m_stream ? "the output stream failed" : "write error";
}

} // namespace quillora
