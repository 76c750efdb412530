// Listing and extraction through libarchive, shared by the families it reads.
#include "scan/LibarchiveArchiver.h"
#include "scan/CLibArchive.h"

#include "core/Crc32.h"
#include "core/TraceLog.h"
#include "core/UniqueFd.h"
#include "scan/ArchivePath.h"
#include "scan/ExtractTarget.h"
#include "scan/ExtractedFile.h"

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <langinfo.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unordered_map>

namespace quillora {

namespace fs = std::filesystem;

namespace {

struct SReadDeleter {
    void operator()(archive* a) const { CLibArchive::Get().m_readFree(a); }
};
using ReadPtr = std::unique_ptr<archive, SReadDeleter>;

constexpr std::size_t kReadBlock = 64 * 1024;

std::string ArchiveError(archive* a) {
    const char* text = CLibArchive::Get().m_errorString(a);
    return text ? text : "unknown libarchive error";
}

// A DOS date-time is local wall-clock time, and libarchive hands it over already
// turned into a time_t through the local zone; turning it back gives the stored fields,
// which are then taken as they are, without a zone conversion.
FileTime DosFileTime(std::time_t seconds) {
    std::tm tm{};
    if (localtime_r(&seconds, &tm) == nullptr || tm.tm_year < 80 || tm.tm_year > 207) {
        return 0;
    }
    std::uint32_t date =
        static_cast<std::uint32_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
    std::uint32_t time =
        static_cast<std::uint32_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    return FileTimeFromDos(date << 16 | time);
}

FileTime EntryTime(std::time_t seconds, long nanoseconds, bool dos) {
    if (dos) {
        return DosFileTime(seconds);
    }
    return FileTimeFromUnix(seconds, static_cast<std::uint32_t>(nanoseconds));
}

std::string LowerAscii(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// Name of the one member of a compressed file that holds no container: the file's
// own name without its compression ending (".tgz" and ".taz" hold a ".tar").
std::string RawMemberName(const std::string& archivePath) {
    std::string name = fs::path(archivePath).filename().string();
    std::string lower = LowerAscii(name);
    auto endsWith = [&](std::string_view ending) {
        return lower.size() > ending.size() &&
               lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0;
    };
    if (endsWith(".tgz") || endsWith(".taz")) {
        return name.substr(0, name.size() - 4) + ".tar";
    }
    if (endsWith(".gz")) {
        return name.substr(0, name.size() - 3);
    }
    if (endsWith(".z")) {
        return name.substr(0, name.size() - 2);
    }
    return name.empty() ? std::string("data") : name;
}

// The archive file, opened once per pass; libarchive reads it and the families read
// their side tables from the same descriptor with pread.
CUniqueFd OpenArchiveFile(const std::string& path, std::string& error) {
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return CUniqueFd();
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return CUniqueFd();
    }
    return fd;
}

ReadPtr OpenReader(int fd, const std::string& path, const std::function<void(archive*)>& enable,
                   const char* options, std::string& error) {
    // Loaded here, when an archive is first read: most commands never read one.
    const CLibArchive* library = CLibArchive::Find();
    if (!library) {
        error = CLibArchive::LoadError();
        return nullptr;
    }
    ReadPtr a(library->m_readNew());
    if (!a) {
        error = "out of memory";
        return nullptr;
    }
    enable(a.get());
    if (options && CLibArchive::Get().m_readSetOptions(a.get(), options) < ARCHIVE_WARN) {
        error = ArchiveError(a.get());
        return nullptr;
    }
    if (CLibArchive::Get().m_readOpenFd(a.get(), fd, kReadBlock) != ARCHIVE_OK) {
        error = path + ": " + ArchiveError(a.get());
        return nullptr;
    }
    return a;
}

// Reads the current entry's data to its end: its length and, when asked, its CRC-32.
// Any answer but a clean block or the end (a warning included: libarchive reports a
// CRC mismatch that way) is a data error.
bool ReadData(archive* a, std::uint32_t* crc, std::uint64_t& length, std::string& error) {
    length = 0;
    std::uint32_t value = 0;
    for (;;) {
        const void* buffer = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int rc = CLibArchive::Get().m_readDataBlock(a, &buffer, &size, &offset);
        if (rc == ARCHIVE_EOF) {
            break;
        }
        if (rc != ARCHIVE_OK) {
            error = ArchiveError(a);
            return false;
        }
        if (crc) {
            // A sparse member's holes read as zeros.
            static constexpr unsigned char kZeros[4096] = {};
            for (std::uint64_t at = length; at < static_cast<std::uint64_t>(offset);) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(
                    sizeof kZeros, static_cast<std::uint64_t>(offset) - at));
                value = Crc32Update(value, kZeros, n);
                at += n;
            }
            value = Crc32Update(value, buffer, size);
        }
        length = static_cast<std::uint64_t>(offset) + size;
    }
    if (crc) {
        *crc = value;
    }
    return true;
}

