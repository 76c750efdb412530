// Settings store: parsing and writing the text file, atomic replacement, setting a bad
// file aside.
#include "core/ProfileStore.h"

#include "core/TraceLog.h"
#include "core/UniqueFd.h"
#include "core/WriteAll.h"
#include "core/XdgPaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace fs = std::filesystem;

namespace {

constexpr char kHex[] = "0123456789abcdef";

unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool CaseEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// True when name lies below parent ("A\B" below "A"), not counting parent itself.
bool IsBelow(std::string_view name, std::string_view parent) {
    return name.size() > parent.size() && name[parent.size()] == '\\' &&
           CaseEqual(name.substr(0, parent.size()), parent);
}

enum class EEscape { Section, Name, String };

void AppendHexByte(std::string& out, unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

std::string Escape(std::string_view text, EEscape kind) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool first = i == 0;
        bool last = i + 1 == text.size();
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHexByte(out, c);
        } else if (kind == EEscape::Name &&
                   (c == '=' || (first && (c == '[' || c == '#' || c == ';')))) {
            AppendHexByte(out, c);
        } else if (kind == EEscape::String && last && c == ' ') {
            AppendHexByte(out, c); // editors like to strip trailing blanks
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    unsigned char l = Lower(static_cast<unsigned char>(c));
    if (l >= 'a' && l <= 'f') {
        return l - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            int hi = HexDigit(text[i + 1]);
            int lo = HexDigit(text[i + 2]);
            if (hi < 0 || lo < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (negative) {
        value = -value;
    }
    // Values written by hand as unsigned 32-bit (as registry DWORDs are shown) are accepted.
    if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]);
        int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return bytes;
}

void SyncFolder(const fs::path& folder) {
    CUniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
}

std::string Stamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames from to to unless to exists; false with errno set otherwise.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // File systems without RENAME_NOREPLACE: a hard link never replaces anything.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

void Report(const std::string& problem) {
    Log("CProfileStore: " + problem);
    std::fprintf(stderr, "quillora: %s\n", problem.c_str());
}

} // namespace

bool CProfileStore::SCaseLess::operator()(std::string_view a, std::string_view b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = Lower(a[i]);
        unsigned char y = Lower(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

std::string CProfileStore::DefaultPath() {
    return (fs::path(ConfigFolder()) / "Quillora.conf").string();
}

EProfileLoad CProfileStore::Load(const std::string& path) {
    Clear();
    m_path = path;
    m_setAsidePath.clear();
    m_problem.clear();
    m_saveBlocked = false;

    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return EProfileLoad::Missing;
    }
    std::string error;
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        error = "cannot read it (" + ec.message() + ")";
    } else if (size > kMaxFileSize) {
        error = "it is too large (" + std::to_string(size) + " bytes)";
    } else {
        std::ifstream in(path, std::ios::binary);
        std::string text;
        text.resize(static_cast<size_t>(size));
        if (!in || !in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
            error = "cannot read it";
        } else if (FromText(text, &error)) {
            return EProfileLoad::Ok;
        }
    }
    Clear();
    m_problem = "settings file " + path + ": " + error;
    SetAside();
    Report(m_problem);
    return EProfileLoad::Corrupt;
}

void CProfileStore::SetAside() {
    std::string base = m_path + ".bad-" + Stamp();
    for (int n = 0; n < 1000; ++n) {
        std::string target = n == 0 ? base : base + "-" + std::to_string(n);
        if (RenameNoReplace(m_path, target)) {
            m_setAsidePath = target;
            m_problem += "; kept as " + target + ", starting from the defaults";
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    m_saveBlocked = true;
    m_problem += "; it could not be moved aside (" + std::string(std::strerror(errno)) +
                 "), so the settings will not be saved over it";
}

bool CProfileStore::Save() {
    if (m_saveBlocked) {
        return false;
    }
    if (m_path.empty()) {
        m_problem = "no settings file was chosen";
        return false;
    }
    std::error_code ec;
    fs::path target = m_path;
    // Save through a symbolic link (a managed dot-file) instead of replacing the link.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    fs::create_directories(folder, ec);
    if (ec) {
        m_problem = "cannot create the folder " + folder.string() + ": " + ec.message();
        Report(m_problem);
        return false;
    }
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    CUniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        m_problem = "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
        Report(m_problem);
        return false;
    }
    bool written = WriteAll(fd.Get(), ToText()) && ::fsync(fd.Get()) == 0;
    int savedErrno = errno;
    written = fd.Close() && written;
    if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
        if (written) {
            savedErrno = errno;
        }
        ::unlink(temp.c_str());
        m_problem =
            "cannot save the settings to " + target.string() + ": " + std::strerror(savedErrno);
        Report(m_problem);
        return false;
    }
    SyncFolder(folder);
    m_problem.clear();
    return true;
}

