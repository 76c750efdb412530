// Times the index of every case on 100 cases of about 10,000 records (1 M records) and
// on 300 cases (3 M): building it with `quillora-cli index add` against one
// `quillora-cli search` over the same folder, its bytes on disk per record, `quillora-cli
// locate` (process start included) for a few words against `grep -c -i -F` over a file
// of the same names, measured in the same run, the memory locate takes, and adding one
// more case of 10,000 records. The p95 at 10 M records is projected from the two sizes.
// Then the two engines the index could use are compared on the same folded names:
// SQLite's FTS5 with its trigram tokenizer, and the index's own trigram posting lists
// (compressed lists per case and bucket, the rarest intersected first, candidates
// verified): build time, bytes per record and the time to find every matching name.
//
// With --server, the shared index on PostgreSQL instead, beside the embedded one on the
// same cases: 1 M records in 100 cases, the p95 of the first page of results for eight
// clients asking at once (by word, and by round: the first asks on new connections right
// after the cases went in), indexing one case of 315,000 records, and the database's
// size for the index against its table data.
//
//   bench_index [--small] [--keep] [--cli PATH] [--server [URL]]
//   (--small: the 1 M size only; --keep: leave the cases and indexes in the temporary
//   folder, for profiling; --server without a URL starts a private cluster as the
//   tests do)
#include "SyntheticNames.h"
#include "index/CCaseIndex.h"
#include "index/CPgIndexStore.h"
#include "index/CSqliteIndexStore.h"
#include "index/ServerUrl.h"
#include "index/TextFolding.h"
#include "indexserver/CPgTestCluster.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quillora;
using quillora::bench::FileName;
using quillora::bench::SRandom;
namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// 2 media x 10 folders x 10 subfolders x `files` files (49: 10,022 records below the
// case). Every name goes to `names` too, one a line, for grep.
std::size_t WriteCase(const fs::path& path, SRandom& rnd, std::ofstream& names, int files = 49) {
    CCDCase root;
    std::size_t records = 0;
    auto add = [&](SFileInfo* parent, std::unique_ptr<SFileInfo> child) {
        names << child->m_strName << '\n';
        ++records;
        return parent->AddChild(std::move(child));
    };
    for (int m = 0; m < 2; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = path.stem().string() + " disc " + std::to_string(m);
        SFileInfo* disc = root.AddChild(std::move(medium));
        ++records;
        for (int f = 0; f < 10; ++f) {
            auto folder = std::make_unique<SFileInfo>();
            folder->m_dwFlags = 0x10;
            folder->m_strName = FileName(rnd);
            SFileInfo* folderPtr = add(disc, std::move(folder));
            for (int s = 0; s < 10; ++s) {
                auto sub = std::make_unique<SFileInfo>();
                sub->m_dwFlags = 0x10;
                sub->m_strName = "2002-12-" + std::to_string(10 + s);
                SFileInfo* subPtr = add(folderPtr, std::move(sub));
                for (int i = 0; i < files; ++i) {
                    auto file = std::make_unique<SFileInfo>();
                    const unsigned r = rnd.Next();
                    file->m_strName = FileName(rnd);
                    file->m_nSize = r % 5000000;
                    file->m_dwFlags = 0x20;
                    file->m_ftLastWrite = 126000000000000000ULL + r * 1000ULL;
                    add(subPtr, std::move(file));
                }
            }
        }
    }
    root.RecalcSize(true);
    SaveCaseFile(root, path.string(), false);
    return records;
}

struct SProgramRun {
    double wall = 0;
    long maxRssKb = 0;
    std::string firstLine;
    std::size_t lines = 0;
};

// Where a timed program's output goes: a file in the run's own folder.
std::string g_strProgramOut;

SProgramRun RunProgram(const std::vector<std::string>& argv) {
    const std::string& out = g_strProgramOut;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Not /dev/null: grep stops at the first match when its output goes there.
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    SProgramRun result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        result.firstLine = "(could not start " + argv[0] + ")";
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.wall = Seconds(start);
    result.maxRssKb = usage.ru_maxrss;
    std::ifstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (result.lines++ == 0) {
            result.firstLine = line;
        }
    }
    return result;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const std::size_t i = std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()));
    return values[i];
}