struct timespec EntryTimespec(bool set, std::time_t seconds, long nanoseconds) {
    struct timespec t {};
    if (set) {
        t.tv_sec = seconds;
        t.tv_nsec = nanoseconds;
    } else {
        clock_gettime(CLOCK_REALTIME, &t);
    }
    return t;
}

} // namespace

void EnsureUtf8Ctype() {
    static const bool done = [] {
        const char* codeset = nl_langinfo(CODESET);
        std::string upper = codeset ? codeset : "";
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (upper != "UTF-8" && upper != "UTF8") {
            std::setlocale(LC_CTYPE, "C.UTF-8");
        }
        return true;
    }();
    (void)done;
}

CLibarchiveArchiver::~CLibarchiveArchiver() = default;

bool CLibarchiveArchiver::LoadModule(const std::string&, const std::string&,
                                     std::string& moduleFileName) {
    // The library is loaded when the first archive is read (a missing one is reported
    // then, for that archive): loading it here would cost every command at its start.
    EnsureUtf8Ctype();
    moduleFileName = CLibArchive::kSoname;
    return true;
}

std::uint32_t CLibarchiveArchiver::GetVersion() const {
    const CLibArchive* library = IsLoaded() ? CLibArchive::Find() : nullptr;
    if (!library) {
        return 0;
    }
    const auto v = static_cast<unsigned>(library->m_versionNumber());
    return (v / 1000000) << 24 | (v / 1000 % 1000) << 16 | (v % 1000) << 8;
}

bool CLibarchiveArchiver::AcceptsFormat(archive*) const {
    return true;
}

void CLibarchiveArchiver::ReadSideFacts(int) {}

CLibarchiveArchiver::SEntryFacts CLibarchiveArchiver::FactsOf(archive*, archive_entry*, int) {
    return {};
}

std::string CLibarchiveArchiver::EntryName(archive* a, archive_entry* e,
                                           const std::string& path) const {
    if (CLibArchive::Get().m_format(a) == ARCHIVE_FORMAT_RAW) {
        return RawMemberName(path);
    }
    const char* raw = CLibArchive::Get().m_entryPathname(e);
    if (raw == nullptr) {
        raw = CLibArchive::Get().m_entryPathnameUtf8(e);
    }
    return raw ? DecodeArcName(raw) : std::string();
}

