// Listing and extraction through libarchive, shared by the families it reads.
#include "scan/LibarchiveArchiver.h"

#include "core/TraceLog.h"
#include "scan/ArchivePath.h"

#include <archive.h>
#include <archive_entry.h>
#include <cctype>
#include <clocale>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <langinfo.h>
#include <memory>
#include <optional>

namespace quillora {

namespace fs = std::filesystem;

namespace {

struct SReadDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct SWriteDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
using ReadPtr = std::unique_ptr<archive, SReadDeleter>;
using WritePtr = std::unique_ptr<archive, SWriteDeleter>;

constexpr std::size_t kReadBlock = 64 * 1024;

std::string ArchiveError(archive* a) {
    const char* text = archive_error_string(a);
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

bool SameArcPath(std::string_view a, std::string_view b) {
    std::string na = NormalizeArcPath(a);
    std::string nb = NormalizeArcPath(b);
    while (!na.empty() && na.back() == '/') {
        na.pop_back();
    }
    while (!nb.empty() && nb.back() == '/') {
        nb.pop_back();
    }
    return LowerAscii(na) == LowerAscii(nb);
}

// A link target stays inside `dest` when, read from the link's folder, no step leaves it.
bool LinkStaysInside(const fs::path& dest, const fs::path& linkPath, std::string_view target) {
    if (target.empty() || target.front() == '/') {
        return false;
    }
    fs::path resolved = (linkPath.parent_path() / fs::path(std::string(target))).lexically_normal();
    fs::path relative = resolved.lexically_relative(dest);
    return !relative.empty() && *relative.begin() != "..";
}

ReadPtr OpenReader(const std::string& path, const std::function<void(archive*)>& enable,
                   const char* options, std::string& error) {
    ReadPtr a(archive_read_new());
    if (!a) {
        error = "out of memory";
        return nullptr;
    }
    enable(a.get());
    if (options && archive_read_set_options(a.get(), options) < ARCHIVE_WARN) {
        error = ArchiveError(a.get());
        return nullptr;
    }
    if (archive_read_open_filename(a.get(), path.c_str(), kReadBlock) != ARCHIVE_OK) {
        error = path + ": " + ArchiveError(a.get());
        return nullptr;
    }
    return a;
}

bool CopyData(archive* in, archive* out, std::string& error) {
    for (;;) {
        const void* buffer = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        int rc = archive_read_data_block(in, &buffer, &size, &offset);
        if (rc == ARCHIVE_EOF) {
            return true;
        }
        if (rc < ARCHIVE_WARN) {
            error = ArchiveError(in);
            return false;
        }
        if (archive_write_data_block(out, buffer, size, offset) < ARCHIVE_WARN) {
            error = ArchiveError(out);
            return false;
        }
    }
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
    // libarchive is linked in, so loading cannot fail; the module name says where it is.
    EnsureUtf8Ctype();
    Dl_info info{};
    void* symbol = reinterpret_cast<void*>(&archive_version_number);
    moduleFileName = dladdr(symbol, &info) != 0 && info.dli_fname ? info.dli_fname : "libarchive";
    return true;
}

std::uint32_t CLibarchiveArchiver::GetVersion() const {
    if (!IsLoaded()) {
        return 0;
    }
    unsigned v = static_cast<unsigned>(archive_version_number());
    return (v / 1000000) << 24 | (v / 1000 % 1000) << 16 | (v % 1000) << 8;
}

bool CLibarchiveArchiver::AcceptsFormat(archive*) const {
    return true;
}

CLibarchiveArchiver::SEntryFacts CLibarchiveArchiver::FactsOf(archive*, archive_entry*,
                                                              const std::string&) const {
    return {};
}

std::string CLibarchiveArchiver::EntryName(archive* a, archive_entry* e,
                                           const std::string& path) const {
    if (archive_format(a) == ARCHIVE_FORMAT_RAW) {
        return RawMemberName(path);
    }
    const char* raw = archive_entry_pathname(e);
    if (raw == nullptr) {
        raw = archive_entry_pathname_utf8(e);
    }
    return raw ? DecodeArcName(raw) : std::string();
}

bool CLibarchiveArchiver::FillEntry(archive* a, archive_entry* e, const std::string& path,
                                    SArcListEntry& rec) {
    rec.Clear();
    SEntryFacts facts = FactsOf(a, e, path);
    bool isDir = archive_entry_filetype(e) == AE_IFDIR;
    rec.m_dwAttributes = kArcAttrNormal;
    if (isDir) {
        rec.m_dwAttributes |= kArcAttrDirectory;
    }
    if ((archive_entry_perm(e) & 0222) == 0 && !isDir) {
        rec.m_dwAttributes |= kArcAttrReadOnly;
    }
    std::uint64_t size = archive_entry_size_is_set(e) && archive_entry_size(e) > 0
                             ? static_cast<std::uint64_t>(archive_entry_size(e))
                             : 0;
    if (archive_format(a) == ARCHIVE_FORMAT_RAW) {
        // A bare compressed file names no size: count it.
        size = 0;
        const void* buffer = nullptr;
        std::size_t got = 0;
        la_int64_t offset = 0;
        int rc;
        while ((rc = archive_read_data_block(a, &buffer, &got, &offset)) == ARCHIVE_OK) {
            size = static_cast<std::uint64_t>(offset) + got;
        }
        if (rc != ARCHIVE_EOF) {
            SetLastError(path + ": " + ArchiveError(a));
            return false;
        }
    }
    rec.SetSizes(facts.m_bHasPacked ? facts.m_nPacked : 0, size);
    if (archive_entry_mtime_is_set(e)) {
        rec.m_ftLastWrite =
            EntryTime(archive_entry_mtime(e), archive_entry_mtime_nsec(e), facts.m_bDosTime);
    }
    rec.m_ftLastAccess =
        archive_entry_atime_is_set(e)
            ? EntryTime(archive_entry_atime(e), archive_entry_atime_nsec(e), facts.m_bDosTime)
            : rec.m_ftLastWrite;
    rec.m_ftCreation = archive_entry_birthtime_is_set(e)
                           ? EntryTime(archive_entry_birthtime(e), archive_entry_birthtime_nsec(e),
                                       facts.m_bDosTime)
                           : rec.m_ftLastWrite;
    return true;
}

bool CLibarchiveArchiver::ListArchive(const std::string& path, std::vector<SArcListEntry>& out) {
    if (ListWith(path, nullptr, out)) {
        return true;
    }
    return RetryOptions() != nullptr && ListWith(path, RetryOptions(), out);
}

bool CLibarchiveArchiver::ListWith(const std::string& path, const char* options,
                                   std::vector<SArcListEntry>& out) {
    std::string error;
    ReadPtr a = OpenReader(
        path, [this](archive* r) { EnableFormats(r); }, options, error);
    if (!a) {
        SetLastError(error);
        return false;
    }
    std::vector<SArcListEntry> listing;
    bool first = true;
    for (;;) {
        archive_entry* e = nullptr;
        int rc = archive_read_next_header(a.get(), &e);
        if (rc == ARCHIVE_EOF) {
            break;
        }
        if (rc < ARCHIVE_WARN) {
            SetLastError(path + ": " + ArchiveError(a.get()));
            return false;
        }
        if (first && !AcceptsFormat(a.get())) {
            SetLastError(path + ": not an archive of this family");
            return false;
        }
        first = false;
        if (archive_entry_filetype(e) == AE_IFDIR && !ListsFolders()) {
            continue;
        }
        std::string name = EntryName(a.get(), e, path);
        if (name.empty()) {
            continue;
        }
        SArcListEntry rec;
        if (!FillEntry(a.get(), e, path, rec)) {
            return false;
        }
        AddListed(listing, rec, name);
    }
    if (first && !AcceptsFormat(a.get())) {
        SetLastError(path + ": not an archive of this family");
        return false;
    }
    out = std::move(listing);
    return true;
}

bool CLibarchiveArchiver::Extract(const std::string& archivePath, const std::string& destFolder,
                                  const ArcEntryList& entries, bool withFolders) {
    if (!IsLoaded()) {
        SetLastError("archiver not loaded");
        return false;
    }
    std::error_code ec;
    fs::create_directories(destFolder, ec);
    fs::path dest = fs::weakly_canonical(fs::path(destFolder), ec);
    if (ec || !fs::is_directory(dest)) {
        SetLastError(destFolder + ": destination folder cannot be used");
        return false;
    }
    if (ExtractWith(archivePath, dest, entries, withFolders, nullptr)) {
        return true;
    }
    // A retry replaces what the first attempt wrote; it is only made when the archive
    // itself, not an entry, failed.
    return RetryOptions() != nullptr && m_bArchiveFailed &&
           ExtractWith(archivePath, dest, entries, withFolders, RetryOptions());
}

bool CLibarchiveArchiver::ExtractWith(const std::string& archivePath, const fs::path& dest,
                                      const ArcEntryList& entries, bool withFolders,
                                      const char* options) {
    std::error_code ec;
    m_bArchiveFailed = true;
    std::string error;
    ReadPtr in = OpenReader(
        archivePath, [this](archive* r) { EnableFormats(r); }, options, error);
    if (!in) {
        SetLastError(error);
        return false;
    }
    WritePtr out(archive_write_disk_new());
    // Every path handed to the writer is built here below the canonical destination, so
    // it is absolute by construction: the writer's "no absolute paths" guard cannot be
    // used (and a chdir to a relative base would move the whole process). The writer
    // still refuses ".." and writing through symbolic links; existing files are
    // replaced, not written through.
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                  ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                  ARCHIVE_EXTRACT_UNLINK | ARCHIVE_EXTRACT_TIME);
    std::vector<bool> found(entries.size(), false);
    bool ok = true;
    bool first = true;
    for (;;) {
        archive_entry* e = nullptr;
        int rc = archive_read_next_header(in.get(), &e);
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
        std::string name = EntryName(in.get(), e, archivePath);
        bool wanted = entries.empty();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (SameArcPath(entries[i], name)) {
                found[i] = true;
                wanted = true;
            }
        }
        if (!wanted) {
            continue;
        }
        unsigned type = archive_entry_filetype(e);
        if (type == AE_IFDIR) {
            if (withFolders) {
                if (auto dir = ExtractedPath(dest, name, true)) {
                    fs::create_directories(*dir, ec);
                }
            }
            continue;
        }
        bool isHardlink = archive_entry_hardlink(e) != nullptr;
        if (type != AE_IFREG && type != AE_IFLNK && !isHardlink) {
            continue; // devices, FIFOs and sockets are never made
        }
        std::optional<fs::path> target = ExtractedPath(dest, name, withFolders);
        if (!target) {
            Log("extraction refused, unsafe path in archive: " + name);
            ok = false;
            continue;
        }
        if (type == AE_IFLNK) {
            const char* link = archive_entry_symlink(e);
            if (!withFolders || link == nullptr || !LinkStaysInside(dest, *target, link)) {
                Log("extraction refused, link leads outside: " + name);
                ok = false;
                continue;
            }
        }
        if (isHardlink) {
            std::optional<fs::path> linkTarget =
                ExtractedPath(dest, DecodeArcName(archive_entry_hardlink(e)), withFolders);
            if (!linkTarget) {
                Log("extraction refused, link leads outside: " + name);
                ok = false;
                continue;
            }
            archive_entry_set_hardlink(e, linkTarget->c_str());
        }
        archive_entry_set_pathname(e, target->c_str());
        // The copies are working files to read: owner-readable whatever was stored.
        if (type == AE_IFREG) {
            archive_entry_set_perm(e, 0644);
        }
        if (archive_write_header(out.get(), e) < ARCHIVE_WARN) {
            Log("extraction failed: " + name + ": " + ArchiveError(out.get()));
            ok = false;
            continue;
        }
        if (type == AE_IFREG && !isHardlink && !CopyData(in.get(), out.get(), error)) {
            Log("extraction failed: " + name + ": " + error);
            SetLastError(error);
            archive_write_finish_entry(out.get());
            return false;
        }
        if (archive_write_finish_entry(out.get()) < ARCHIVE_WARN) {
            ok = false;
        }
    }
    m_bArchiveFailed = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!found[i]) {
            SetLastError("not in the archive: " + entries[i]);
            ok = false;
        }
    }
    return ok;
}

} // namespace quillora