const std::vector<std::string> kWords = {"holiday", "IMG_12", "budget_final", "写真", "DSC0001"};
constexpr int kRuns = 21;

struct SSizeFigures {
    std::size_t records = 0;
    double p95 = 0;
};

// Counts, without ranking or paths, the found records whose folded name holds the word.
class CCountingSink : public ICandidateSink {
public:
    explicit CCountingSink(std::string word) : m_strWord(std::move(word)) {}
    void Case(ICandidateCase& c) override {
        const auto* candidates = c.Candidates();
        const std::size_t n = candidates ? candidates->size() : c.RecordCount();
        for (std::size_t k = 0; k < n; ++k) {
            const auto i = candidates ? (*candidates)[k] : static_cast<std::uint32_t>(k);
            const SIndexedRecord& r = c.Record(i);
            m_nCount += r.IsFound() && r.m_strFolded.find(m_strWord) != std::string::npos;
        }
    }
    std::size_t m_nCount = 0;

private:
    std::string m_strWord;
};

SSizeFigures RunSize(const std::string& cli, int cases, const fs::path& work) {
    const fs::path folder = work / ("cases" + std::to_string(cases));
    const fs::path index = work / ("index" + std::to_string(cases));
    const fs::path namesFile = work / ("names" + std::to_string(cases) + ".txt");
    fs::create_directories(folder);
    fs::remove_all(index);
    SRandom rnd;
    std::size_t records = 0;
    {
        std::ofstream names(namesFile);
        for (int c = 0; c < cases; ++c) {
            char name[32];
            std::snprintf(name, sizeof name, "shelf%03d.cas", c);
            records += WriteCase(folder / name, rnd, names);
        }
    }
    std::printf(
        "\n%d cases, %zu records (case files %.1f MB, names file %.1f MB)\n", cases, records,
        [&] {
            std::uintmax_t bytes = 0;
            for (const auto& e : fs::directory_iterator(folder)) {
                bytes += e.file_size();
            }
            return static_cast<double>(bytes) / 1e6;
        }(),
        static_cast<double>(fs::file_size(namesFile)) / 1e6);

    const SProgramRun search = RunProgram({cli, "search", folder.string(), "--name", "holiday"});
    const SProgramRun build =
        RunProgram({cli, "index", "add", folder.string(), "--index", index.string()});
    const std::uintmax_t bytes = fs::file_size(index / CSqliteIndexStore::kFileName);
    std::printf("build from scratch  %8.2f s   one search %8.2f s   ratio %.2f (aim <= 1.5)\n",
                build.wall, search.wall, build.wall / search.wall);
    std::printf("index on disk       %8.1f MB  %.1f bytes a record (aim <= 24)\n",
                static_cast<double>(bytes) / 1e6,
                static_cast<double>(bytes) / static_cast<double>(records));

    std::printf("%-14s %8s %8s %8s %8s %8s %7s %9s\n", "word", "hits", "grep", "locate", "locate",
                "grep", "p50", "memory");
    std::printf("%-14s %8s %8s %8s %8s %8s %7s %9s\n", "", "(limit 0)", "count", "p50 ms", "p95 ms",
                "p50 ms", "ratio", "B/record");
    std::vector<double> allLocate;
    for (const std::string& word : kWords) {
        std::vector<double> locate;
        std::vector<double> grep;
        long rss = 0;
        std::size_t hits = 0;
        std::string grepCount;
        for (int run = 0; run < kRuns; ++run) {
            const SProgramRun l =
                RunProgram({cli, "locate", word, "--index", index.string(), "--limit", "1000"});
            locate.push_back(l.wall * 1e3);
            rss = std::max(rss, l.maxRssKb);
            const SProgramRun g = RunProgram({"grep", "-c", "-i", "-F", word, namesFile.string()});
            grep.push_back(g.wall * 1e3);
            grepCount = g.firstLine;
        }
        hits = RunProgram({cli, "locate", word, "--index", index.string(), "--limit", "0"}).lines;
        allLocate.insert(allLocate.end(), locate.begin(), locate.end());
        const double l50 = Percentile(locate, 0.5);
        const double g50 = Percentile(grep, 0.5);
        std::printf("%-14s %8zu %8s %8.1f %8.1f %8.1f %7.2f %9.1f\n", word.c_str(), hits,
                    grepCount.c_str(), l50, Percentile(locate, 0.95), g50, l50 / g50,
                    static_cast<double>(rss) * 1024.0 / static_cast<double>(records));
    }
    SSizeFigures figures;
    figures.records = records;
    figures.p95 = Percentile(allLocate, 0.95);
    std::printf("locate p95 over every word: %.1f ms (aim at 1 M: <= 0.5x grep)\n", figures.p95);

    // The two engines on the same folded names, in this process.
    std::vector<std::string> folded;
    {
        std::ifstream names(namesFile);
        std::string line;
        while (std::getline(names, line)) {
            folded.push_back(FoldForIndex(line));
        }
    }
    const fs::path ftsFile = work / "fts5.sqlite";
    fs::remove(ftsFile);
    sqlite3* db = nullptr;
    sqlite3_open(ftsFile.c_str(), &db);
    auto start = std::chrono::steady_clock::now();
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; CREATE VIRTUAL TABLE names USING fts5(name, "
                 "tokenize='trigram case_sensitive 1'); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO names(name) VALUES(?)", -1, &insert, nullptr);
    for (const std::string& name : folded) {
        sqlite3_bind_text(insert, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    const double ftsBuild = Seconds(start);
    const double ftsBytes = static_cast<double>(fs::file_size(ftsFile));
    std::printf("engines, same %zu names:  FTS5 trigram: build %.2f s, %.1f bytes a name (names "
                "stored inside)\n",
                folded.size(), ftsBuild, ftsBytes / static_cast<double>(folded.size()));
    std::printf("%-14s %10s %10s %10s %10s\n", "word", "matches", "FTS5 ms", "own ms", "own count");
    CSqliteIndexStore store(index.string());
    for (const std::string& word : kWords) {
        const std::string f = FoldForIndex(word);
        sqlite3_stmt* query = nullptr;
        // GLOB, not LIKE: the names are folded already, and FTS5 serves LIKE from the
        // trigram index only when it folds case itself.
        sqlite3_prepare_v2(db, "SELECT count(*) FROM names WHERE name GLOB ?", -1, &query, nullptr);
        const std::string like = "*" + f + "*";
        double best = 1e9;
        long count = 0;
        for (int run = 0; run < 5; ++run) {
            const auto t = std::chrono::steady_clock::now();
            sqlite3_bind_text(query, 1, like.data(), static_cast<int>(like.size()), SQLITE_STATIC);
            sqlite3_step(query);
            count = sqlite3_column_int64(query, 0);
            sqlite3_reset(query);
            best = std::min(best, Seconds(t));
        }
        sqlite3_finalize(query);
        double own = 1e9;
        std::size_t ownCount = 0;
        for (int run = 0; run < 5; ++run) {
            const auto t = std::chrono::steady_clock::now();
            CCountingSink sink(f);
            store.FindCandidates({f}, sink);
            ownCount = sink.m_nCount;
            own = std::min(own, Seconds(t));
        }
        std::printf("%-14s %10ld %10.1f %10.1f %10zu\n", word.c_str(), count, best * 1e3, own * 1e3,
                    ownCount);
    }
    sqlite3_close(db);
    fs::remove(ftsFile);

    // One more case of 10,000 records.
    {
        std::ofstream names(work / "extra-names.txt");
        WriteCase(folder / "extra.cas", rnd, names);
    }
    const SProgramRun add = RunProgram(
        {cli, "index", "add", (folder / "extra.cas").string(), "--index", index.string()});
    std::printf("adding one 10,000-record case: %.0f ms, process start included (aim <= 100)\n",
                add.wall * 1e3);
    return figures;
}

constexpr int kRounds = 6;

// The times of the first pages the clients asked for: all of them, by word, and by round
// (the first on new connections, right after the cases were put in).
struct SPageTimes {
    std::vector<double> all;
    std::vector<std::vector<double>> byRound = std::vector<std::vector<double>>(kRounds);
    std::vector<std::vector<double>> byWord;
};

// Eight clients, each with its own connection, asking every word in turn for the first
// page of results (the 500 the program's result list shows); the times of all asks.
SPageTimes ConcurrentFirstPages(const std::function<std::unique_ptr<CCaseIndex>()>& open) {
    constexpr int kClients = 8;
    std::mutex lock;
    SPageTimes times;
    times.byWord.resize(kWords.size());
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            std::unique_ptr<CCaseIndex> index = open();
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t w = 0; w < kWords.size(); ++w) {
                    const std::size_t word = (w + static_cast<std::size_t>(c)) % kWords.size();
                    const auto t = std::chrono::steady_clock::now();
                    index->Locate({kWords[word]}, 500);
                    const double ms = Seconds(t) * 1e3;
                    const std::lock_guard guard(lock);
                    times.all.push_back(ms);
                    times.byWord[word].push_back(ms);
                    times.byRound[round].push_back(ms);
                }
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    return times;
}

void RunServer(const std::string& cli, std::string url, const fs::path& work) {
    quillora::test::CPgTestCluster& cluster = quillora::test::CPgTestCluster::Get();
    if (url.empty()) {
        if (!cluster.Start()) {
            std::printf("bench_index --server: %s\n", cluster.Error().c_str());
            return;
        }
        cluster.CreateDatabase("bench");
        url = cluster.Url("bench");
    }
    const fs::path folder = work / "cases100";
    const fs::path embedded = work / "index100";
    fs::create_directories(folder);
    SRandom rnd;
    std::size_t records = 0;
    {
        std::ofstream names(work / "names100.txt");
        for (int c = 0; c < 100; ++c) {
            char name[32];
            std::snprintf(name, sizeof name, "shelf%03d.cas", c);
            records += WriteCase(folder / name, rnd, names);
        }
    }
    std::printf("\nshared index on %s against the embedded one: 100 cases, %zu records\n",
                ShownServer(url).c_str(), records);
    const SProgramRun serverBuild =
        RunProgram({cli, "index", "add", folder.string(), "--server", url});
    const SProgramRun embeddedBuild =
        RunProgram({cli, "index", "add", folder.string(), "--index", embedded.string()});
    std::printf("%-46s %12s %12s\n", "", "server", "embedded");
    std::printf("%-46s %12.2f %12.2f\n", "index add of the 100 cases (s)", serverBuild.wall,
                embeddedBuild.wall);
    if (!serverBuild.firstLine.starts_with("read")) {
        std::printf("  (server: %s)\n", serverBuild.firstLine.c_str());
    }

    const std::string machine = "bench-client"; // indexes nothing: no freshness checks
    const SPageTimes server = ConcurrentFirstPages([&] {
        return std::make_unique<CCaseIndex>(std::make_unique<CPgIndexStore>(url, machine),
                                            "server");
    });
    const SPageTimes local =
        ConcurrentFirstPages([&] { return std::make_unique<CCaseIndex>(embedded.string()); });
    std::printf("%-46s %12.1f %12.1f\n", "8 clients, first page (500 hits) p50 (ms)",
                Percentile(server.all, 0.5), Percentile(local.all, 0.5));
    std::printf("%-46s %12.1f %12.1f   (aim for the server <= 100)\n",
                "8 clients, first page (500 hits) p95 (ms)", Percentile(server.all, 0.95),
                Percentile(local.all, 0.95));
    for (int r = 0; r < kRounds; ++r) {
        std::printf("  p50 / p95 of round %d (40 pages)        %9.1f / %-7.1f %9.1f / %.1f\n",
                    r + 1, Percentile(server.byRound[r], 0.5), Percentile(server.byRound[r], 0.95),
                    Percentile(local.byRound[r], 0.5), Percentile(local.byRound[r], 0.95));
    }
    std::vector<double> later;
    for (int r = 1; r < kRounds; ++r) {
        later.insert(later.end(), server.byRound[r].begin(), server.byRound[r].end());
    }
    std::printf("%-46s %12.1f\n", "server p95 of rounds 2-6 (ms)", Percentile(later, 0.95));
    for (std::size_t w = 0; w < kWords.size(); ++w) {
        std::printf("  p50 / p95 of %-14s %9.1f / %-7.1f %9.1f / %.1f\n", kWords[w].c_str(),
                    Percentile(server.byWord[w], 0.5), Percentile(server.byWord[w], 0.95),
                    Percentile(local.byWord[w], 0.5), Percentile(local.byWord[w], 0.95));
    }
    for (const std::string& word : kWords) {
        CCaseIndex one(std::make_unique<CPgIndexStore>(url, machine), "server");
        CCaseIndex two(embedded.string());
        std::printf("  hits of %-14s %12zu %12zu\n", word.c_str(), one.Locate({word}, 0).size(),
                    two.Locate({word}, 0).size());
    }

    CPgIndexStore store(url, machine);
    const SPgSpace space = store.Space();
    std::printf("%-46s %12.1f %12.1f\n", "bytes on disk a record",
                static_cast<double>(space.m_nTableBytes + space.m_nIndexBytes) /
                    static_cast<double>(records),
                static_cast<double>(fs::file_size(embedded / CSqliteIndexStore::kFileName)) /
                    static_cast<double>(records));
    std::printf("server: tables %.1f MB, indexes %.1f MB: %.2fx the table data (aim <= 1.5)\n",
                static_cast<double>(space.m_nTableBytes) / 1e6,
                static_cast<double>(space.m_nIndexBytes) / 1e6,
                static_cast<double>(space.m_nIndexBytes) /
                    static_cast<double>(space.m_nTableBytes));

    // One big case: 2 x 10 x 10 x 1,574 files.
    const fs::path big = work / "big" / "archive.cas";
    fs::create_directories(big.parent_path());
    std::size_t bigRecords = 0;
    {
        std::ofstream names(work / "big-names.txt");
        bigRecords = WriteCase(big, rnd, names, 1574);
    }
    const SProgramRun serverBig = RunProgram({cli, "index", "add", big.string(), "--server", url});
    const SProgramRun embeddedBig =
        RunProgram({cli, "index", "add", big.string(), "--index", embedded.string()});
    std::printf("%-46s %12.2f %12.2f   (aim for the server <= 30)\n",
                ("index add of one " + std::to_string(bigRecords) + "-record case (s)").c_str(),
                serverBig.wall, embeddedBig.wall);
    cluster.Stop();
}

} // namespace

