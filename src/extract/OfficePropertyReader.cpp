// Property sets of compound documents, found by their stream headers.
#include "extract/OfficePropertyReader.h"

#include "core/FileTime.h"
#include "core/LittleEndian.h"
#include "extract/CodeConverter.h"
#include "extract/ExtractFile.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>

namespace quillora {

namespace {

// Streams of 4096 bytes and more start on 512-byte sectors; smaller ones (those that
// LibreOffice writes, where Office pads its summary streams to 4096 bytes) live in the
// mini stream, on 64-byte mini sectors that lie in order within its sectors.
constexpr std::size_t kBoundary = 64;
constexpr std::size_t kHeaderSize = 68; // a stream header with two sections
constexpr std::size_t kChunk = 64 * 1024;

constexpr unsigned char kFmtSummary[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                           0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr unsigned char kFmtDocSummary[16] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                              0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
constexpr unsigned char kFmtUserDefined[16] = {0x05, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                               0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

enum class EStream { None, Summary, DocSummary };

struct SHeader {
    EStream m_kind = EStream::None;
    std::uint32_t m_first = 0;  // offset of the first section in the stream
    std::uint32_t m_second = 0; // of the user-defined section; 0 when there is none
};

// A property-set stream header at p (kHeaderSize bytes, zero-padded at the file end).
// The operating-system word may carry any version of Windows, Macintosh or 16-bit
// Windows: documents written by every later version of the suites are read too.
SHeader ReadHeader(const unsigned char* p) {
    SHeader h;
    if (Le16(p) != 0xFFFE || Le16(p + 2) != 0 || (Le32(p + 4) >> 16) > 2) {
        return h;
    }
    for (int i = 8; i < 24; ++i) {
        if (p[i] != 0) {
            return h;
        }
    }
    const std::uint32_t count = Le32(p + 24);
    if (count == 1 && Le32(p + 44) == 48) {
        if (std::memcmp(p + 28, kFmtSummary, 16) == 0) {
            h.m_kind = EStream::Summary;
        } else if (std::memcmp(p + 28, kFmtDocSummary, 16) == 0) {
            h.m_kind = EStream::DocSummary;
        }
        h.m_first = 48;
    } else if (count == 2 && Le32(p + 44) == 68 && std::memcmp(p + 28, kFmtDocSummary, 16) == 0 &&
               std::memcmp(p + 48, kFmtUserDefined, 16) == 0) {
        h.m_kind = EStream::DocSummary;
        h.m_first = 68;
        h.m_second = Le32(p + 64);
    }
    return h;
}

// A bounds-checked reader over one section.
class CCursor {
public:
    CCursor(const std::string& s, std::size_t pos) : m_s(s), m_pos(pos) {}
    bool Has(std::size_t n) const { return m_pos <= m_s.size() && m_s.size() - m_pos >= n; }
    bool U16(std::uint16_t& v) {
        if (!Has(2)) {
            return false;
        }
        v = quillora::Le16(Data());
        m_pos += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (!Has(4)) {
            return false;
        }
        v = quillora::Le32(Data());
        m_pos += 4;
        return true;
    }
    bool Bytes(std::size_t n, std::string_view& out) {
        if (!Has(n)) {
            return false;
        }
        out = std::string_view(m_s).substr(m_pos, n);
        m_pos += n;
        return true;
    }
    void Align() { m_pos = (m_pos + 3) & ~static_cast<std::size_t>(3); }

private:
    const unsigned char* Data() const {
        return reinterpret_cast<const unsigned char*>(m_s.data()) + m_pos;
    }
    const std::string& m_s;
    std::size_t m_pos;
};

constexpr std::uint16_t kVtI2 = 2;
constexpr std::uint16_t kVtI4 = 3;
constexpr std::uint16_t kVtBool = 11;
constexpr std::uint16_t kVtVariant = 12;
constexpr std::uint16_t kVtLpstr = 30;
constexpr std::uint16_t kVtLpwstr = 31;
constexpr std::uint16_t kVtFiletime = 64;
constexpr std::uint16_t kVtBlob = 65;
constexpr std::uint16_t kVtVector = 0x1000;
constexpr std::uint32_t kMaxVector = 4096;

std::string LocalTimeText(std::uint64_t ft) {
    std::int64_t seconds = 0;
    if (!FileTimeToUnix(ft, &seconds)) {
        return {};
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) {
        return {};
    }
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &tm);
    return std::string(buffer, n);
}

bool ReadString(CCursor& c, int codePage, std::string& out) {
    std::uint32_t len = 0;
    std::string_view bytes;
    if (!c.U32(len) || !c.Bytes(len, bytes)) {
        return false;
    }
    out = CCodeConverter::FromCodePage(bytes, codePage);
    return true;
}

bool ReadWideString(CCursor& c, std::string& out) {
    std::uint32_t chars = 0;
    std::string_view bytes;
    if (!c.U32(chars) || chars > 0x7FFFFFFF / 2 || !c.Bytes(std::size_t{chars} * 2, bytes)) {
        return false;
    }
    out = CCodeConverter::FromCodePage(bytes, 1200);
    return true;
}

// One typed value at the cursor. False on a read error; `known` tells whether the
// type was one that gives a text.
bool ReadValue(CCursor& c, int codePage, std::string& out, bool& known, int depth = 0) {
    std::uint32_t type = 0;
    if (!c.U32(type)) {
        return false;
    }
    const auto vt = static_cast<std::uint16_t>(type & 0xFFFF);
    known = true;
    std::uint16_t v16 = 0;
    std::uint32_t v32 = 0;
    switch (vt) {
    case kVtI2:
    case kVtBool:
        if (!c.U16(v16)) {
            return false;
        }
        out = std::to_string(static_cast<std::int16_t>(v16));
        c.Align();
        return true;
    case kVtI4:
    case kVtVariant:
        if (!c.U32(v32)) {
            return false;
        }
        out = std::to_string(static_cast<std::int32_t>(v32));
        return true;
    case kVtLpstr:
        if (!ReadString(c, codePage, out)) {
            return false;
        }
        c.Align();
        return true;
    case kVtLpwstr:
        if (!ReadWideString(c, out)) {
            return false;
        }
        c.Align();
        return true;
    case kVtFiletime: {
        std::uint32_t lo = 0;
        std::uint32_t hi = 0;
        if (!c.U32(lo) || !c.U32(hi)) {
            return false;
        }
        out = LocalTimeText(static_cast<std::uint64_t>(hi) << 32 | lo);
        return true;
    }
    case kVtBlob: {
        std::uint32_t len = 0;
        std::string_view bytes;
        if (!c.U32(len) || !c.Bytes(len, bytes)) {
            return false;
        }
        out = CCodeConverter::FromCodePage(bytes, 1200);
        c.Align();
        return true;
    }
    case kVtVector | kVtLpstr:
    case kVtVector | kVtLpwstr:
    case kVtVector | kVtVariant: {
        std::uint32_t count = 0;
        if (!c.U32(count) || count > kMaxVector) {
            return false;
        }
        out.clear();
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string item;
            if (vt == (kVtVector | kVtVariant)) {
                bool itemKnown = false;
                std::uint32_t itemType = 0;
                CCursor peek = c;
                if (depth > 0 || !peek.U32(itemType) ||
                    !ReadValue(c, codePage, item, itemKnown, depth + 1)) {
                    return false;
                }
                const auto itemVt = itemType & 0xFFFF;
                if (itemVt == kVtLpstr || itemVt == kVtLpwstr) {
                    out += item + "/";
                }
            } else {
                if (!(vt == (kVtVector | kVtLpstr) ? ReadString(c, codePage, item)
                                                   : ReadWideString(c, item))) {
                    return false;
                }
                c.Align();
                out += item + "/";
            }
        }
        return true;
    }
    default:
        known = false;
        return true;
    }
}

// The names of a user-defined section's properties (its dictionary, property 0, which
// has no type word): id -> name. Stops quietly at the first entry that does not fit.
std::vector<std::pair<std::uint32_t, std::string>> ReadDictionary(CCursor c, int codePage) {
    std::vector<std::pair<std::uint32_t, std::string>> names;
    std::uint32_t count = 0;
    if (!c.U32(count)) {
        return names;
    }
    const bool wide = codePage == 1200;
    for (std::uint32_t i = 0; i < std::min(count, kMaxVector); ++i) {
        std::uint32_t id = 0;
        std::uint32_t length = 0;
        std::string_view bytes;
        if (!c.U32(id) || !c.U32(length) || length > 0x7FFFFFFF / 2 ||
            !c.Bytes(wide ? std::size_t{length} * 2 : length, bytes)) {
            break;
        }
        if (wide) {
            c.Align();
        }
        names.emplace_back(id, CCodeConverter::FromCodePage(bytes, codePage));
    }
    return names;
}

// Where a user-defined property of this name belongs instead: LibreOffice keeps the
// company there as "Company".
bool NamedStandIn(const std::string& name, int& set, std::uint32_t& id) {
    if (name.size() == 7 && strncasecmp(name.c_str(), "Company", 7) == 0) {
        set = 1;
        id = 15;
        return true;
    }
    return false;
}

} // namespace

bool COfficePropertyReader::ParseSection(const std::string& section, int set,
                                         std::vector<SValue>& out) {
    CCursor head(section, 0);
    std::uint32_t size = 0;
    std::uint32_t count = 0;
    if (!head.U32(size) || !head.U32(count)) {
        return false;
    }
    count = std::min(count, kMaxProperties);
    struct SPair {
        std::uint32_t id, offset;
    };
    std::vector<SPair> pairs;
    for (std::uint32_t i = 0; i < count; ++i) {
        SPair p{};
        if (!head.U32(p.id) || !head.U32(p.offset)) {
            break;
        }
        pairs.push_back(p);
    }
    int codePage = 932;
    for (const SPair& p : pairs) {
        if (p.id == 1) {
            CCursor c(section, p.offset);
            std::uint32_t type = 0;
            std::uint16_t cp = 0;
            if (c.U32(type) && (type & 0xFFFF) == kVtI2 && c.U16(cp)) {
                codePage = cp;
            }
        }
    }
    std::vector<std::pair<std::uint32_t, std::string>> names;
    if (set == 2) {
        for (const SPair& p : pairs) {
            if (p.id == 0) {
                names = ReadDictionary(CCursor(section, p.offset), codePage);
            }
        }
    }
    for (const SPair& p : pairs) {
        if (p.id <= 1) { // the dictionary and the code page are no values to show
            continue;
        }
        CCursor c(section, p.offset);
        std::string value;
        bool known = false;
        if (!ReadValue(c, codePage, value, known)) {
            return false;
        }
        if (!known) {
            continue;
        }
        int valueSet = set;
        std::uint32_t valueId = p.id;
        for (const auto& [nameId, name] : names) {
            if (nameId == p.id && NamedStandIn(name, valueSet, valueId)) {
                break;
            }
        }
        out.push_back({valueSet, valueId, std::move(value)});
    }
    return pairs.size() == count;
}

bool COfficePropertyReader::Read(const CExtractFile& file) {
    m_values.clear();
    const std::uint64_t size = file.Size();
    auto readSection = [&](std::uint64_t at, int set, std::vector<SValue>& out) {
        unsigned char head[8];
        if (file.ReadAt(at, head, 8) != 8) {
            return false;
        }
        const std::uint32_t sectionSize = Le32(head);
        if (sectionSize < 8 || sectionSize > kMaxSectionSize) {
            return false;
        }
        std::string section(
            static_cast<std::size_t>(std::min<std::uint64_t>(sectionSize, size - at)), '\0');
        section.resize(file.ReadAt(at, section.data(), section.size()));
        ParseSection(section, set, out);
        return true;
    };
    // Calls visit(offset, header) for every stream header of `kind`; visit returns
    // false to stop.
    auto scan = [&](EStream kind, auto&& visit) {
        std::vector<unsigned char> chunk(kChunk + kHeaderSize);
        for (std::uint64_t base = 0; base < size; base += kChunk) {
            std::fill(chunk.begin(), chunk.end(), 0);
            const std::size_t got = file.ReadAt(base, chunk.data(), chunk.size());
            for (std::size_t at = 0; at < kChunk && at + 48 <= got; at += kBoundary) {
                const SHeader h = ReadHeader(chunk.data() + at);
                if (h.m_kind == kind && !visit(base + at, h)) {
                    return;
                }
            }
        }
    };

    std::vector<SValue> plain;
    std::vector<SValue> best;
    long long bestRevision = 0;
    bool haveBest = false;
    bool found = false;
    scan(EStream::Summary, [&](std::uint64_t at, const SHeader& h) {
        std::vector<SValue> values;
        if (!readSection(at + h.m_first, 0, values)) {
            return true;
        }
        found = true;
        auto revision = std::find_if(values.begin(), values.end(),
                                     [](const SValue& v) { return v.m_nId == 9; });
        if (revision == values.end()) {
            plain.insert(plain.end(), values.begin(), values.end());
            return true;
        }
        const long long number = std::strtoll(revision->m_strValue.c_str(), nullptr, 10);
        if (!haveBest || number > bestRevision) {
            haveBest = true;
            bestRevision = number;
            best = std::move(values);
        }
        return true;
    });
    if (!found) {
        return false;
    }
    m_values = std::move(plain);
    m_values.insert(m_values.end(), best.begin(), best.end());
    scan(EStream::DocSummary, [&](std::uint64_t at, const SHeader& h) {
        readSection(at + h.m_first, 1, m_values);
        if (h.m_second != 0) {
            readSection(at + h.m_second, 2, m_values);
        }
        return false;
    });
    return true;
}

const std::string* COfficePropertyReader::Find(int set, std::uint32_t id) const {
    for (auto it = m_values.rbegin(); it != m_values.rend(); ++it) {
        if (it->m_nSet == set && it->m_nId == id) {
            return &it->m_strValue;
        }
    }
    return nullptr;
}

const char* COfficePropertyReader::PropertyName(int set, std::uint32_t id) {
    static constexpr const char* kSummary[] = {
        "UNKNOWN_00",     "UNKNOWN_01",     "TITLE",       "SUBTITLE",    "CREATOR",
        "KEYWORD",        "COMMENT",        "TEMPLATE",    "REG_COMPANY", "REVISION",
        "UNKNOWN_0A",     "UNKNOWN_0B",     "TIME_CREATE", "TIME_UPDATE", "STATISTIC_PAGE",
        "STATISTIC_WORD", "STATISTIC_TEXT", "UNKNOWN_11",  "PRODUCT",     "UNKNOWN_13"};
    static constexpr const char* kDocSummary[] = {
        "UNKNOWN_00",     "UNKNOWN_01",    "CATEGORY",          "PRESENTATION_FORMAT",
        "STATISTIC_BYTE", "UNKNOWN_05",    "STATISTIC_SECTION", "STATISTIC_SLID",
        "UNKNOWN_08",     "UNKNOWN_09",    "UNKNOWN_0A",        "UNKNOWN_0B",
        "DOCUMENT_TITLE", "DOCUMENT_DATA", "MANAGER",           "COMPANY",
        "UNKNOWN_10",     "UNKNOWN_11",    "UNKNOWN_12",        "UNKNOWN_13",
        "UNKNOWN_14",     "UNKNOWN_15",    "UNKNOWN_16",        "UNKNOWN_17"};
    static constexpr const char* kUserDefined[] = {"UNKNOWN_00", "UNKNOWN_01", "HYPER_LINK",
                                                   "GUID"};
    switch (set) {
    case 0:
        return id < std::size(kSummary) ? kSummary[id] : nullptr;
    case 1:
        return id < std::size(kDocSummary) ? kDocSummary[id] : nullptr;
    case 2:
        return id < std::size(kUserDefined) ? kUserDefined[id] : nullptr;
    default:
        return nullptr;
    }
}

std::string COfficePropertyReader::Dump() const {
    std::string out;
    for (const SValue& v : m_values) {
        if (const char* name = PropertyName(v.m_nSet, v.m_nId)) {
            out += "$";
            out += name;
            out += "=";
            out += v.m_strValue;
            out += "\r\n";
        }
    }
    return out;
}

} // namespace quillora