void CLibarchiveArchiver::FillEntry(archive_entry* e, const SEntryFacts& facts,
                                    SArcListEntry& rec) const {
    rec.Clear();
    const bool isDir = CLibArchive::Get().m_entryFiletype(e) == AE_IFDIR;
    rec.m_dwAttributes = kArcAttrNormal;
    if (isDir) {
        rec.m_dwAttributes |= kArcAttrDirectory;
    }
    if (facts.m_bHasDosAttributes) {
        rec.m_dwAttributes |= facts.m_dwDosAttributes & (kArcAttrReadOnly | kArcAttrHidden |
                                                         kArcAttrSystem | kArcAttrArchive);
    } else if ((CLibArchive::Get().m_entryPerm(e) & 0222) == 0 && !isDir) {
        rec.m_dwAttributes |= kArcAttrReadOnly;
    }
    const std::uint64_t size =
        CLibArchive::Get().m_entrySizeIsSet(e) && CLibArchive::Get().m_entrySize(e) > 0
            ? static_cast<std::uint64_t>(CLibArchive::Get().m_entrySize(e))
            : 0;
    rec.SetSizes(facts.m_bHasPacked ? facts.m_nPacked : 0, size);
    if (CLibArchive::Get().m_entryMtimeIsSet(e)) {
        rec.m_ftLastWrite = EntryTime(CLibArchive::Get().m_entryMtime(e),
                                      CLibArchive::Get().m_entryMtimeNsec(e), facts.m_bDosTime);
    }
    rec.m_ftLastAccess = CLibArchive::Get().m_entryAtimeIsSet(e)
                             ? EntryTime(CLibArchive::Get().m_entryAtime(e),
                                         CLibArchive::Get().m_entryAtimeNsec(e), facts.m_bDosTime)
                             : rec.m_ftLastWrite;
    rec.m_ftCreation = CLibArchive::Get().m_entryBirthtimeIsSet(e)
                           ? EntryTime(CLibArchive::Get().m_entryBirthtime(e),
                                       CLibArchive::Get().m_entryBirthtimeNsec(e), facts.m_bDosTime)
                           : rec.m_ftLastWrite;
}

struct CLibarchiveArchiver::SListing {
    std::vector<SArcListEntry> m_entries;
    bool m_bDataFailed = false; // the data of an entry could not be read
};

bool CLibarchiveArchiver::ListArchive(const std::string& path, std::vector<SArcListEntry>& out,
                                      const CArcCrcChoice* crc) {
    const char* attempts[] = {nullptr, RetryOptions()};
    for (std::size_t i = 0; i < 2; ++i) {
        if (i == 1 && attempts[1] == nullptr) {
            break;
        }
        SListing listing;
        if (ListWith(path, attempts[i], crc, listing)) {
            out = std::move(listing.m_entries);
            return true;
        }
        if (crc && listing.m_bDataFailed) {
            // Data that cannot be read can stop libarchive altogether; the entries are
            // then listed again without their data, keeping the CRCs read before.
            const std::string dataError = LastError();
            SListing plain;
            if (ListWith(path, attempts[i], nullptr, plain)) {
                const std::size_t n = std::min(listing.m_entries.size(), plain.m_entries.size());
                for (std::size_t k = 0; k < n; ++k) {
                    if (listing.m_entries[k].Name() == plain.m_entries[k].Name()) {
                        plain.m_entries[k].m_bHasCrc = listing.m_entries[k].m_bHasCrc;
                        plain.m_entries[k].m_dwCrc = listing.m_entries[k].m_dwCrc;
                    }
                }
                out = std::move(plain.m_entries);
                SetLastError(dataError);
                return true;
            }
        }
    }
    return false;
}

