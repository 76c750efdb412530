// ARJ through the `arj` program: listing parsed from `arj v`, extraction into a private
// staging folder from which each file is moved to its safe place.
#include "scan/ArjArchiver.h"

#include "core/TraceLog.h"
#include "scan/ArchivePath.h"
#include "scan/ChildProcess.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace quillora {

namespace fs = std::filesystem;

namespace {

// "-+" makes arj ignore switches from its ARJ_SW environment variable, "-y" answers
// every question, "-p" matches names against whole stored paths.
constexpr const char* kIgnoreEnvSwitches = "-+";

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsRule(std::string_view line) {
    return line.substr(0, 12) == "------------";
}

// "001) name": the sequence number, then the stored path.
bool ParseNameLine(std::string_view line, std::string& name) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') {
        ++i;
    }
    std::size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        ++i;
    }
    if (i == digits || line.substr(i, 2) != ") ") {
        return false;
    }
    name = std::string(line.substr(i + 2));
    return !name.empty();
}

bool ParseInfoLine(std::string_view line, SArjListed& item) {
    std::string copy(line);
    unsigned long long original = 0;
    unsigned long long compressed = 0;
    int yy, mo, dd, hh, mi, ss;
    char attributes[64] = {};
    int n = std::sscanf(copy.c_str(), "%*s %*s %llu %llu %*s %d-%d-%d %d:%d:%d %63s", &original,
                        &compressed, &yy, &mo, &dd, &hh, &mi, &ss, attributes);
    if (n < 8) {
        return false;
    }
    int year = yy >= 80 ? 1900 + yy : 2000 + yy;
    item.m_nOriginal = original;
    item.m_nCompressed = compressed;
    if (year >= 1980 && year <= 2107 && mo >= 1 && mo <= 12 && dd >= 1 && dd <= 31 && hh < 24 &&
        mi < 60 && ss < 60) {
        std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | mo << 5 | dd);
        std::uint32_t time = static_cast<std::uint32_t>(hh << 11 | mi << 5 | ss / 2);
        item.m_dwDosDateTime = date << 16 | time;
    }
    item.m_strAttributes = attributes;
    return true;
}

std::uint32_t AttributesFromText(std::string_view text) {
    std::uint32_t attributes = kArcAttrNormal;
    if (!text.empty() && text.front() == 'd') {
        attributes |= kArcAttrDirectory; // Unix-made archives print a mode string
    }
    for (char c : text) {
        switch (c) {
        case 'R':
            attributes |= kArcAttrReadOnly;
            break;
        case 'H':
            attributes |= kArcAttrHidden;
            break;
        case 'S':
            attributes |= kArcAttrSystem;
            break;
        case 'D':
            attributes |= kArcAttrDirectory;
            break;
        case 'A':
            attributes |= kArcAttrArchive;
            break;
        default:
            break;
        }
    }
    return attributes;
}

std::string FindInPath(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate)) {
            return candidate;
        }
    }
    return {};
}

// A folder below `dest` only this extraction uses, removed with everything in it.
class CStagingDir {
public:
    explicit CStagingDir(const fs::path& dest) {
        std::string pattern = (dest / ".arj-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~CStagingDir() {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove_all(m_path, ec);
        }
    }
    CStagingDir(const CStagingDir&) = delete;
    CStagingDir& operator=(const CStagingDir&) = delete;
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

bool MoveInto(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(from, ec))) {
        return false;
    }
    fs::create_directories(to.parent_path(), ec);
    fs::remove(to, ec);
    fs::rename(from, to, ec);
    return !ec;
}

} // namespace

bool ParseArjListing(std::string_view text, std::vector<SArjListed>& out) {
    std::vector<std::string_view> lines = SplitLines(text);
    std::size_t i = 0;
    while (i < lines.size() && !IsRule(lines[i])) {
        ++i;
    }
    if (i == lines.size()) {
        return false;
    }
    std::vector<SArjListed> items;
    for (++i; i < lines.size() && !IsRule(lines[i]); ++i) {
        std::string name;
        if (!ParseNameLine(lines[i], name) || i + 1 >= lines.size()) {
            continue;
        }
        SArjListed item;
        item.m_strRawName = name;
        if (ParseInfoLine(lines[i + 1], item)) {
            items.push_back(std::move(item));
            ++i;
        }
    }
    if (i == lines.size()) {
        return false; // no closing rule: the listing was cut short
    }
    out = std::move(items);
    return true;
}

CArjArchiver::CArjArchiver() : CArchiver(kArcIdArj, false, "arj", {"ARJ"}) {}

