// Placement of archive entries below an extraction folder, and name decoding.
#include "scan/ArchivePath.h"

#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <vector>

namespace quillora {

namespace {

bool StartsWithRef(std::string_view s, std::string_view ref) {
    return s.size() >= ref.size() + 1 && s.substr(0, ref.size()) == ref &&
           (s[ref.size()] == '/' || s[ref.size()] == '\\');
}

// A lone byte that CP932 cannot decode, kept as the text layer's escape (U+DC00+b).
void AppendEscape(std::string& out, unsigned char byte) {
    unsigned cp = 0xDC00u + byte;
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

class CIconv {
public:
    CIconv() : m_cd(iconv_open("UTF-8", "CP932")) {}
    ~CIconv() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_cd);
        }
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

std::string Cp932Decode(std::string_view raw) {
    CIconv cd;
    std::string out;
    if (!cd.Valid()) {
        for (unsigned char c : raw) {
            c < 0x80 ? void(out += static_cast<char>(c)) : AppendEscape(out, c);
        }
        return out;
    }
    std::vector<char> input(raw.begin(), raw.end());
    char* in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL (a lead byte at the end): keep the byte, go on after it.
        AppendEscape(out, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t len = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
        if (len == 0 || i + len > bytes.size() || (len == 2 && c < 0xC2)) {
            return false;
        }
        unsigned cp = len == 1 ? c : c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string DecodeArcName(std::string_view raw) {
    if (IsValidUtf8(raw)) {
        return std::string(raw);
    }
    std::string utf8 = Cp932Decode(raw);
    // Archives made on Windows may separate folders with "\"; after decoding, a 0x5C
    // byte can only be a real separator, never the trail byte of a character.
    for (char& c : utf8) {
        if (c == '\\') {
            c = '/';
        }
    }
    return utf8;
}

std::string NormalizeArcPath(std::string_view path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

SArcPathParts SplitParentPrefix(std::string_view path) {
    SArcPathParts parts;
    std::string_view rest = path;
    bool dotSeen = false;
    std::size_t depth = 0;
    for (;;) {
        if (StartsWithRef(rest, "..")) {
            ++depth;
            rest.remove_prefix(3);
        } else if (StartsWithRef(rest, ".")) {
            if (dotSeen || depth > 0) {
                parts.m_strRest = std::string(path);
                return parts;
            }
            dotSeen = true;
            rest.remove_prefix(2);
        } else {
            break;
        }
    }
    parts.m_nParentDepth = depth;
    parts.m_strRest = std::string(rest);
    return parts;
}

std::optional<std::filesystem::path>
ExtractedPath(const std::filesystem::path& dest, std::string_view pathInArchive, bool withFolders) {
    SArcPathParts parts = SplitParentPrefix(NormalizeArcPath(pathInArchive));
    const std::string& rest = parts.m_strRest;
    if (rest.empty() || rest.front() == '/' ||
        (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0])))) {
        return std::nullopt;
    }
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string component = rest.substr(start, end - start);
        if (component == "..") {
            return std::nullopt;
        }
        if (!component.empty() && component != ".") {
            components.push_back(std::move(component));
        }
        start = end + 1;
    }
    if (components.empty()) {
        return std::nullopt;
    }
    std::filesystem::path out = dest;
    if (!withFolders) {
        return out / components.back();
    }
    for (std::size_t i = 0; i < parts.m_nParentDepth; ++i) {
        out /= kArcParentFolder;
    }
    for (const std::string& component : components) {
        out /= component;
    }
    return out;
}

} // namespace quillora
