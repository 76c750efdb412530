// Scan benchmark: quillora-cli scan against ncdu and find on a tree of about
// 300,000 files in 15,000 folders, and the CRC scan against reading the same files
// with cat on a tree of about 1 GiB. Hot cache; the commands compared run in turn,
// and it prints the median of three runs each, the ratios and the peak resident bytes
// per scanned file.
//
// Last, the re-scan of the 300,000-file tree catalogued with CRCs against the plain
// walk, unchanged and with 1 % of its files changed.
//
// usage: bench_scan [--cli PATH] [--dir DIR] [--runs N] [--rescan-only]
// Build quillora-cli with the release preset for meaningful figures.
#include "ListingTree.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace quillora::bench;

constexpr int kCrcFolders = 32, kCrcFilesPerFolder = 32; // 1,024 files
constexpr std::size_t kCrcFileSize = 1u << 20;           // 1 GiB in all

struct SResult {
    double seconds = 0;
    double walkSeconds = 0; // quillora-cli's own figure for the scan without the save
    long maxRssKiB = 0;
    int status = -1;
    long filesRead = -1; // a re-scan's "N files read", when its summary says
};

// Runs argv with stdout to outPath and stderr to /dev/null; wall time and the
// child's peak RSS.
SResult RunOnce(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                const std::string& outPath = "/dev/null") {
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& a : args) {
        raw.push_back(a.data());
    }
    raw.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        envStore.emplace_back(*e);
    }
    envStore.insert(envStore.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> env;
    for (std::string& e : envStore) {
        env.push_back(e.data());
    }
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    SResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, raw.data(), env.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.maxRssKiB = usage.ru_maxrss;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // quillora-cli's summary ends with "in %.2f s": the time of the scan itself.
    if (FILE* f = std::fopen(outPath.c_str(), "r"); f && outPath != "/dev/null") {
        char line[1024] = {};
        if (std::fgets(line, sizeof line, f)) {
            if (const char* in = std::strstr(line, " in ")) {
                result.walkSeconds = std::atof(in + 4);
            }
            if (const char* read = std::strstr(line, " files read")) {
                const char* start = read;
                while (start > line && start[-1] >= '0' && start[-1] <= '9') {
                    --start;
                }
                result.filesRead = std::atol(start);
            }
        }
        std::fclose(f);
    }
    return result;
}

// A command to time: `before` runs ahead of each run.
struct SCommand {
    const char* name;
    std::vector<std::string> argv;
    std::function<void()> before = [] {};
    std::vector<std::string> env = {};
    std::string outPath = "/dev/null";
};

// One warm-up run of each command, then `runs` rounds that run each once in turn, so
// that a slower spell of the shared machine falls on all of them alike; the medians.
std::vector<SResult> Measure(const std::vector<SCommand>& commands, int runs) {
    for (const SCommand& c : commands) {
        c.before();
        RunOnce(c.argv, c.env, c.outPath);
    }
    std::vector<std::vector<SResult>> results(commands.size());
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < commands.size(); ++k) {
            commands[k].before();
            results[k].push_back(RunOnce(commands[k].argv, commands[k].env, commands[k].outPath));
        }
    }
    std::vector<SResult> medians;
    for (std::size_t k = 0; k < commands.size(); ++k) {
        std::vector<SResult>& r = results[k];
        std::sort(r.begin(), r.end(),
                  [](const SResult& x, const SResult& y) { return x.seconds < y.seconds; });
        const SResult median = r[r.size() / 2];
        std::printf("  %-28s %8.3f s  peak RSS %8ld KiB  exit %d", commands[k].name, median.seconds,
                    median.maxRssKiB, median.status);
        if (median.walkSeconds > 0) {
            std::printf("  (scan alone %.3f s)", median.walkSeconds);
        }
        if (median.filesRead >= 0) {
            std::printf("  files read %ld", median.filesRead);
        }
        std::printf("\n");
        medians.push_back(median);
    }
    std::fflush(stdout);
    return medians;
}