bool CArjArchiver::LoadModule(const std::string& name, const std::string& folder,
                              std::string& moduleFileName) {
    std::string program = folder.empty() ? FindInPath(name) : FindInPath(folder + "/" + name);
    if (program.empty()) {
        SetLastError("the arj program is not installed");
        return false;
    }
    std::string banner;
    RunChildProcess({program, "v", kIgnoreEnvSwitches, "/dev/null"}, &banner, 4096);
    unsigned major = 0;
    unsigned minor = 0;
    std::size_t at = banner.find(" v ");
    if (at != std::string::npos &&
        std::sscanf(banner.c_str() + at, " v %u.%u", &major, &minor) == 2) {
        m_nVersion = (major & 0xFF) << 24 | (minor & 0xFF) << 16;
    }
    m_strProgram = program;
    moduleFileName = program;
    return true;
}

void CArjArchiver::UnloadModule() {
    m_strProgram.clear();
    m_nVersion = 0;
}

std::uint32_t CArjArchiver::GetVersion() const {
    return IsLoaded() ? m_nVersion : 0;
}

bool CArjArchiver::ListMembers(const std::string& path, std::vector<SMember>& members) {
    if (!IsLoaded()) {
        SetLastError("the arj program is not installed");
        return false;
    }
    std::string text;
    int rc = RunChildProcess({m_strProgram, "v", kIgnoreEnvSwitches, "-y", path}, &text);
    std::vector<SArjListed> listed;
    if (rc != 0 || !ParseArjListing(text, listed)) {
        SetLastError(path + ": arj could not list the archive");
        return false;
    }
    members.clear();
    for (const SArjListed& item : listed) {
        SMember member;
        member.m_strRaw = item.m_strRawName;
        member.m_strName = DecodeArcName(item.m_strRawName);
        SArcListEntry& rec = member.m_rec;
        rec.m_dwAttributes = AttributesFromText(item.m_strAttributes);
        member.m_bFolder = (rec.m_dwAttributes & kArcAttrDirectory) != 0;
        rec.SetSizes(item.m_nCompressed, item.m_nOriginal);
        rec.m_ftLastWrite = FileTimeFromDos(item.m_dwDosDateTime);
        rec.m_ftLastAccess = rec.m_ftLastWrite;
        rec.m_ftCreation = rec.m_ftLastWrite;
        members.push_back(std::move(member));
    }
    return true;
}

bool CArjArchiver::ListArchive(const std::string& path, std::vector<SArcListEntry>& out) {
    std::vector<SMember> members;
    if (!ListMembers(path, members)) {
        return false;
    }
    std::vector<SArcListEntry> listing;
    for (SMember& member : members) {
        AddListed(listing, member.m_rec, member.m_strName);
    }
    out = std::move(listing);
    return true;
}

bool CArjArchiver::Extract(const std::string& archivePath, const std::string& destFolder,
                           const ArcEntryList& entries, bool withFolders) {
    std::vector<SMember> members;
    if (!ListMembers(archivePath, members)) {
        return false;
    }
    std::error_code ec;
    fs::create_directories(destFolder, ec);
    fs::path dest = fs::weakly_canonical(fs::path(destFolder), ec);
    if (ec || !fs::is_directory(dest)) {
        SetLastError(destFolder + ": destination folder cannot be used");
        return false;
    }
    bool ok = true;
    std::vector<const SMember*> chosen;
    for (const std::string& wanted : entries) {
        const SMember* hit = nullptr;
        for (const SMember& member : members) {
            if (NormalizeArcPath(member.m_strName) == NormalizeArcPath(wanted)) {
                hit = &member;
            }
        }
        if (!hit) {
            SetLastError("not in the archive: " + wanted);
            ok = false;
        } else if (!hit->m_bFolder) {
            chosen.push_back(hit);
        }
    }
    if (entries.empty()) {
        for (const SMember& member : members) {
            if (!member.m_bFolder) {
                chosen.push_back(&member);
            }
        }
    }
    // Each member is taken out flat into its own staging folder, so that no stored
    // path (however it is made) reaches the file system; the file is then moved to the
    // place ExtractedPath gives it.
    for (const SMember* member : chosen) {
        std::optional<fs::path> target = ExtractedPath(dest, member->m_strName, withFolders);
        if (!target) {
            Log("extraction refused, unsafe path in archive: " + member->m_strName);
            ok = false;
            continue;
        }
        CStagingDir staging(dest);
        if (staging.Path().empty()) {
            ok = false;
            continue;
        }
        std::string stagingArg = staging.Path().string() + "/";
        int rc = RunChildProcess({m_strProgram, "e", kIgnoreEnvSwitches, "-y", "-p", archivePath,
                                  stagingArg, member->m_strRaw});
        fs::path produced;
        for (const auto& item : fs::directory_iterator(staging.Path(), ec)) {
            produced = item.path();
        }
        if (rc != 0 || produced.empty() || !MoveInto(produced, *target)) {
            Log("extraction failed: " + member->m_strName);
            ok = false;
        }
    }
    return ok;
}

} // namespace quillora