bool CProfileStore::RemoveFile() {
    Clear();
    if (m_path.empty()) {
        return true;
    }
    std::error_code ec;
    fs::remove(m_path, ec);
    return !ec && !fs::exists(fs::symlink_status(m_path, ec));
}

const CProfileStore::Value* CProfileStore::Find(std::string_view section,
                                                std::string_view name) const {
    auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        return nullptr;
    }
    auto v = s->second.find(name);
    return v == s->second.end() ? nullptr : &v->second;
}

CProfileStore::ValueMap& CProfileStore::Section(std::string_view section) {
    auto it = m_sections.find(section);
    if (it == m_sections.end()) {
        it = m_sections.emplace(std::string(section), ValueMap{}).first;
    }
    return it->second;
}

void CProfileStore::Set(std::string_view section, std::string_view name, Value value) {
    ValueMap& values = Section(section);
    auto it = values.find(name);
    if (it == values.end()) {
        values.emplace(std::string(name), std::move(value));
    } else {
        it->second = std::move(value);
    }
}

std::int32_t CProfileStore::GetInt(std::string_view section, std::string_view name,
                                   std::int32_t defaultValue) const {
    const Value* v = Find(section, name);
    const std::int32_t* n = v ? std::get_if<std::int32_t>(v) : nullptr;
    return n ? *n : defaultValue;
}

std::string CProfileStore::GetString(std::string_view section, std::string_view name,
                                     std::string_view defaultValue) const {
    const Value* v = Find(section, name);
    const std::string* s = v ? std::get_if<std::string>(v) : nullptr;
    return s ? *s : std::string(defaultValue);
}

std::optional<std::vector<std::uint8_t>> CProfileStore::GetBinary(std::string_view section,
                                                                  std::string_view name) const {
    const Value* v = Find(section, name);
    const auto* b = v ? std::get_if<std::vector<std::uint8_t>>(v) : nullptr;
    if (!b) {
        return std::nullopt;
    }
    return *b;
}

std::optional<EProfileType> CProfileStore::TypeOf(std::string_view section,
                                                  std::string_view name) const {
    const Value* v = Find(section, name);
    if (!v) {
        return std::nullopt;
    }
    return static_cast<EProfileType>(v->index());
}

void CProfileStore::SetInt(std::string_view section, std::string_view name, std::int32_t value) {
    Set(section, name, value);
}

void CProfileStore::SetString(std::string_view section, std::string_view name,
                              std::string_view value) {
    Set(section, name, std::string(value));
}

void CProfileStore::SetBinary(std::string_view section, std::string_view name,
                              const std::vector<std::uint8_t>& value) {
    Set(section, name, value);
}

bool CProfileStore::DeleteValue(std::string_view section, std::string_view name) {
    auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        return false;
    }
    auto v = s->second.find(name);
    if (v == s->second.end()) {
        return false;
    }
    s->second.erase(v);
    return true;
}

bool CProfileStore::DeleteSection(std::string_view section) {
    bool deleted = false;
    for (auto it = m_sections.begin(); it != m_sections.end();) {
        if (CaseEqual(it->first, section) || IsBelow(it->first, section)) {
            it = m_sections.erase(it);
            deleted = true;
        } else {
            ++it;
        }
    }
    return deleted;
}

void CProfileStore::CreateSection(std::string_view section) {
    Section(section);
}

bool CProfileStore::HasSection(std::string_view section) const {
    for (const auto& [name, values] : m_sections) {
        if (CaseEqual(name, section) || IsBelow(name, section)) {
            return true;
        }
    }
    return false;
}

