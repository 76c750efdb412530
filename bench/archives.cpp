// Archive listing benchmark: a tree of 200 archives (100 zip, 100 tgz) of 1,000
// entries each, listed by a scan with archive expansion, against `bsdtar -tvf` run
// over the same archives. Then the CRC-32 of every entry ("AddVolArcCRC", the
// command line's --arc-crc) of one ZIP archive of 20,000 entries, against
// `bsdtar -xOf` reading every member's data. Hot cache; prints the best of N runs,
// entries per second and the ratios to bsdtar.
//
// usage: bench_archives [--dir DIR] [--runs N]
// Build with the release preset for meaningful figures.
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "scan/VolumeScanner.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTreeVersion = 1;
constexpr int kArchives = 200;
constexpr int kFolders = 10, kFilesPerFolder = 100; // 1,000 files per archive

constexpr int kCrcEntries = 20000;

bool WriteArchive(const fs::path& path, bool zip, int folders = kFolders,
                  int filesPerFolder = kFilesPerFolder) {
    archive* a = archive_write_new();
    if (zip) {
        archive_write_set_format_zip(a);
    } else {
        archive_write_set_format_pax_restricted(a);
        archive_write_add_filter_gzip(a);
    }
    if (archive_write_open_filename(a, path.c_str()) != ARCHIVE_OK) {
        archive_write_free(a);
        return false;
    }
    archive_entry* e = archive_entry_new();
    char name[64];
    std::string data;
    for (int d = 0; d < folders; ++d) {
        for (int f = 0; f < filesPerFolder; ++f) {
            std::snprintf(name, sizeof name, "folder%02d/file%04d.txt", d, f);
            data = std::string(64 + (f % 7) * 13, static_cast<char>('a' + f % 26)) + name;
            archive_entry_clear(e);
            archive_entry_set_pathname(e, name);
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_perm(e, 0644);
            archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
            archive_entry_set_mtime(e, 1600000000 + f, 0);
            archive_write_header(a, e);
            archive_write_data(a, data.data(), data.size());
        }
    }
    archive_entry_free(e);
    const bool ok = archive_write_close(a) == ARCHIVE_OK;
    archive_write_free(a);
    return ok;
}

std::vector<fs::path> MakeTree(const fs::path& dir) {
    const fs::path stamp = dir / ("ready-" + std::to_string(kTreeVersion));
    std::vector<fs::path> archives;
    for (int i = 0; i < kArchives; ++i) {
        const bool zip = i % 2 == 0;
        archives.push_back(dir / ("set" + std::to_string(i / 20)) /
                           ("a" + std::to_string(i) + (zip ? ".zip" : ".tgz")));
    }
    if (fs::exists(stamp)) {
        return archives;
    }
    std::printf("making %d archives in %s ...\n", kArchives, dir.c_str());
    for (std::size_t i = 0; i < archives.size(); ++i) {
        fs::create_directories(archives[i].parent_path());
        if (!WriteArchive(archives[i], i % 2 == 0)) {
            std::fprintf(stderr, "cannot write %s\n", archives[i].c_str());
            std::exit(2);
        }
    }
    std::FILE* f = std::fopen(stamp.c_str(), "w");
    if (f) {
        std::fclose(f);
    }
    return archives;
}

std::size_t CountInArchives(const quillora::SFileInfo& record) {
    std::size_t n = 0;
    for (const auto& child : record.Children()) {
        if (child->m_dwFlags & quillora::kFlagArcEntry) {
            ++n;
        }
        n += CountInArchives(*child);
    }
    return n;
}

// One scan of the tree with archive expansion: seconds and entries listed.
double ScanOnce(quillora::CArchiverSet& set, const fs::path& dir, std::size_t& entries) {
    quillora::CArchiveExpander expander(set);
    quillora::SScanOptions options;
    expander.SetScanOptions(options);
    quillora::CVolumeScanner scanner(options);
    scanner.SetArchiveLister(&expander);
    quillora::SVolumeInfo volume;
    const auto start = Clock::now();
    scanner.AddVolume(volume, dir.string(), nullptr, nullptr);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    entries = CountInArchives(volume);
    return seconds;
}