int main(int argc, char** argv) {
    std::string cli = QUILLORA_CLI_PATH;
    bool small = false;
    bool keep = false;
    std::optional<std::string> server;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--small") == 0) {
            small = true;
        } else if (std::strcmp(argv[i], "--keep") == 0) {
            keep = true;
        } else if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc) {
            cli = argv[++i];
        } else if (std::strcmp(argv[i], "--server") == 0) {
            server = i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0 ? argv[++i] : "";
        }
    }
    // A folder of this run's own: two runs at once (another session's, say) must not
    // remove or index each other's cases.
    const fs::path work =
        fs::temp_directory_path() / ("quillora-bench-index." + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    g_strProgramOut = (work / "program.out").string();
    if (keep) {
        std::printf("cases and indexes kept in %s\n", work.c_str());
    }
    // The commands index what they open: keep that away from the user's own index.
    setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    if (server) {
        RunServer(cli, *server, work);
        if (!keep) {
            fs::remove_all(work);
        }
        return 0;
    }
    std::printf("bench_index: the index of every case against grep -c -i -F over the same "
                "names;\nwall times, %d runs a word\n",
                kRuns);
    const SSizeFigures one = RunSize(cli, 100, work);
    if (!small) {
        const SSizeFigures three = RunSize(cli, 300, work);
        const double slope =
            (three.p95 - one.p95) / static_cast<double>(three.records - one.records);
        const double projected = three.p95 + slope * (10e6 - static_cast<double>(three.records));
        std::printf("\nprojected locate p95 at 10 M records (linear through both sizes): %.1f ms "
                    "(aim <= 50)\n",
                    projected);
    }
    if (!keep) {
        fs::remove_all(work);
    }
    return 0;
}
