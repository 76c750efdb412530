// Measuring the object streams of a PDF file. Read with pread in pieces, not mapped: a
// medium taken out under a mapping would end the program with SIGBUS.
#include "pdf/ObjectStreamCheck.h"

#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace quillora::plugin {

namespace {

// Deflate's largest expansion, about 1032 to 1.
constexpr std::size_t kDeflateRatio = 1032;
// How far an object's dictionary may reach on either side of its "/ObjStm".
constexpr std::size_t kMaxDictionary = 4096;
constexpr std::size_t kPiece = 1u << 20;
constexpr std::size_t kNone = std::string_view::npos;

class CPdfFile {
public:
    explicit CPdfFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~CPdfFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CPdfFile(const CPdfFile&) = delete;
    CPdfFile& operator=(const CPdfFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    // Up to `size` bytes from `offset`; fewer at the end of the file or on an error.
    std::string Read(std::size_t offset, std::size_t size) const {
        std::string out(size, '\0');
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n =
                ::pread(m_fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        out.resize(done);
        return out;
    }

    // The offset of the first `needle` at or after `offset`, or kNone.
    std::size_t Find(std::string_view needle, std::size_t offset) const {
        for (;;) {
            const std::string piece = Read(offset, kPiece);
            const std::size_t hit = std::string_view(piece).find(needle);
            if (hit != kNone) {
                return offset + hit;
            }
            if (piece.size() < kPiece) {
                return kNone;
            }
            offset += piece.size() - (needle.size() - 1);
        }
    }

private:
    int m_fd;
};

// How much the zlib stream at `offset` inflates to, counted up to just past `cap`;
// kNone when it is no zlib stream.
std::size_t InflatedSize(const CPdfFile& file, std::size_t offset, std::size_t cap) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        return kNone;
    }
    std::vector<char> out(1u << 16);
    std::size_t total = 0;
    int rc = Z_OK;
    while (rc == Z_OK && total <= cap) {
        const std::string in = file.Read(offset, 1u << 16);
        if (in.empty()) {
            break;
        }
        offset += in.size();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = static_cast<uInt>(in.size());
        while (rc == Z_OK && z.avail_in > 0 && total <= cap) {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = static_cast<uInt>(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
            total += out.size() - z.avail_out;
        }
    }
    inflateEnd(&z);
    return rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR ? total : kNone;
}

// Whether the filter list of `dictionary` names more than one filter.
bool ChainsFilters(std::string_view dictionary) {
    const std::size_t filter = dictionary.find("/Filter");
    if (filter == kNone) {
        return false;
    }
    const std::size_t value = dictionary.find_first_not_of(" \t\r\n", filter + 7);
    if (value == kNone || dictionary[value] != '[') {
        return false;
    }
    const std::string_view list = dictionary.substr(value, dictionary.find(']', value) - value);
    return std::count(list.begin(), list.end(), '/') > 1;
}

bool StreamIsBounded(const CPdfFile& file, std::size_t at) {
    const std::size_t from = at > kMaxDictionary ? at - kMaxDictionary : 0;
    const std::string window = file.Read(from, 2 * kMaxDictionary);
    const std::string_view text(window);
    const std::size_t here = at - from;
    const std::size_t keyword = text.find("stream", here);
    if (keyword == kNone) {
        return true; // no stream follows: poppler has nothing to inflate
    }
    const std::size_t object = text.rfind(" obj", here);
    const std::size_t begin = object == kNone ? 0 : object;
    if (ChainsFilters(text.substr(begin, keyword - begin))) {
        return false; // filters in a chain multiply what each makes
    }
    std::size_t start = keyword + 6;
    if (start < text.size() && text[start] == '\r') {
        ++start;
    }
    if (start < text.size() && text[start] == '\n') {
        ++start;
    }
    const std::size_t data = from + start;
    const std::size_t inflated = InflatedSize(file, data, kMaxObjectStream);
    if (inflated != kNone) {
        return inflated <= kMaxObjectStream;
    }
    const std::size_t end = file.Find("endstream", data);
    return end != kNone && end - data <= kMaxObjectStream / kDeflateRatio;
}

} // namespace

bool ObjectStreamsAreBounded(const std::string& path) {
    const CPdfFile file(path);
    if (!file.IsOpen()) {
        return true;
    }
    for (std::size_t at = file.Find("/ObjStm", 0); at != kNone; at = file.Find("/ObjStm", at + 7)) {
        if (!StreamIsBounded(file, at)) {
            return false;
        }
    }
    return true;
}

} // namespace quillora::plugin