// One scan of `dir` whose archives' entries all get their CRC-32: seconds, and the
// entries that got one.
double CrcScanOnce(quillora::CArchiverSet& set, const fs::path& dir, std::size_t& withCrc) {
    quillora::CArchiveExpander expander(set);
    quillora::SScanOptions options;
    options.m_addVolArcCrc = true;
    quillora::CVolumeScanner scanner(options);
    scanner.SetArchiveLister(&expander);
    quillora::SVolumeInfo volume;
    const auto start = Clock::now();
    scanner.AddVolume(volume, dir.string(), nullptr, nullptr);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    withCrc = 0;
    std::vector<const quillora::SFileInfo*> pending{&volume};
    while (!pending.empty()) {
        const quillora::SFileInfo* r = pending.back();
        pending.pop_back();
        withCrc += (r->m_wExtFlags & quillora::kExtFlagCrc) ? 1 : 0;
        for (const auto& child : r->Children()) {
            pending.push_back(child.get());
        }
    }
    return seconds;
}

// bsdtar over every archive, one process each, output to /dev/null; `mode` is "-tvf"
// (list) or "-xOf" (read every member's data).
double BsdtarOnce(const std::vector<fs::path>& archives, const char* mode = "-tvf") {
    const auto start = Clock::now();
    for (const fs::path& path : archives) {
        std::vector<std::string> args{"bsdtar", mode, path.string()};
        std::vector<char*> raw;
        for (std::string& a : args) {
            raw.push_back(a.data());
        }
        raw.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int rc = posix_spawnp(&pid, "bsdtar", &actions, nullptr, raw.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            return -1;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return -1;
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The CRC of every entry of one archive of 20,000 entries, read in one pass.
void MeasureCrc(const fs::path& base, int runs) {
    // Beside the listing tree, not in it, so that the listing measures its own archives.
    const fs::path dir = base.parent_path() / (base.filename().string() + "-crc");
    const fs::path archive = dir / "many.zip";
    const fs::path stamp = dir / ("ready-" + std::to_string(kTreeVersion));
    if (!fs::exists(stamp)) {
        std::printf("making a zip archive of %d entries in %s ...\n", kCrcEntries, dir.c_str());
        fs::create_directories(dir);
        if (!WriteArchive(archive, true, kCrcEntries / 100, 100)) {
            std::fprintf(stderr, "cannot write %s\n", archive.c_str());
            std::exit(2);
        }
        if (std::FILE* f = std::fopen(stamp.c_str(), "w")) {
            std::fclose(f);
        }
    }
    quillora::CArchiverSet set;
    set.LoadAll();
    std::size_t withCrc = 0;
    CrcScanOnce(set, dir, withCrc);
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        best = std::min(best, CrcScanOnce(set, dir, withCrc));
    }
    set.UnloadAll();
    std::printf("CRC of every entry of one zip archive: %zu entries got a CRC\n", withCrc);
    std::printf("quillora scan with entry CRCs: %.3f s, %.0f entries/s\n", best,
                static_cast<double>(withCrc) / best);
    double bsdtar = 1e9;
    for (int r = 0; r < runs + 1; ++r) {
        const double s = BsdtarOnce({archive}, "-xOf");
        if (s < 0) {
            std::printf("bsdtar -xOf: not available\n");
            return;
        }
        bsdtar = std::min(bsdtar, s);
    }
    std::printf("bsdtar -xOf > /dev/null (reads every member): %.3f s\n", bsdtar);
    std::printf("ratio quillora / bsdtar: %.2f\n", best / bsdtar);
}

} // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / "quillora-bench-archives";
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0) {
            dir = argv[i + 1];
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    const std::vector<fs::path> archives = MakeTree(dir);
    quillora::CArchiverSet set;
    set.LoadAll();

    std::size_t entries = 0;
    ScanOnce(set, dir, entries); // warm the cache
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        best = std::min(best, ScanOnce(set, dir, entries));
    }
    double bsdtar = 1e9;
    BsdtarOnce(archives);
    for (int r = 0; r < runs; ++r) {
        const double s = BsdtarOnce(archives);
        if (s < 0) {
            bsdtar = -1;
            break;
        }
        bsdtar = std::min(bsdtar, s);
    }
    set.UnloadAll();

    std::printf("archives: %d (zip and tgz), entries listed: %zu (files and folders)\n", kArchives,
                entries);
    std::printf("quillora scan with expansion: %.3f s, %.0f entries/s\n", best,
                static_cast<double>(entries) / best);
    if (bsdtar < 0) {
        std::printf("bsdtar -tvf: not available\n");
        return 0;
    }
    std::printf("bsdtar -tvf (one process per archive): %.3f s, %.0f entries/s\n", bsdtar,
                static_cast<double>(kArchives * kFolders * kFilesPerFolder) / bsdtar);
    std::printf("ratio quillora / bsdtar: %.2f (aim: 1.5 or less)\n", best / bsdtar);
    MeasureCrc(dir, runs);
    return 0;
}
