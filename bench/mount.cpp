// Figures of a mounted case: `find -printf` over a mounted 100,000-record case against
// the same command over the real folder (hot cache, in turns), and the time and memory
// of mounting a 1,000,000-record case against `info` (which streams the case past) and
// `tree` (which loads it whole), measured in the same run.
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace quillora;
using Clock = std::chrono::steady_clock;

namespace {

pid_t Spawn(const std::vector<std::string>& args, bool quiet) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs to the end; the exit status, the seconds it took and its peak memory in KiB.
int Run(const std::vector<std::string>& args, double& seconds, long& maxKib, bool quiet = true) {
    const auto start = Clock::now();
    const pid_t pid = Spawn(args, quiet);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        return -1;
    }
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    maxKib = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsMounted(const fs::path& folder) {
    std::ifstream mounts("/proc/self/mounts");
    std::string source, target, rest;
    while (mounts >> source >> target && std::getline(mounts, rest)) {
        if (target == folder.string()) {
            return true;
        }
    }
    return false;
}

long PeakKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

void MakeFolder(const fs::path& root, int folders, int files) {
    for (int d = 0; d < folders; ++d) {
        const fs::path dir = root / ("folder" + std::to_string(d));
        fs::create_directories(dir);
        for (int f = 0; f < files; ++f) {
            std::ofstream(dir / ("file" + std::to_string(f) + ".dat")) << f;
        }
    }
}

// A case of `records` files in folders of 1,000, written without touching the disk.
void WriteBigCase(const fs::path& path, int records) {
    CCDCase root;
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_strLabel = "BIG";
    SFileInfo* cd = root.AddChild(std::move(medium));
    SFileInfo* folder = nullptr;
    for (int i = 0; i < records; ++i) {
        if (i % 1000 == 0) {
            auto f = std::make_unique<SFileInfo>();
            f->m_strName = "folder" + std::to_string(i / 1000);
            f->m_dwFlags = kAttrDirectory;
            f->m_ftLastWrite = 130000000000000000ULL + i;
            folder = cd->AddChild(std::move(f));
            ++i;
        }
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "file" + std::to_string(i) + ".dat";
        file->m_nSize = static_cast<std::uint64_t>(i);
        file->m_dwFlags = kAttrArchive;
        file->m_ftLastWrite = file->m_ftCreation = file->m_ftLastAccess =
            130000000000000000ULL + static_cast<std::uint64_t>(i) * 10000000ULL;
        folder->AddChild(std::move(file));
    }
    root.RecalcSize(true);
    SaveCaseFile(root, path.string(), false);
}

} // namespace

int main() {
    const std::string cli = QUILLORA_CLI_PATH;
    const fs::path work = fs::temp_directory_path() / ("bench_mount." + std::to_string(getpid()));
    fs::create_directories(work / "mnt");
    double seconds = 0;
    long kib = 0;

    // 1. find over 100,000 records: 100 folders of 1,000 files.
    std::printf("making a folder of 100,000 files...\n");
    MakeFolder(work / "real", 100, 1000);
    if (Run({cli, "scan", (work / "small.cas").string(), (work / "real").string(), "--label",
             "REAL", "--no-archives"},
            seconds, kib) != 0 ||
        Run({cli, "mount", (work / "small.cas").string(), (work / "mnt").string()}, seconds, kib) !=
            0) {
        std::fprintf(stderr, "bench_mount: the case could not be made or mounted\n");
        return 1;
    }
    const std::string mounted = (work / "mnt" / "REAL").string();
    const std::string real = (work / "real").string();
    const std::vector<std::string> find = {"find", "", "-printf", "%s %T@ %p\n"};
    auto findOver = [&](const std::string& folder) {
        std::vector<std::string> args = find;
        args[1] = folder;
        Run(args, seconds, kib);
        return seconds;
    };
    findOver(mounted); // warm both caches first
    findOver(real);
    double best[2] = {1e9, 1e9};
    for (int turn = 0; turn < 5; ++turn) {
        best[0] = std::min(best[0], findOver(real));
        best[1] = std::min(best[1], findOver(mounted));
    }
    std::printf("find -printf over 100,001 records (best of 5 turns, hot cache):\n");
    std::printf("  real folder     %8.3f s\n", best[0]);
    std::printf("  mounted case    %8.3f s   (%.2fx the real folder)\n", best[1],
                best[1] / best[0]);
    Run({cli, "umount", (work / "mnt").string()}, seconds, kib);

    // 2. Mounting 1,000,000 records.
    std::printf("writing a case of 1,000,000 records...\n");
    // In a child: a spawned program's peak memory counts the spawner's at the time it
    // started, and this tree would be a million records of it.
    if (const pid_t writer = fork(); writer == 0) {
        WriteBigCase(work / "big.cas", 1000000);
        _exit(0);
    } else {
        int status = 0;
        waitpid(writer, &status, 0);
    }
    long infoKib = 0, treeKib = 0;
    double treeSeconds = 0;
    Run({cli, "info", (work / "big.cas").string()}, seconds, infoKib);
    const double infoSeconds = seconds;
    Run({cli, "tree", (work / "big.cas").string()}, treeSeconds, treeKib);
    std::printf("info of the 1 M case (streams) %8.3f s  %8ld KiB peak\n", infoSeconds, infoKib);
    std::printf("tree of the 1 M case (loads)   %8.3f s  %8ld KiB peak\n", treeSeconds, treeKib);
    const auto start = Clock::now();
    const pid_t pid = Spawn(
        {cli, "mount", "--foreground", (work / "big.cas").string(), (work / "mnt").string()}, true);
    while (!IsMounted(work / "mnt")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double mountSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long mountKib = PeakKib(pid);
    std::printf("mount of the 1 M case          %8.3f s  %8ld KiB peak\n", mountSeconds, mountKib);
    std::printf("  against info: %.2fx the time, %.2fx the memory\n", mountSeconds / infoSeconds,
                static_cast<double>(mountKib) / infoKib);
    std::printf("  against tree: %.2fx the time, %.2fx the memory\n", mountSeconds / treeSeconds,
                static_cast<double>(mountKib) / treeKib);
    Run({cli, "umount", (work / "mnt").string()}, seconds, kib);
    int status = 0;
    waitpid(pid, &status, 0);
    fs::remove_all(work);
    return 0;
}
