// The version resource of PE files.
#include "extract/PeVersionReader.h"

#include "core/LittleEndian.h"
#include "core/Text.h"
#include "extract/CodeConverter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillora {

namespace {

constexpr std::uint32_t kMaxHeaderOffset = 16 * 1024 * 1024;
constexpr std::uint32_t kMaxSections = 96;
constexpr std::uint32_t kMaxDirectoryEntries = 4096;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

struct SSection {
    std::uint32_t m_va, m_virtualSize, m_rawSize, m_rawPointer;
};

class CPeFile {
public:
    CPeFile(const CPeVersionReader::ReadAt& read, std::uint64_t size)
        : m_read(read), m_size(size) {}

    bool Bytes(std::uint64_t offset, std::size_t n, std::vector<unsigned char>& out) const {
        if (offset > m_size || m_size - offset < n) {
            return false;
        }
        out.resize(n);
        return m_read(offset, out.data(), n) == n;
    }

    // The file offset of `rva` when `n` bytes from there lie in one section's data.
    bool Offset(std::uint32_t rva, std::uint32_t n, std::uint64_t& offset) const {
        for (const SSection& s : m_sections) {
            const std::uint32_t span = std::max(s.m_virtualSize, s.m_rawSize);
            if (rva >= s.m_va && rva - s.m_va < span) {
                const std::uint32_t into = rva - s.m_va;
                if (into > s.m_rawSize || s.m_rawSize - into < n) {
                    return false;
                }
                offset = std::uint64_t{s.m_rawPointer} + into;
                return true;
            }
        }
        return false;
    }

    // Reads the headers; the resource directory's RVA and size through the outputs.
    bool ReadHeaders(std::uint32_t& resourceRva, std::uint32_t& resourceSize) {
        std::vector<unsigned char> b;
        if (!Bytes(0, 64, b) || b[0] != 'M' || b[1] != 'Z') {
            return false;
        }
        const std::uint32_t pe = Le32(&b[0x3C]);
        if (pe > kMaxHeaderOffset || !Bytes(pe, 24, b) || std::memcmp(b.data(), "PE\0\0", 4) != 0) {
            return false;
        }
        const std::uint16_t sections = Le16(&b[6]);
        const std::uint16_t optionalSize = Le16(&b[20]);
        const std::uint64_t optional = std::uint64_t{pe} + 24;
        if (sections > kMaxSections || optionalSize < 2 || !Bytes(optional, optionalSize, b)) {
            return false;
        }
        const std::uint16_t magic = Le16(&b[0]);
        std::size_t countAt = 0;
        if (magic == 0x10B) {
            countAt = 92;
        } else if (magic == 0x20B) {
            countAt = 108;
        } else {
            return false;
        }
        const std::size_t directories = countAt + 4;
        if (b.size() < directories + 3 * 8 || Le32(&b[countAt]) <= 2) {
            return false;
        }
        resourceRva = Le32(&b[directories + 2 * 8]);
        resourceSize = Le32(&b[directories + 2 * 8 + 4]);
        std::vector<unsigned char> table;
        if (!Bytes(optional + optionalSize, std::size_t{sections} * 40, table)) {
            return false;
        }
        for (std::uint16_t i = 0; i < sections; ++i) {
            const unsigned char* s = &table[std::size_t{i} * 40];
            m_sections.push_back({Le32(s + 12), Le32(s + 8), Le32(s + 16), Le32(s + 20)});
        }
        return resourceRva != 0 && resourceSize != 0;
    }

private:
    const CPeVersionReader::ReadAt& m_read;
    std::uint64_t m_size;
    std::vector<SSection> m_sections;
};

// The resource tree, read as one block from the start of the resource directory.
class CResourceTree {
public:
    explicit CResourceTree(std::vector<unsigned char> data) : m_data(std::move(data)) {}

    // The entry of directory `dir` whose id is `id` (any entry when id < 0): its
    // OffsetToData word.
    bool Entry(std::uint32_t dir, long id, std::uint32_t& target) const {
        if (dir > m_data.size() || m_data.size() - dir < 16) {
            return false;
        }
        const std::uint32_t named = Le16(&m_data[dir + 12]);
        const std::uint32_t ids = Le16(&m_data[dir + 14]);
        const std::uint32_t count = std::min(named + ids, kMaxDirectoryEntries);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = dir + 16 + std::size_t{i} * 8;
            if (at + 8 > m_data.size()) {
                return false;
            }
            const std::uint32_t name = Le32(&m_data[at]);
            if (id < 0 || (!(name & 0x80000000u) && name == static_cast<std::uint32_t>(id))) {
                target = Le32(&m_data[at + 4]);
                return true;
            }
        }
        return false;
    }

