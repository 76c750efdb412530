// Times the copies report over 100 case files of 10,000 records each (1,000,000 records:
// media of folders and files whose CRCs repeat across media, some files without a
// CRC) against one `quillora-cli search` over the same folder, measured in the same
// run: wall and CPU time and peak memory of each program, the report's extra memory
// per record over the search's, and the time projected to 10,000,000 records.
//
//   bench_copies [--cases N] [--cli PATH] [--keep]
//
// --keep leaves the case files in place (their folder is printed), for profiling.
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quillora;
extern char** environ;

namespace {

constexpr int kRecordsPerCase = 10'000;
constexpr int kRuns = 3;

struct SRandom {
    unsigned seed = 2718;
    unsigned Next() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    }
};

// One case of two media; each medium: 50 folders of 99 files. Files draw their
// content from a pool shared by all cases, so that most exist on a few media and some
// on one only; one file in ten has no CRC.
void WriteCase(const std::string& path, int index, SRandom& random) {
    CCDCase root;
    int records = 1;
    for (int m = 0; m < 2; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Disc " + std::to_string(index) + "-" + std::to_string(m);
        medium->m_dwSerial = static_cast<std::uint32_t>(index * 2 + m + 1);
        SFileInfo* disc = root.AddChild(std::move(medium));
        ++records;
        for (int f = 0; f < 50 && records < kRecordsPerCase; ++f) {
            auto folder = std::make_unique<SFileInfo>();
            folder->m_strName = "folder" + std::to_string(f);
            folder->m_dwFlags |= kAttrDirectory;
            SFileInfo* dir = disc->AddChild(std::move(folder));
            ++records;
            for (int i = 0; i < 99 && records < kRecordsPerCase; ++i, ++records) {
                auto file = std::make_unique<SFileInfo>();
                const unsigned content = random.Next() % 600'000;
                file->m_strName = "IMG_" + std::to_string(content) + ".JPG";
                file->m_nSize = 1000 + content * 7;
                file->m_dwFlags |= kAttrArchive;
                file->m_ftLastWrite = 130000000000000000ULL + content * 10'000'000ULL;
                if (random.Next() % 10 != 0) {
                    file->m_wExtFlags = kExtFlagCrc;
                    file->m_dwExtValue = content * 2654435761u + 1;
                }
                dir->AddChild(std::move(file));
            }
        }
    }
    SaveCaseFile(root, path, false);
}

struct SRun {
    double wall = 1e9;
    double cpu = 1e9;
    long maxRssKiB = 0;
    int status = 0;
};

// Where the timed programs write: a file of this run's own, beside its case files'
// folder, since runs at once must not share it.
const std::string& OutputPath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("bench_copies_" + std::to_string(getpid()) + ".out"))
                                        .string();
    return path;
}

SRun Measure(const std::vector<std::string>& argv) {
    SRun best;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, OutputPath().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            std::fprintf(stderr, "could not start %s\n", args[0]);
            return best;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu =
            static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        best.wall = std::min(best.wall, wall);
        best.cpu = std::min(best.cpu, cpu);
        best.maxRssKiB = std::max(best.maxRssKiB, usage.ru_maxrss);
        best.status = status;
    }
    return best;
}

void Print(const char* what, const SRun& run) {
    std::printf("%-44s %7.3f s wall %7.3f s CPU %8.1f MiB peak\n", what, run.wall, run.cpu,
                static_cast<double>(run.maxRssKiB) / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    int cases = 100;
    std::string cli = QUILLORA_CLI_PATH;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0) {
            keep = true;
        } else if (i + 1 == argc) {
            break;
        } else if (std::strcmp(argv[i], "--cases") == 0) {
            cases = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--cli") == 0) {
            cli = argv[++i];
        }
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_copies_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    SRandom random;
    for (int c = 0; c < cases; ++c) {
        WriteCase((folder / ("shelf" + std::to_string(c) + ".cas")).string(), c, random);
    }
    const double records = static_cast<double>(cases) * kRecordsPerCase;
    std::printf("%d case files, %.0f records, best of %d runs\n", cases, records, kRuns);

    const SRun search = Measure({cli, "search", folder.string(), "--name", "IMG_1*"});
    const SRun summary = Measure({cli, "copies", folder.string(), "--summary"});
    const SRun sole = Measure({cli, "copies", folder.string(), "--max-copies", "1", "--json"});
    const SRun all = Measure({cli, "copies", folder.string(), "--json"});
    Print("quillora-cli search --name IMG_1*", search);
    Print("quillora-cli copies --summary", summary);
    Print("quillora-cli copies --max-copies 1 --json", sole);
    Print("quillora-cli copies --json (every content)", all);
    std::printf("against search, the time: summary %.2fx, sole copies %.2fx, every content "
                "%.2fx\n",
                summary.wall / search.wall, sole.wall / search.wall, all.wall / search.wall);
    const auto extra = [&](const SRun& run) {
        return static_cast<double>(run.maxRssKiB - search.maxRssKiB) * 1024.0 / records;
    };
    std::printf("extra memory over search per record: summary %.1f B, sole copies %.1f B, "
                "every content with paths %.1f B\n",
                extra(summary), extra(sole), extra(all));
    std::printf("projected to 10,000,000 records (linear): summary %.2f s, sole copies %.2f s\n",
                summary.wall * 1e7 / records, sole.wall * 1e7 / records);
    if (keep) {
        std::printf("case files kept in %s\n", folder.c_str());
    } else {
        std::filesystem::remove_all(folder);
    }
    std::remove(OutputPath().c_str());
    return 0;
}