bool CProfileStore::HasValue(std::string_view section, std::string_view name) const {
    return Find(section, name) != nullptr;
}

std::vector<std::string> CProfileStore::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(m_sections.size());
    for (const auto& entry : m_sections) {
        names.push_back(entry.first);
    }
    return names;
}

std::vector<std::string> CProfileStore::SubSectionNames(std::string_view parent) const {
    std::vector<std::string> children;
    for (const auto& entry : m_sections) {
        std::string_view name = entry.first;
        if (!parent.empty()) {
            if (!IsBelow(name, parent)) {
                continue;
            }
            name.remove_prefix(parent.size() + 1);
        }
        name = name.substr(0, name.find('\\'));
        bool seen = false;
        for (const std::string& child : children) {
            seen = seen || CaseEqual(child, name);
        }
        if (!seen) {
            children.emplace_back(name);
        }
    }
    return children;
}

std::vector<std::string> CProfileStore::ValueNames(std::string_view section) const {
    std::vector<std::string> names;
    auto s = m_sections.find(section);
    if (s != m_sections.end()) {
        for (const auto& entry : s->second) {
            names.push_back(entry.first);
        }
    }
    return names;
}

std::string CProfileStore::ToText() const {
    std::string out(kMagicLine);
    out += '\n';
    for (const auto& [section, values] : m_sections) {
        out += '[';
        out += Escape(section, EEscape::Section);
        out += "]\n";
        for (const auto& [name, value] : values) {
            out += Escape(name, EEscape::Name);
            if (const auto* n = std::get_if<std::int32_t>(&value)) {
                out += "=i:" + std::to_string(*n);
            } else if (const auto* s = std::get_if<std::string>(&value)) {
                out += "=s:" + Escape(*s, EEscape::String);
            } else {
                out += "=b:";
                for (std::uint8_t byte : std::get<std::vector<std::uint8_t>>(value)) {
                    out += kHex[byte >> 4];
                    out += kHex[byte & 15];
                }
            }
            out += '\n';
        }
    }
    return out;
}

bool CProfileStore::FromText(std::string_view text, std::string* error) {
    Clear();
    auto fail = [&](size_t line, const char* what) {
        Clear();
        if (error) {
            *error = "line " + std::to_string(line) + ": " + what;
        }
        return false;
    };
    size_t lineNo = 0;
    ValueMap* current = nullptr;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (lineNo == 1) {
            if (line != kMagicLine) {
                return fail(1, "not a settings file (wrong first line)");
            }
            continue;
        }
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            if (line.size() < 2 || line.back() != ']') {
                return fail(lineNo, "section header without \"]\"");
            }
            auto name = Unescape(line.substr(1, line.size() - 2));
            if (!name) {
                return fail(lineNo, "bad escape in the section name");
            }
            current = &Section(*name);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            return fail(lineNo, "no \"=\" in the line");
        }
        if (!current) {
            return fail(lineNo, "value before the first section");
        }
        auto name = Unescape(line.substr(0, eq));
        if (!name) {
            return fail(lineNo, "bad escape in the value name");
        }
        std::string_view typed = line.substr(eq + 1);
        if (typed.size() < 2 || typed[1] != ':') {
            return fail(lineNo, "value without a type (i:, s: or b:)");
        }
        std::string_view body = typed.substr(2);
        Value value;
        if (typed[0] == 'i') {
            auto n = ParseInt(body);
            if (!n) {
                return fail(lineNo, "bad integer");
            }
            value = *n;
        } else if (typed[0] == 's') {
            auto s = Unescape(body);
            if (!s) {
                return fail(lineNo, "bad escape in the string");
            }
            value = std::move(*s);
        } else if (typed[0] == 'b') {
            auto b = ParseHex(body);
            if (!b) {
                return fail(lineNo, "bad hex data");
            }
            value = std::move(*b);
        } else {
            return fail(lineNo, "unknown value type");
        }
        (*current)[*name] = std::move(value);
    }
    if (lineNo == 0) {
        return fail(1, "empty file");
    }
    return true;
}

} // namespace quillora