    bool DataEntry(std::uint32_t at, std::uint32_t& rva, std::uint32_t& size) const {
        if (at > m_data.size() || m_data.size() - at < 16) {
            return false;
        }
        rva = Le32(&m_data[at]);
        size = Le32(&m_data[at + 4]);
        return true;
    }

private:
    std::vector<unsigned char> m_data;
};

// One block of the version information.
struct SBlock {
    std::string m_key;
    std::uint16_t m_type = 0;
    std::string_view m_value; // wValueLength bytes (text values: up to the block end)
    std::string_view m_children;
};

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~static_cast<std::size_t>(3);
}

// Reads the block at the start of `data`; `used` is its length (wLength, 4-aligned).
bool ReadBlock(std::string_view data, SBlock& block, std::size_t& used) {
    if (data.size() < 6) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t length = Le16(p);
    const std::size_t valueLength = Le16(p + 2);
    block.m_type = Le16(p + 4);
    if (length < 6 || length > data.size()) {
        return false;
    }
    std::string_view body = data.substr(0, length);
    std::size_t pos = 6;
    std::u16string key;
    while (pos + 1 < body.size()) {
        const char16_t unit = static_cast<char16_t>(Le16(p + pos));
        pos += 2;
        if (unit == 0) {
            break;
        }
        key += unit;
    }
    block.m_key = text::Utf16ToUtf8(key);
    pos = std::min(Align4(pos), body.size());
    std::size_t valueBytes = block.m_type == 1 ? valueLength * 2 : valueLength;
    valueBytes = std::min(valueBytes, body.size() - pos);
    // Text values: some tools count bytes, others characters; the text ends at its NUL
    // in any case, so it is read up to the block's end.
    block.m_value = block.m_type == 1 ? body.substr(pos) : body.substr(pos, valueBytes);
    const std::size_t children = std::min(Align4(pos + valueBytes), body.size());
    block.m_children = body.substr(children);
    used = std::min(Align4(length), data.size());
    return true;
}

std::string TextValue(std::string_view bytes) {
    std::string s = CCodeConverter::Utf16BytesToUtf8(bytes, false);
    if (const std::size_t nul = s.find('\0'); nul != std::string::npos) {
        s.resize(nul);
    }
    return s;
}

template <class F> void EachChild(std::string_view children, F&& visit) {
    std::size_t guard = 0;
    while (!children.empty() && guard++ < kMaxDirectoryEntries) {
        SBlock child;
        std::size_t used = 0;
        if (!ReadBlock(children, child, used) || used == 0) {
            return;
        }
        visit(child);
        children.remove_prefix(used);
    }
}

} // namespace

const SPeVersionInfo::STable* SPeVersionInfo::TableFor(std::uint16_t language) const {
    if (m_tables.empty()) {
        return nullptr;
    }
    const std::pair<std::uint16_t, std::uint16_t>* chosen = nullptr;
    for (const auto& t : m_translations) {
        if (t.first == language) {
            chosen = &t;
            break;
        }
    }
    if (!chosen) {
        for (const auto& t : m_translations) {
            if ((t.first & 0x3FF) == (language & 0x3FF)) {
                chosen = &t;
                break;
            }
        }
    }
    if (!chosen && !m_translations.empty()) {
        chosen = &m_translations.front();
    }
    if (chosen) {
        char key[16];
        std::snprintf(key, sizeof key, "%04X%04X", chosen->first, chosen->second);
        for (const STable& table : m_tables) {
            if (text::EqualsNoCase(table.m_strKey, key)) {
                return &table;
            }
        }
    }
    return &m_tables.front();
}

