// ARJ: the listing from the archive's own headers, extraction through the `arj` program
// into a private staging folder from which each file is moved to its safe place.
#include "scan/ArjArchiver.h"

#include "core/TraceLog.h"
#include "core/UniqueFd.h"
#include "core/XdgPaths.h"
#include "scan/ArchiveHead.h"
#include "scan/ArchivePath.h"
#include "scan/ArjHeaders.h"
#include "scan/ChildProcess.h"
#include "scan/ExtractTarget.h"
#include "scan/ExtractedFile.h"
#include "scan/PrivateWorkFolder.h"
#include "scan/VolumeScanner.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace quillora {

namespace fs = std::filesystem;

namespace {

// "-+" makes arj ignore switches from its ARJ_SW environment variable, "-y" answers
// every question, "-p" matches names against whole stored paths.
constexpr const char* kIgnoreEnvSwitches = "-+";

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

// Removes a staging folder with everything in it when it goes out of scope.
class CStagingDir {
public:
    explicit CStagingDir(std::string path) : m_path(std::move(path)) {}
    ~CStagingDir() {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove_all(m_path, ec);
        }
    }
    CStagingDir(const CStagingDir&) = delete;
    CStagingDir& operator=(const CStagingDir&) = delete;

private:
    std::string m_path;
};

// The name arj gives a member it takes out flat: the stored name after its last "/".
std::string FlatName(const std::string& raw) {
    const std::size_t slash = raw.rfind('/');
    return slash == std::string::npos ? raw : raw.substr(slash + 1);
}

// The one regular file in `folder`, or empty.
std::string OnlyFile(const std::string& folder) {
    std::error_code ec;
    std::string found;
    int count = 0;
    for (const auto& item : fs::directory_iterator(folder, ec)) {
        ++count;
        if (item.is_regular_file(ec) && !item.is_symlink(ec)) {
            found = item.path().string();
        }
    }
    return count == 1 ? found : std::string();
}

bool IsWholeFile(const std::string& path, std::uint64_t size) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_size) == size;
}

} // namespace

CArjArchiver::CArjArchiver() : CArchiver(kArcIdArj, false, "arj", {"ARJ"}) {}

bool CArjArchiver::LoadModule(const std::string& name, const std::string& folder,
                              std::string& moduleFileName) {
    std::string program = folder.empty() ? FindInPath(name) : FindInPath(folder + "/" + name);
    if (program.empty()) {
        SetLastError("the arj program is not installed");
        return false;
    }
    std::lock_guard guard(m_versionLock);
    m_version.reset();
    m_strProgram = program;
    moduleFileName = program;
    return true;
}

void CArjArchiver::UnloadModule() {
    std::lock_guard guard(m_versionLock);
    m_strProgram.clear();
    m_version.reset();
}

std::uint32_t CArjArchiver::GetVersion() const {
    if (!IsLoaded()) {
        return 0;
    }
    std::lock_guard guard(m_versionLock);
    if (!m_version) {
        std::string banner;
        RunChildProcess({m_strProgram, "v", kIgnoreEnvSwitches, "/dev/null"}, &banner, 4096);
        unsigned major = 0;
        unsigned minor = 0;
        const std::size_t at = banner.find(" v ");
        m_version = at != std::string::npos &&
                            std::sscanf(banner.c_str() + at, " v %u.%u", &major, &minor) == 2
                        ? (major & 0xFF) << 24 | (minor & 0xFF) << 16
                        : 0;
    }
    return *m_version;
}

bool CArjArchiver::ListMembers(const std::string& path, std::vector<SMember>& members) {
    if (!IsLoaded()) {
        SetLastError("the arj program is not installed");
        return false;
    }
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    std::vector<SArjMember> stored;
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !ReadArjHeaders(fd.Get(), stored)) {
        SetLastError(path + ": not an ARJ archive, or its headers are damaged");
        return false;
    }
    members.clear();
    for (const SArjMember& item : stored) {
        SMember member;
        member.m_strRaw = item.m_strRawName;
        member.m_strName = DecodeArcName(item.m_strRawName);
        member.m_bFolder = item.m_bFolder;
        SArcListEntry& rec = member.m_rec;
        rec.m_dwAttributes = kArcAttrNormal | (item.m_bFolder ? kArcAttrDirectory : 0);
        if (item.m_bHasDosAttributes) {
            rec.m_dwAttributes |= item.m_dwDosAttributes & (kArcAttrReadOnly | kArcAttrHidden |
                                                            kArcAttrSystem | kArcAttrArchive);
        }
        rec.SetSizes(item.m_nPacked, item.m_nOriginal);
        rec.m_ftLastWrite = item.m_bUnixTime ? FileTimeFromUnix(item.m_dwStamp, 0)
                                             : FileTimeFromDos(item.m_dwStamp);
        rec.m_ftLastAccess = rec.m_ftLastWrite;
        rec.m_ftCreation = rec.m_ftLastWrite;
        members.push_back(std::move(member));
    }
    return true;
}

