// Times the find conditions over a synthetic case of 1,000,000 records with realistic
// names: Match on every record for a literal name, a wildcard with "*" and "?", a
// regular expression and a case-insensitive literal, each against `grep -c` (-F, -i,
// -E as fitting) over the same display names written one a line to a file in /tmp,
// measured in the same run. The program's finds run over the case's name index once
// it is built (the first find builds it); the walk over the records is what the
// command line and the first find do. Then times `quillora-cli search` over 1,000
// case files of 1,000 records each, on all cores and with one worker.
//
//   bench_find [--no-search] [--only N] [--keep] [--cli PATH]
//   (--only N: just the N-th pattern, 1-4, for profiling; --keep: the case files stay
//   below the temporary folder, for a profiler; PATH: the quillora-cli built beside it)
#include "StreamCount.h"
#include "SyntheticNames.h"
#include "core/FindSettings.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "search/CCaseCursor.h"
#include "search/CFindRun.h"
#include "search/CNameIndex.h"
#include "search/SFindCondition.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace quillora;
using quillora::bench::FileName;
using quillora::bench::SRandom;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU seconds of this thread: on a machine shared with other work, wall time counts
// the time others ran too; CPU time is compared with the child's own CPU time.
double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// 20 media x 50 folders x 20 subfolders x 49 files, with the case, media and folders
// about 1,000,000 records. Names are shown as they are stored (display mode 3 is the
// configuration's business; the names written for grep are the display names).
std::unique_ptr<CCDCase> BuildCase(int media, int folders, int subfolders, int files,
                                   SRandom& rnd) {
    auto root = std::make_unique<CCDCase>();
    for (int m = 0; m < media; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Backup disc " + std::to_string(m);
        SFileInfo* mediumPtr = root->AddChild(std::move(medium));
        for (int f = 0; f < folders; ++f) {
            auto folder = std::make_unique<SFileInfo>();
            folder->m_dwFlags = 0x10;
            folder->m_strName = FileName(rnd);
            folder->m_strName.erase(folder->m_strName.find_last_of('.') == std::string::npos
                                        ? folder->m_strName.size()
                                        : folder->m_strName.find_last_of('.'));
            SFileInfo* folderPtr = mediumPtr->AddChild(std::move(folder));
            for (int s = 0; s < subfolders; ++s) {
                auto sub = std::make_unique<SFileInfo>();
                sub->m_dwFlags = 0x10;
                sub->m_strName = "2002-12-" + std::to_string(10 + s);
                SFileInfo* subPtr = folderPtr->AddChild(std::move(sub));
                for (int i = 0; i < files; ++i) {
                    auto file = std::make_unique<SFileInfo>();
                    const unsigned r = rnd.Next();
                    file->m_strName = FileName(rnd);
                    file->m_nSize = r % 5000000;
                    file->m_dwFlags = 0x20;
                    file->m_ftLastWrite = 126000000000000000ULL + r * 1000ULL;
                    file->m_ftCreation = file->m_ftLastWrite;
                    subPtr->AddChild(std::move(file));
                }
            }
        }
    }
    root->UpdateDisplayNameTree(true);
    root->RecalcSize(true);
    return root;
}

// Runs a program with its output in a file: the file's first line, and the best wall
// time and best CPU time (user + system) of `runs` runs.
struct SProgramRun {
    std::string line;
    double wall = 1e9;
    double cpu = 1e9;
};

// This run's own files, below the temporary folder.
const std::filesystem::path& Scratch() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() /
                 ("quillora-bench-find." + std::to_string(getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

SProgramRun TimeProgram(const std::vector<std::string>& argv, int runs,
                        const std::string& out = (Scratch() / "out").string()) {
    SProgramRun result;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        // posix_spawn, not fork: copying this process's page tables would be timed too.
        // Not /dev/null: grep stops at the first match when its output goes there.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            result.line = "(could not start " + argv[0] + ")";
            return result;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        result.wall = std::min(result.wall, Seconds(start));
        const double cpu =
            static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        result.cpu = std::min(result.cpu, cpu);
    }
    std::ifstream in(out);
    std::getline(in, result.line);
    return result;
}

// The best of `rounds` runs of each command, run in turn (one of each per round), so that
// a slow spell of the shared machine falls on all of them alike.
struct STimedCommand {
    std::vector<std::string> argv;
    std::string out = (Scratch() / "out").string();
};
std::vector<SProgramRun> TimeInTurn(const std::vector<STimedCommand>& commands, int rounds) {
    std::vector<SProgramRun> best(commands.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const SProgramRun run = TimeProgram(commands[c].argv, 1, commands[c].out);
            best[c].wall = std::min(best[c].wall, run.wall);
            best[c].cpu = std::min(best[c].cpu, run.cpu);
            best[c].line = run.line;
        }
    }
    return best;
}

constexpr int kRuns = 21;