bool CLibarchiveArchiver::ListWith(const std::string& path, const char* options,
                                   const CArcCrcChoice* crc, SListing& listing) {
    std::string error;
    CUniqueFd fd = OpenArchiveFile(path, error);
    ReadPtr a = fd.Get() < 0
                    ? nullptr
                    : OpenReader(
                          fd.Get(), path, [this](archive* r) { EnableFormats(r); }, options, error);
    if (!a) {
        SetLastError(error);
        return false;
    }
    ReadSideFacts(fd.Get());
    // Hard links carry no data of their own: they take the CRC of the entry they name.
    std::unordered_map<std::string, std::uint32_t> crcOf;
    bool first = true;
    for (;;) {
        archive_entry* e = nullptr;
        const int rc = CLibArchive::Get().m_readNextHeader(a.get(), &e);
        if (rc == ARCHIVE_EOF) {
            break;
        }
        if (rc < ARCHIVE_WARN) {
            SetLastError(path + ": " + ArchiveError(a.get()));
            return false;
        }
        if (rc == ARCHIVE_WARN) {
            Log(path + ": " + ArchiveError(a.get())); // about the header, no data is lost
        }
        if (first && !AcceptsFormat(a.get())) {
            SetLastError(path + ": not an archive of this family");
            return false;
        }
        first = false;
        const SEntryFacts facts = FactsOf(a.get(), e, fd.Get());
        const unsigned type = CLibArchive::Get().m_entryFiletype(e);
        if (type == AE_IFDIR && !ListsFolders()) {
            continue;
        }
        std::string name = EntryName(a.get(), e, path);
        if (name.empty()) {
            continue;
        }
        SArcListEntry rec;
        FillEntry(e, facts, rec);
        const bool raw = CLibArchive::Get().m_format(a.get()) == ARCHIVE_FORMAT_RAW;
        const char* hardlink = CLibArchive::Get().m_entryHardlink(e);
        const bool wantCrc = crc && type == AE_IFREG && crc->Wants(name);
        if (wantCrc && hardlink) {
            auto known = crcOf.find(ArcMatchKey(DecodeArcName(hardlink)));
            if (known != crcOf.end()) {
                rec.m_bHasCrc = true;
                rec.m_dwCrc = known->second;
            }
        } else if (raw || wantCrc) {
            // A bare compressed file names no size: it is counted while its data is read.
            std::uint32_t value = 0;
            std::uint64_t length = 0;
            if (ReadData(a.get(), wantCrc ? &value : nullptr, length, error)) {
                if (raw) {
                    rec.SetSizes(rec.m_nPackedSize64, length);
                }
                if (wantCrc) {
                    rec.m_bHasCrc = true;
                    rec.m_dwCrc = value;
                    crcOf[ArcMatchKey(name)] = value;
                }
            } else {
                SetLastError(path + ": " + name + ": " + error);
                Log("archive entry data cannot be read: " + LastError());
                listing.m_bDataFailed = true;
                if (raw) {
                    return false;
                }
            }
        }
        AddListed(listing.m_entries, rec, name);
    }
    if (first && !AcceptsFormat(a.get())) {
        SetLastError(path + ": not an archive of this family");
        return false;
    }
    return true;
}

bool CLibarchiveArchiver::Extract(const std::string& archivePath, const std::string& destFolder,
                                  const ArcEntryList& entries, bool withFolders) {
    if (!IsLoaded()) {
        SetLastError("archiver not loaded");
        return false;
    }
    CExtractTarget target;
    if (!target.Open(destFolder)) {
        SetLastError(target.Error());
        return false;
    }
    if (ExtractWith(archivePath, target, entries, withFolders, nullptr)) {
        return true;
    }
    // A retry replaces what the first attempt wrote; it is only made when the archive
    // itself, not an entry, failed.
    return RetryOptions() != nullptr && m_bArchiveFailed &&
           ExtractWith(archivePath, target, entries, withFolders, RetryOptions());
}