// 1,024 files of 1 MiB of pseudo-random bytes in 32 folders.
void MakeCrcTree(const fs::path& dir) {
    if (TreeIsCurrent(dir, ".complete")) {
        return;
    }
    std::printf("making the CRC tree in %s ...\n", dir.c_str());
    std::fflush(stdout);
    fs::remove_all(dir);
    std::mt19937_64 random(19700101);
    for (int d = 0; d < kCrcFolders; ++d) {
        const fs::path folder = dir / ("dir" + std::to_string(d));
        fs::create_directories(folder);
        for (int f = 0; f < kCrcFilesPerFolder; ++f) {
            WriteFile(folder / ("blob" + std::to_string(f) + ".bin"), kCrcFileSize, random, true);
        }
    }
    MarkTree(dir, ".complete");
}

// The listing tree's shape with every tenth file named like an archive (.zip, .lzh, .exe,
// .tgz, .cab, .rar, .arj in turn) whose bytes are something else: 30,000 such files.
void MakeProbeTree(const fs::path& dir) {
    if (TreeIsCurrent(dir, ".complete")) {
        return;
    }
    std::printf("making the archive-name tree in %s ...\n", dir.c_str());
    std::fflush(stdout);
    fs::remove_all(dir);
    static const char* const kEndings[] = {".zip", ".lzh", ".exe", ".tgz", ".cab", ".rar", ".arj"};
    std::mt19937_64 random(20240602);
    int named = 0;
    for (int t = 0; t < kTop; ++t) {
        for (int m = 0; m < kMid; ++m) {
            for (int l = 0; l < kLeaf; ++l) {
                const fs::path leaf = dir / ("top" + std::to_string(t)) /
                                      ("mid" + std::to_string(m)) / ("leaf" + std::to_string(l));
                fs::create_directories(leaf);
                for (int f = 0; f < kFilesPerLeaf; ++f) {
                    const std::size_t size = 4096 + random() % 61440;
                    if (f % 10 == 0) {
                        // Some bytes that are no archive's, then a hole for the rest.
                        const fs::path path =
                            leaf / ("file_" + std::to_string(f) + kEndings[named++ % 7]);
                        WriteFile(path, 4096, random, true);
                        if (truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
                            std::perror("truncate");
                        }
                    } else {
                        WriteFile(leaf / ("file_" + std::to_string(f) + ".dat"), size, random,
                                  false);
                    }
                }
            }
        }
    }
    MarkTree(dir, ".complete");
}

// A scan of the archive-name tree with archives listed (each such file's first bytes
// read once) against the same scan with --no-archives; run after the other cases.
void MeasureArchiveProbing(const std::string& cli, const fs::path& base, int runs,
                           const std::vector<std::string>& env) {
    const fs::path tree = base / "probe";
    MakeProbeTree(tree);
    const std::string casePath = (base / "work" / "probe.cas").string();
    auto removeCase = [&] { fs::remove(casePath); };
    std::printf("archive names: 300000 files, 30000 of them named like archives (%s)\n",
                tree.c_str());
    const std::vector<SResult> r =
        Measure({{"quillora-cli scan", {cli, "scan", casePath, tree.string()}, removeCase, env},
                 {"quillora-cli scan --no-archives",
                  {cli, "scan", casePath, tree.string(), "--no-archives"},
                  removeCase,
                  env}},
                runs);
    std::printf("  with archives / --no-archives = %.2f (aim <= 1.15)\n",
                r[0].seconds / r[1].seconds);
    removeCase();
}

// Moves the last-write time of every hundredth file of the listing tree on by a
// minute (sizes unchanged): 1 % of the files changed against a catalogue made just
// before, in this run as in any later one. Returns how many.
long TouchOnePercent(const fs::path& listing) {
    long touched = 0;
    long index = 0;
    for (const auto& entry : fs::recursive_directory_iterator(listing)) {
        if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.') {
            continue;
        }
        struct stat st {};
        if (index++ % 100 != 0 || stat(entry.path().c_str(), &st) != 0) {
            continue;
        }
        const struct timespec later { st.st_mtim.tv_sec + 60, st.st_mtim.tv_nsec };
        const struct timespec times[2] = {st.st_atim, later};
        if (utimensat(AT_FDCWD, entry.path().c_str(), times, 0) == 0) {
            ++touched;
        }
    }
    return touched;
}