struct SCase {
    const char* title;
    const char* pattern;
    int wild;
    int upper;
    std::vector<std::string> grep;
};

} // namespace

int main(int argc, char** argv) {
    bool search = true;
    bool keep = false; // the files stay for a profiler
    int only = 0;
    std::string cli = QUILLORA_CLI_PATH;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-search") == 0) {
            search = false;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--keep") == 0) {
            keep = true;
        } else if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc) {
            cli = argv[++i];
        }
    }
    setenv("LC_ALL", "C.UTF-8", 1);
    // The cases the command line reads go into an index of this run, not the user's.
    setenv("XDG_DATA_HOME", (Scratch() / "data").c_str(), 1);
    SRandom rnd;
    auto start = std::chrono::steady_clock::now();
    std::unique_ptr<CCDCase> root = BuildCase(20, 50, 20, 49, rnd);
    std::vector<SFileInfo*> records;
    const std::string namesPath = (Scratch() / "names.txt").string();
    {
        std::ofstream names(namesPath, std::ios::binary);
        CCaseCursor cursor(*root);
        do {
            names << cursor.Current()->GetDisplayName() << '\n';
            records.push_back(cursor.Current());
        } while (cursor.Next());
    }
    std::printf("case: %zu records built in %.2f s; names in %s\n", records.size(), Seconds(start),
                namesPath.c_str());
    std::printf("(the machine is shared: figures vary with the other work on it)\n\n");
    // The first find of a case builds its name index; later finds after a change
    // rebuild it with the room the last one took.
    double buildWall = 1e9;
    double rebuildWall = 1e9;
    std::unique_ptr<CNameIndex> index;
    for (int run = 0; run < 5; ++run) {
        index.reset();
        auto t = std::chrono::steady_clock::now();
        index = std::make_unique<CNameIndex>(*root);
        index->BuildAll(*root);
        buildWall = std::min(buildWall, Seconds(t));
        t = std::chrono::steady_clock::now();
        auto rebuilt = std::make_unique<CNameIndex>(*root, index.get());
        rebuilt->BuildAll(*root);
        rebuildWall = std::min(rebuildWall, Seconds(t));
    }
    std::printf("name index of %zu records: built in %.1f ms, rebuilt in %.1f ms (best of 5)\n\n",
                index->Size(), buildWall * 1000, rebuildWall * 1000);
    const SCase cases[] = {
        {"literal name", "holiday", 0, 0, {"grep", "-c", "-F", "holiday"}},
        {"wildcard * and ?", "IMG_*.?pg", 1, 0, {"grep", "-c", "IMG_.*\\..pg"}},
        {"regular expression",
         "(draft|final).*-20[01][0-9]\\.doc$",
         0,
         0,
         {"grep", "-c", "-E", "(draft|final).*-20[01][0-9]\\.doc$"}},
        {"case-insensitive literal", "HOLIDAY", 0, 1, {"grep", "-c", "-i", "-F", "HOLIDAY"}},
    };
    std::printf("A batch find from the case root with Match on every record, over the name\n"
                "index and as a walk over the records, against grep -c; best wall\n"
                "milliseconds of %d runs each (the CPU ratio is the index's).\n",
                kRuns);
    std::printf("%-26s %8s %8s %8s %8s %8s %7s %7s %7s\n", "pattern", "matches", "grep", "index",
                "walk", "grep", "index/", "walk/", "cpu");
    std::printf("%-26s %8s %8s %8s %8s %8s %7s %7s %7s\n", "", "", "", "ms", "ms", "ms", "grep",
                "grep", "ratio");
    int number = 0;
    for (const SCase& c : cases) {
        if (only != 0 && ++number != only) {
            continue;
        }
        SFindSettings settings;
        settings.m_strName = c.pattern;
        settings.m_nWild = c.wild;
        settings.m_nUpper = c.upper;
        SFindCondition conditions(settings);
        conditions.Compile();
        double wall = 1e9;
        std::size_t hits = 0;
        for (int run = 0; run < kRuns; ++run) {
            auto t = std::chrono::steady_clock::now();
            hits = 0;
            CCaseCursor cursor(*root);
            do {
                hits += conditions.Match(*cursor.Current()) ? 1 : 0;
            } while (cursor.Next());
            wall = std::min(wall, Seconds(t));
        }
        double indexWall = 1e9;
        double indexCpu = 1e9;
        std::size_t indexHits = 0;
        std::vector<SFileInfo*> found;
        for (int run = 0; run < kRuns; ++run) {
            found.clear();
            auto t = std::chrono::steady_clock::now();
            const double c0 = ThreadCpuSeconds();
            CFindRun(conditions, *root, CFindRun::EMode::Batch, index.get()).RunAll(found);
            indexCpu = std::min(indexCpu, ThreadCpuSeconds() - c0);
            indexWall = std::min(indexWall, Seconds(t));
            indexHits = found.size();
        }
        std::vector<std::string> grep = c.grep;
        grep.push_back(namesPath);
        SProgramRun g = TimeProgram(grep, kRuns);
        char matches[32];
        std::snprintf(matches, sizeof matches, "%zu", hits);
        std::printf("%-26s %8s %8s %8.1f %8.1f %8.1f %6.2fx %6.2fx %6.2fx\n", c.title,
                    indexHits == hits ? matches : "DIFFER", g.line.c_str(), indexWall * 1000,
                    wall * 1000, g.wall * 1000, indexWall / g.wall, wall / g.wall,
                    indexCpu / g.cpu);
    }
    records.clear();
    index.reset();
    // The command line over the same case saved as a file: info and find --count read
    // it as a stream without building the tree, tree --json prints every record.
    const std::string casePath = (Scratch() / "case.cas").string();
    SaveCaseFile(*root, casePath, false);
    root.reset();
    // tree --json to /dev/null: what is timed is the formatting, not the file system
    // taking 350 MB.
    constexpr int kRounds = 9;
    const std::vector<SProgramRun> line =
        TimeInTurn({{{"grep", "-ciF", "holiday", namesPath}},
                    {{cli, "info", casePath}},
                    {{cli, "find", casePath, "--name", "holiday", "--count"}},
                    {{cli, "tree", casePath, "--json"}, "/dev/null"}},
                   kRounds);
    // The floor every command above stands on: the same file read in process by the
    // streaming reader into a sink that only counts, best of as many runs.
    double streamWall = 1e9;
    for (int run = 0; run < kRounds; ++run) {
        const auto t = std::chrono::steady_clock::now();
        quillora::bench::StreamCount(casePath);
        streamWall = std::min(streamWall, Seconds(t));
    }
    const SProgramRun& grepCi = line[0];
    const SProgramRun& info = line[1];
    const SProgramRun& count = line[2];
    const SProgramRun& json = line[3];
    std::printf("\nthe command line over the case file (best wall and best CPU of %d runs in "
                "turn)\n",
                kRounds);
    std::printf("%-26s %7.0f ms wall, %4.0f ms cpu\n", "grep -ciF over the names",
                grepCi.wall * 1000, grepCi.cpu * 1000);
    std::printf("%-26s %7.0f ms wall, %4.0f ms cpu  %5.2fx grep\n", "info", info.wall * 1000,
                info.cpu * 1000, info.wall / grepCi.wall);
    std::printf("%-26s %7.0f ms wall, %4.0f ms cpu  %5.2fx grep (%s matches)\n", "find --count",
                count.wall * 1000, count.cpu * 1000, count.wall / grepCi.wall, count.line.c_str());
    std::printf("%-26s %7.0f ms wall, %4.0f ms cpu  %5.2fx info (cpu %.2fx)\n",
                "tree --json to /dev/null", json.wall * 1000, json.cpu * 1000,
                json.wall / info.wall, json.cpu / info.cpu);
    std::printf("%-26s %7.0f ms wall            tree --json %.2fx (aim <= 2)\n",
                "streaming read in process", streamWall * 1000, json.wall / streamWall);
    if (!keep) {
        std::remove(casePath.c_str());
    }
    if (!search) {
        if (!keep) {
            std::filesystem::remove_all(Scratch());
        }
        return 0;
    }
    const std::filesystem::path folder = Scratch() / "cases";
    std::filesystem::remove_all(folder);
    start = std::chrono::steady_clock::now();
    for (int f = 0; f < 1000; ++f) {
        std::unique_ptr<CCDCase> small = BuildCase(1, 2, 10, 49, rnd);
        std::filesystem::path sub = folder / ("shelf" + std::to_string(f % 10));
        std::filesystem::create_directories(sub);
        SaveCaseFile(*small, (sub / ("case" + std::to_string(f) + ".cas")).string(), f % 2 == 0);
    }
    std::printf("\ncase search: 1,000 case files of about 1,000 records written in %.1f s\n",
                Seconds(start));
    const std::vector<SProgramRun> searches =
        TimeInTurn({{{cli, "search", folder.string(), "--name", "IMG_*.?pg"}},
                    {{cli, "search", folder.string(), "--name", "IMG_*.?pg", "--jobs", "1"}}},
                   5);
    const SProgramRun& all = searches[0];
    const SProgramRun& one = searches[1];
    std::printf("%-26s %7.0f ms wall, %6.0f ms cpu\n%-26s %7.0f ms wall, %6.0f ms cpu  "
                "(%.2fx faster on all %u cores)\n",
                "search, all cores", all.wall * 1000, all.cpu * 1000, "search, one worker",
                one.wall * 1000, one.cpu * 1000, one.wall / all.wall,
                std::max(1u, std::thread::hardware_concurrency()));
    if (keep) {
        std::printf("kept: %s\n", Scratch().c_str());
    } else {
        std::filesystem::remove_all(Scratch());
    }
    return 0;
}