bool CPeVersionReader::ParseVersionInfo(std::string_view data, SPeVersionInfo& info) {
    SBlock root;
    std::size_t used = 0;
    if (!ReadBlock(data, root, used) || root.m_key != "VS_VERSION_INFO") {
        return false;
    }
    if (root.m_value.size() >= 52) {
        const auto* f = reinterpret_cast<const unsigned char*>(root.m_value.data());
        if (Le32(f) == kFixedSignature) {
            info.m_bFixed = true;
            info.m_dwFileVersionMS = Le32(f + 8);
            info.m_dwFileVersionLS = Le32(f + 12);
            info.m_dwProductVersionMS = Le32(f + 16);
            info.m_dwProductVersionLS = Le32(f + 20);
            info.m_dwFileOS = Le32(f + 32);
            info.m_dwFileType = Le32(f + 36);
        }
    }
    EachChild(root.m_children, [&](const SBlock& child) {
        if (child.m_key == "StringFileInfo") {
            EachChild(child.m_children, [&](const SBlock& table) {
                SPeVersionInfo::STable t;
                t.m_strKey = table.m_key;
                EachChild(table.m_children, [&](const SBlock& s) {
                    t.m_strings.emplace_back(s.m_key, TextValue(s.m_value));
                });
                info.m_tables.push_back(std::move(t));
            });
        } else if (child.m_key == "VarFileInfo") {
            EachChild(child.m_children, [&](const SBlock& var) {
                if (var.m_key != "Translation") {
                    return;
                }
                const auto* v = reinterpret_cast<const unsigned char*>(var.m_value.data());
                for (std::size_t i = 0; i + 4 <= var.m_value.size(); i += 4) {
                    info.m_translations.emplace_back(Le16(v + i), Le16(v + i + 2));
                }
            });
        }
    });
    return true;
}

bool CPeVersionReader::Read(const ReadAt& read, std::uint64_t size, SPeVersionInfo& info) {
    info = SPeVersionInfo{};
    CPeFile pe(read, size);
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
    if (!pe.ReadHeaders(resourceRva, resourceSize)) {
        return false;
    }
    resourceSize = std::min(resourceSize, kMaxResourceSize);
    std::uint64_t resourceOffset = 0;
    // The directory may claim more than the section holds: take what is there.
    std::uint32_t available = resourceSize;
    while (available > 0 && !pe.Offset(resourceRva, available, resourceOffset)) {
        available = available > 4096 ? available / 2 : 0;
    }
    std::vector<unsigned char> directory;
    if (available == 0 || !pe.Bytes(resourceOffset, available, directory)) {
        return false;
    }
    CResourceTree tree(std::move(directory));
    std::uint32_t level = 0;
    if (!tree.Entry(0, kRtVersion, level) || !(level & 0x80000000u) ||
        !tree.Entry(level & 0x7FFFFFFF, -1, level) || !(level & 0x80000000u) ||
        !tree.Entry(level & 0x7FFFFFFF, -1, level) || (level & 0x80000000u)) {
        return false;
    }
    std::uint32_t dataRva = 0;
    std::uint32_t dataSize = 0;
    std::uint64_t dataOffset = 0;
    if (!tree.DataEntry(level, dataRva, dataSize) || dataSize > kMaxResourceSize ||
        !pe.Offset(dataRva, dataSize, dataOffset)) {
        return false;
    }
    std::vector<unsigned char> data;
    if (!pe.Bytes(dataOffset, dataSize, data)) {
        return false;
    }
    return ParseVersionInfo(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), info);
}

std::uint16_t CPeVersionReader::LanguageFromLocale(std::string_view locale) {
    struct SLocale {
        const char* prefix;
        std::uint16_t id;
    };
    // Longest prefixes first within a language.
    static constexpr SLocale kLocales[] = {
        {"ja", 0x0411},    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
        {"en", 0x0409},    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de", 0x0407},
        {"fr_CA", 0x0C0C}, {"fr_BE", 0x080C}, {"fr_CH", 0x100C}, {"fr", 0x040C},
        {"es_MX", 0x080A}, {"es", 0x0C0A},    {"it", 0x0410},    {"pt_BR", 0x0416},
        {"pt", 0x0816},    {"nl", 0x0413},    {"sv", 0x041D},    {"da", 0x0406},
        {"nb", 0x0414},    {"no", 0x0414},    {"fi", 0x040B},    {"pl", 0x0415},
        {"cs", 0x0405},    {"hu", 0x040E},    {"ru", 0x0419},    {"uk", 0x0422},
        {"el", 0x0408},    {"tr", 0x041F},    {"ko", 0x0412},    {"zh_TW", 0x0404},
        {"zh_HK", 0x0C04}, {"zh", 0x0804},    {"th", 0x041E},    {"he", 0x040D},
        {"ar", 0x0401},
    };
    for (const SLocale& l : kLocales) {
        const std::size_t n = std::strlen(l.prefix);
        if (locale.size() >= n && locale.compare(0, n, l.prefix) == 0 &&
            (locale.size() == n || locale[n] == '_' || locale[n] == '.' || locale[n] == '@')) {
            return l.id;
        }
    }
    return 0x0409;
}

std::uint16_t CPeVersionReader::UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return LanguageFromLocale(value);
        }
    }
    return 0x0409;
}

} // namespace quillora