// The re-scan of the listing tree catalogued with CRCs: unchanged, against the plain
// walk, and with 1 % of the files changed, with how many files each read. The files
// are touched once, after the catalogue was made, so every run of the second case
// reads the same ones.
void MeasureRescan(const std::string& cli, const fs::path& base, const fs::path& listing, int runs,
                   const std::vector<std::string>& env) {
    const fs::path work = base / "work";
    const std::string plainCase = (work / "plain.cas").string();
    const std::string catalogued = (work / "catalogued.cas").string();
    const std::string rescanCase = (work / "rescan.cas").string();
    fs::remove(catalogued);
    RunOnce({cli, "scan", catalogued, listing.string(), "--crc"}, env);
    auto restore = [&] {
        fs::copy_file(catalogued, rescanCase, fs::copy_options::overwrite_existing);
    };
    const std::string summary = (work / "rescan-summary.txt").string();
    std::printf("re-scan: the listing tree catalogued with CRCs\n");
    const std::vector<SResult> r =
        Measure({{"quillora-cli scan (plain walk)",
                  {cli, "scan", plainCase, listing.string()},
                  [&] { fs::remove(plainCase); },
                  env},
                 {"quillora-cli scan --update --crc",
                  {cli, "scan", rescanCase, listing.string(), "--update", "--crc"},
                  restore,
                  env,
                  summary}},
                runs);
    std::printf("  unchanged re-scan / plain walk = %.2f (aim <= 1.20)\n",
                r[1].seconds / r[0].seconds);
    const long touched = TouchOnePercent(listing);
    std::printf("  %ld files given a new time (1 %%)\n", touched);
    const std::vector<SResult> changed =
        Measure({{"scan --update --crc (1 % new)",
                  {cli, "scan", rescanCase, listing.string(), "--update", "--crc"},
                  restore,
                  env,
                  summary}},
                runs);
    std::printf("  files read %ld of %ld changed; re-scan / plain walk = %.2f\n",
                changed[0].filesRead, touched, changed[0].seconds / r[0].seconds);
    fs::remove(plainCase);
    fs::remove(rescanCase);
}

std::string DefaultCli(const char* self) {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    const fs::path guess = ec ? fs::path(self).parent_path() : exe.parent_path();
    return (guess.parent_path() / "src" / "quillora-cli").string();
}

} // namespace