bool CArjArchiver::Unpack(const std::string& archivePath, const std::string& staging,
                          const std::vector<const SMember*>& members, const Taker& take) {
    // arj takes members out flat under their last name component: members sharing one
    // go into different runs. Names are passed in runs of at most 200.
    constexpr std::size_t kNamesPerRun = 200;
    std::vector<std::vector<const SMember*>> runs;
    std::vector<std::unordered_set<std::string>> runNames;
    for (const SMember* member : members) {
        const std::string flat = FlatName(member->m_strRaw);
        std::size_t r = 0;
        while (r < runs.size() && (runNames[r].count(flat) || runs[r].size() >= kNamesPerRun)) {
            ++r;
        }
        if (r == runs.size()) {
            runs.emplace_back();
            runNames.emplace_back();
        }
        runs[r].push_back(member);
        runNames[r].insert(flat);
    }
    bool ok = true;
    int folderNumber = 0;
    for (const auto& run : runs) {
        const std::string folder = staging + "/" + std::to_string(folderNumber++);
        if (::mkdir(folder.c_str(), 0700) != 0) {
            SetLastError(folder + ": " + std::strerror(errno));
            return false;
        }
        std::vector<std::string> argv{m_strProgram, "e",         kIgnoreEnvSwitches, "-y",
                                      "-p",         archivePath, folder + "/"};
        for (const SMember* member : run) {
            argv.push_back(member->m_strRaw);
        }
        RunChildProcess(argv);
        for (const SMember* member : run) {
            std::string produced = folder + "/" + FlatName(member->m_strRaw);
            if (!IsWholeFile(produced, member->m_rec.m_nOriginalSize64)) {
                // Named otherwise than expected, or damaged: once more on its own, where
                // the only file that arrives is the member's.
                const std::string single = staging + "/" + std::to_string(folderNumber++);
                ::mkdir(single.c_str(), 0700);
                RunChildProcess({m_strProgram, "e", kIgnoreEnvSwitches, "-y", "-p", archivePath,
                                 single + "/", member->m_strRaw});
                produced = OnlyFile(single);
            }
            if (produced.empty() || !IsWholeFile(produced, member->m_rec.m_nOriginalSize64)) {
                SetLastError(archivePath + ": " + member->m_strName +
                             ": arj could not extract it whole (a damaged member or no room)");
                Log("extraction failed: " + LastError());
                ok = false;
                continue;
            }
            if (!take(*member, produced)) {
                ok = false;
            }
        }
    }
    return ok;
}

bool CArjArchiver::ListArchive(const std::string& path, std::vector<SArcListEntry>& out,
                               const CArcCrcChoice* crc) {
    std::vector<SMember> members;
    if (!ListMembers(path, members)) {
        return false;
    }
    if (crc) {
        std::vector<const SMember*> wanted;
        for (const SMember& member : members) {
            if (!member.m_bFolder && crc->Wants(member.m_strName)) {
                wanted.push_back(&member);
            }
        }
        CPrivateWorkFolder work;
        std::string error;
        if (!wanted.empty() && work.Create(TempFolder(), &error)) {
            std::string staging = work.Path();
            staging.pop_back();
            std::unordered_map<const SMember*, std::uint32_t> crcs;
            Unpack(path, staging, wanted, [&crcs](const SMember& member, const std::string& file) {
                crcs[&member] = CVolumeScanner::FileCrc32(AT_FDCWD, file.c_str());
                std::error_code ec;
                fs::remove(file, ec);
                return true;
            });
            for (SMember& member : members) {
                auto it = crcs.find(&member);
                if (it != crcs.end()) {
                    member.m_rec.m_bHasCrc = true;
                    member.m_rec.m_dwCrc = it->second;
                }
            }
        } else if (!wanted.empty()) {
            SetLastError("CRC of arj members: " + error);
            Log(LastError());
        }
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
    CExtractTarget target;
    if (!target.Open(destFolder)) {
        SetLastError(target.Error());
        return false;
    }
    bool ok = true;
    std::vector<const SMember*> chosen;
    for (const std::string& wanted : entries) {
        const std::string key = ArcMatchKey(wanted);
        const SMember* hit = nullptr;
        for (const SMember& member : members) {
            if (ArcMatchKey(member.m_strName) == key) {
                hit = &member;
            }
        }
        if (!hit) {
            SetLastError(archivePath + ": not in the archive: " + wanted);
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
    // Each member is taken out flat into a staging folder inside the target (so that no
    // stored path, however it is made, reaches the file system and the file can be
    // renamed into place), then moved to the place ExtractedParts gives it.
    std::unordered_map<const SMember*, SExtractedParts> placed;
    std::vector<const SMember*> safe;
    for (const SMember* member : chosen) {
        std::optional<SExtractedParts> parts = ExtractedParts(member->m_strName, withFolders);
        if (!parts) {
            SetLastError(archivePath + ": " + member->m_strName +
                         ": the path cannot be placed inside the extraction folder");
            Log("extraction refused: " + LastError());
            ok = false;
            continue;
        }
        placed.emplace(member, std::move(*parts));
        safe.push_back(member);
    }
    if (safe.empty()) {
        return ok;
    }
    const std::string stagingName = CExtractedFile::TempName();
    if (::mkdirat(target.Fd(), stagingName.c_str(), 0700) != 0) {
        SetLastError(target.Path() + ": " + std::strerror(errno));
        return false;
    }
    const std::string staging = target.Path() + "/" + stagingName;
    CStagingDir cleanup(staging);
    auto take = [&](const SMember& member, const std::string& produced) {
        const SExtractedParts* parts = &placed.at(&member);
        CUniqueFd folder = target.OpenFolder(parts->m_folders, true);
        if (folder.Get() < 0) {
            SetLastError(target.Error());
            return false;
        }
        if (::renameat(AT_FDCWD, produced.c_str(), folder.Get(), parts->m_strLeaf.c_str()) != 0) {
            SetLastError(target.Shown(*parts) + ": " + std::strerror(errno));
            return false;
        }
        return true;
    };
    return Unpack(archivePath, staging, safe, take) && ok;
}

bool CArjArchiver::MatchesHead(const CArchiveHead& head) const {
    return head.LooksLikeArj();
}

} // namespace quillora
