// Comparison benchmark: a medium of about 300,000 files (the scan benchmark's tree) is
// compared with its catalogue after 1% of its files were touched, against a fresh
// scan of the same tree in the same run. The comparison scans the medium again and
// matches the two trees; the aim is at most 1.3 times the scan alone. Hot cache;
// medians of the timed runs.
//
// usage: bench_compare [--dir DIR] [--runs N]
// Build with the release preset for meaningful figures.
#include "ListingTree.h"

#include "model/SVolumeInfo.h"
#include "scan/VolumeScanner.h"
#include "search/MediaCompare.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace quillora;
using namespace quillora::bench;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::unique_ptr<SVolumeInfo> Scan(const fs::path& folder) {
    auto medium = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner{SScanOptions{}};
    scanner.AddVolume(*medium, folder.string(), nullptr, nullptr);
    return medium;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Every 100th file of the tree, with the time it had.
struct STouched {
    fs::path m_path;
    struct timespec m_mtime;
};

std::vector<STouched> TouchOnePercent(const fs::path& dir) {
    std::vector<STouched> touched;
    int n = 0;
    for (int t = 0; t < kTop; ++t) {
        for (int m = 0; m < kMid; ++m) {
            for (int l = 0; l < kLeaf; ++l) {
                for (int f = 0; f < kFilesPerLeaf; ++f, ++n) {
                    if (n % 100 != 0) {
                        continue;
                    }
                    fs::path path = ListingFile(dir, t, m, l, f);
                    struct stat st {};
                    if (stat(path.c_str(), &st) != 0) {
                        continue;
                    }
                    touched.push_back({path, st.st_mtim});
                    struct timespec times[2] = {st.st_atim, st.st_mtim};
                    times[1].tv_sec += 60;
                    utimensat(AT_FDCWD, path.c_str(), times, 0);
                }
            }
        }
    }
    return touched;
}

void Restore(const std::vector<STouched>& touched) {
    for (const STouched& t : touched) {
        struct timespec times[2] = {{0, UTIME_OMIT}, t.m_mtime};
        utimensat(AT_FDCWD, t.m_path.c_str(), times, 0);
    }
}

} // namespace

int main(int argc, char** argv) {
    // The tree bench_scan makes, below the temporary folder, shared with it.
    fs::path base = fs::temp_directory_path() / "quillora-bench-scan";
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0) {
            base = argv[i + 1];
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    const fs::path listing = base / "listing";
    MakeListingTree(listing);
    std::printf("listing: %.0f files in %d folders (%s)\n", ListingFiles(), ListingFolders(),
                listing.c_str());

    // The catalogue, and a warm cache.
    std::unique_ptr<SVolumeInfo> catalogue = Scan(listing);
    const std::vector<STouched> touched = TouchOnePercent(listing);
    // Scans alone and comparisons take turns, so that a change in the machine's load
    // falls on both alike.
    std::vector<double> scans;
    std::vector<double> compares;
    std::vector<double> matches;
    std::size_t rows = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        std::unique_ptr<SVolumeInfo> alone = Scan(listing);
        scans.push_back(Seconds(start, Clock::now()));
        alone.reset();

        start = Clock::now();
        std::unique_ptr<SVolumeInfo> scanned = Scan(listing);
        auto scannedAt = Clock::now();
        CompareRows result = CompareMediumWithCase(*catalogue, *scanned);
        auto end = Clock::now();
        compares.push_back(Seconds(start, end));
        matches.push_back(Seconds(scannedAt, end));
        rows = result.size();
    }
    Restore(touched);

    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const double scan = Median(scans);
    const double compare = Median(compares);
    std::printf("  scan alone                 %8.3f s\n", scan);
    std::printf("  compare (scan + match)     %8.3f s  (the match alone %.3f s)\n", compare,
                Median(matches));
    std::printf("  rows: %zu for %zu touched files\n", rows, touched.size());
    std::printf("  compare / scan = %.2f (aim <= 1.30)\n", compare / scan);
    std::printf("  peak RSS %ld KiB (the catalogue and one scan held at once)\n", usage.ru_maxrss);
    return rows == touched.size() ? 0 : 1;
}