int main(int argc, char** argv) {
    std::string cli = DefaultCli(argv[0]);
    // Below the temporary folder; kept from run to run (and used by bench_compare), since
    // making the trees takes longer than measuring them.
    fs::path base = fs::temp_directory_path() / "quillora-bench-scan";
    int runs = 3;
    bool rescanOnly = false;
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (std::strcmp(argv[i], "--rescan-only") == 0) {
            rescanOnly = true;
        } else if (value && std::strcmp(argv[i], "--cli") == 0) {
            cli = argv[++i];
        } else if (value && std::strcmp(argv[i], "--dir") == 0) {
            base = argv[++i];
        } else if (value && std::strcmp(argv[i], "--runs") == 0) {
            runs = std::max(1, std::atoi(argv[++i]));
        }
    }
    if (access(cli.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "quillora-cli not found at %s (use --cli)\n", cli.c_str());
        return 1;
    }
    const fs::path listing = base / "listing";
    const fs::path crcTree = base / "crc";
    const fs::path work = base / "work";
    fs::create_directories(work);
    MakeListingTree(listing);
    // The program's own settings and its index of every case (which each scan brings up
    // to date, as it does for users) stay inside the benchmark's folder.
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + (work / "config").string(),
                                       "XDG_DATA_HOME=" + (work / "data").string()};
    if (rescanOnly) {
        MeasureRescan(cli, base, listing, runs, env);
        return 0;
    }
    MakeCrcTree(crcTree);
    const std::string casePath = (work / "bench.cas").string();
    auto removeCase = [&] { fs::remove(casePath); };
    const double files = ListingFiles();

    std::printf("listing: %.0f files in %d folders (%s)\n", files, ListingFolders(),
                listing.c_str());
    const std::string summary = (work / "summary.txt").string();
    // A saved case goes into the index of every case unless the settings say otherwise:
    // the same scan with that turned off shows what the index update costs.
    const fs::path quietConfig = work / "config-no-index";
    fs::create_directories(quietConfig / "Pelvane" / "Quillora");
    {
        std::FILE* conf =
            std::fopen((quietConfig / "Pelvane" / "Quillora" / "Quillora.conf").c_str(), "w");
        if (conf) {
            std::fputs("# Quillora settings v1\n[Index]\nIndexCases=i:0\n", conf);
            std::fclose(conf);
        }
    }
    const std::vector<std::string> noIndexEnv{"XDG_CONFIG_HOME=" + quietConfig.string(),
                                              "XDG_DATA_HOME=" + (work / "data").string()};
    const std::vector<SResult> walks = Measure(
        {{"quillora-cli scan", {cli, "scan", casePath, listing.string()}, removeCase, env, summary},
         {"ncdu -0 -o /dev/null", {"ncdu", "-0", "-o", "/dev/null", listing.string()}},
         {"find -printf", {"find", listing.string(), "-printf", "%s %T@ %A@ %C@ %m %p\n"}},
         {"quillora-cli scan, no index",
          {cli, "scan", casePath, listing.string()},
          removeCase,
          noIndexEnv,
          summary}},
        runs);
    const SResult& scan = walks[0];
    const SResult& ncdu = walks[1];
    const SResult& find = walks[2];
    const SResult& unindexed = walks[3];
    std::printf("  scan / ncdu  = %.2f (aim <= 1.10); the scan alone, without writing and\n"
                "                 syncing the case file: %.2f; without the index update: %.2f\n",
                scan.seconds / ncdu.seconds, scan.walkSeconds / ncdu.seconds,
                unindexed.seconds / ncdu.seconds);
    std::printf("  scan / find  = %.2f\n", scan.seconds / find.seconds);
    // The program's own resident size (code, libraries) scanning an empty folder: what
    // is above it is what the records cost.
    const fs::path empty = work / "empty";
    fs::create_directories(empty);
    const SResult bare = Measure({{"quillora-cli scan (empty)",
                                   {cli, "scan", casePath, empty.string()},
                                   removeCase,
                                   env}},
                                 1)
                             .front();
    std::printf("  peak RSS per file: quillora-cli %.0f bytes (%.0f above its own %ld KiB), "
                "ncdu %.0f bytes\n",
                scan.maxRssKiB * 1024.0 / files,
                double(scan.maxRssKiB - bare.maxRssKiB) * 1024.0 / files, bare.maxRssKiB,
                ncdu.maxRssKiB * 1024.0 / files);

    const double crcFiles = double(kCrcFolders) * kCrcFilesPerFolder;
    std::printf("crc: %.0f files, %.0f MiB (%s)\n", crcFiles,
                crcFiles * double(kCrcFileSize) / (1 << 20), crcTree.c_str());
    std::vector<std::string> catArgs{"cat"};
    for (int d = 0; d < kCrcFolders; ++d) {
        for (int f = 0; f < kCrcFilesPerFolder; ++f) {
            catArgs.push_back(
                (crcTree / ("dir" + std::to_string(d)) / ("blob" + std::to_string(f) + ".bin"))
                    .string());
        }
    }
    const std::vector<SResult> crc = Measure({{"quillora-cli scan --crc",
                                               {cli, "scan", casePath, crcTree.string(), "--crc"},
                                               removeCase,
                                               env},
                                              {"cat > /dev/null", catArgs}},
                                             runs);
    const SResult& crcScan = crc[0];
    const SResult& cat = crc[1];
    std::printf("  scan --crc / cat = %.2f (aim <= 1.30)\n", crcScan.seconds / cat.seconds);
    std::printf("  CRC throughput: %.2f GB/s\n",
                crcFiles * double(kCrcFileSize) / crcScan.seconds / 1e9);
    removeCase();
    MeasureArchiveProbing(cli, base, runs, env);
    MeasureRescan(cli, base, listing, runs, env);
    return 0;
}