bool CLibarchiveArchiver::ExtractWith(const std::string& archivePath, CExtractTarget& target,
                                      const ArcEntryList& entries, bool withFolders,
                                      const char* options) {
    m_bArchiveFailed = true;
    std::string error;
    CUniqueFd fd = OpenArchiveFile(archivePath, error);
    ReadPtr in = fd.Get() < 0 ? nullptr
                              : OpenReader(
                                    fd.Get(), archivePath, [this](archive* r) { EnableFormats(r); },
                                    options, error);
    if (!in) {
        SetLastError(error);
        return false;
    }
    std::unordered_map<std::string, bool> found;
    for (const std::string& entry : entries) {
        found.emplace(ArcMatchKey(entry), false);
    }
    bool ok = true;
    auto refuse = [&](const std::string& name, const std::string& why) {
        SetLastError(archivePath + ": " + name + ": " + why);
        Log("extraction refused: " + LastError());
        ok = false;
    };
    bool first = true;
    for (;;) {
        archive_entry* e = nullptr;
        const int rc = CLibArchive::Get().m_readNextHeader(in.get(), &e);
        if (rc == ARCHIVE_EOF) {
            break;
        }
        if (rc < ARCHIVE_WARN) {
            SetLastError(archivePath + ": " + ArchiveError(in.get()));
            return false;
        }
        if (first && !AcceptsFormat(in.get())) {
            SetLastError(archivePath + ": not an archive of this family");
            return false;
        }
        first = false;
        const std::string name = EntryName(in.get(), e, archivePath);
        if (!entries.empty()) {
            auto it = found.find(ArcMatchKey(name));
            if (it == found.end()) {
                continue;
            }
            it->second = true;
        }
        const std::optional<SExtractedParts> parts = ExtractedParts(name, withFolders);
        if (!parts) {
            refuse(name, "the path cannot be placed inside the extraction folder");
            continue;
        }
        const unsigned type = CLibArchive::Get().m_entryFiletype(e);
        const char* hardlink = CLibArchive::Get().m_entryHardlink(e);
        if (type == AE_IFDIR) {
            if (withFolders) {
                std::vector<std::string> folders = parts->m_folders;
                folders.push_back(parts->m_strLeaf);
                if (target.OpenFolder(folders, true).Get() < 0) {
                    refuse(name, target.Error());
                }
            }
            continue;
        }
        if (hardlink) {
            const std::optional<SExtractedParts> existing =
                ExtractedParts(DecodeArcName(hardlink), withFolders);
            if (!existing) {
                refuse(name, "the link leads outside the extraction folder");
            } else if (!target.MakeHardLink(*parts, *existing)) {
                refuse(name, target.Error());
            }
            continue;
        }
        if (type == AE_IFLNK) {
            const char* link = CLibArchive::Get().m_entrySymlink(e);
            if (!withFolders || link == nullptr) {
                refuse(name, "a link is only made with its folders");
            } else if (!target.MakeSymlink(*parts, link)) {
                refuse(name, target.Error());
            }
            continue;
        }
        if (type != AE_IFREG) {
            Log("extraction: special file not made: " + name);
            continue; // devices, FIFOs and sockets are never made
        }
        if (!ExtractFile(in.get(), e, archivePath, name, target, *parts)) {
            m_bArchiveFailed = false;
            return false;
        }
    }
    m_bArchiveFailed = false;
    for (const std::string& entry : entries) {
        if (!found[ArcMatchKey(entry)]) {
            SetLastError(archivePath + ": not in the archive: " + entry);
            ok = false;
        }
    }
    return ok;
}

bool CLibarchiveArchiver::ExtractFile(archive* in, archive_entry* e, const std::string& archivePath,
                                      const std::string& name, CExtractTarget& target,
                                      const SExtractedParts& parts) {
    CUniqueFd folder = target.OpenFolder(parts.m_folders, true);
    if (folder.Get() < 0) {
        SetLastError(target.Error());
        return false;
    }
    CExtractedFile file;
    if (!file.Create(folder.Get(), parts.m_strLeaf, target.Shown(parts))) {
        SetLastError(file.Error());
        return false;
    }
    for (;;) {
        const void* buffer = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int rc = CLibArchive::Get().m_readDataBlock(in, &buffer, &size, &offset);
        if (rc == ARCHIVE_EOF) {
            break;
        }
        // A warning here means lost or wrong bytes (a CRC mismatch): the file is dropped.
        if (rc != ARCHIVE_OK) {
            SetLastError(archivePath + ": " + name + ": " + ArchiveError(in));
            return false;
        }
        if (!file.WriteAt(static_cast<std::uint64_t>(offset), buffer, size)) {
            SetLastError(file.Error());
            return false;
        }
    }
    const std::uint64_t length =
        CLibArchive::Get().m_entrySizeIsSet(e) && CLibArchive::Get().m_entrySize(e) > 0
            ? static_cast<std::uint64_t>(CLibArchive::Get().m_entrySize(e))
            : 0;
    const unsigned mode =
        ((CLibArchive::Get().m_entryPerm(e) & 0777) & CExtractTarget::DefaultMode()) | 0400;
    const struct timespec mtime =
        EntryTimespec(CLibArchive::Get().m_entryMtimeIsSet(e) != 0,
                      CLibArchive::Get().m_entryMtime(e), CLibArchive::Get().m_entryMtimeNsec(e));
    const struct timespec atime = CLibArchive::Get().m_entryAtimeIsSet(e)
                                      ? EntryTimespec(true, CLibArchive::Get().m_entryAtime(e),
                                                      CLibArchive::Get().m_entryAtimeNsec(e))
                                      : mtime;
    if (!file.Commit(length, mode, mtime, &atime)) {
        SetLastError(file.Error());
        return false;
    }
    return true;
}

} // namespace quillora
