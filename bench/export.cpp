// Builds a case of 1,000,000 records, saves it, and prints records per second for the
// CSV, HTML and tree text exports and for reading the CSV back, beside two peers measured
// in the same run: `quillora-cli tree --json` writing the same records (against
// `quillora-cli export --format csv`), and loading the case file (against the import).
#include "export/CCsvImporter.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace quillora;

namespace {

// CPU seconds of this process: the machine is shared, so wall time says little alone.
double CpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// 20 media x 50 folders x 20 subfolders x 49 files, about two names in seven Japanese,
// one file in 13 with a comment and a CRC.
std::unique_ptr<CCDCase> BuildCase(std::size_t& records) {
    static const char* const kStems[] = {"IMG_",  "DSC",      "report-", "Track ",
                                         "setup", "ソフト表", "写真"};
    static const char* const kExts[] = {".JPG", ".jpg", ".pdf", ".mp3", ".exe", ".txt", ".png"};
    auto root = std::make_unique<CCDCase>();
    records = 1;
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int m = 0; m < 20; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Backup disc " + std::to_string(m);
        medium->m_dwFlags |= kFlagCdRom;
        SFileInfo* mediumPtr = root->AddChild(std::move(medium));
        ++records;
        for (int f = 0; f < 50; ++f) {
            auto folder = std::make_unique<SFileInfo>();
            folder->m_dwFlags = 0x10;
            folder->m_strName = "Folder " + std::to_string(f);
            SFileInfo* folderPtr = mediumPtr->AddChild(std::move(folder));
            ++records;
            for (int s = 0; s < 20; ++s) {
                auto sub = std::make_unique<SFileInfo>();
                sub->m_dwFlags = 0x10;
                sub->m_strName = "2002-12-" + std::to_string(10 + s);
                SFileInfo* subPtr = folderPtr->AddChild(std::move(sub));
                ++records;
                for (int i = 0; i < 49; ++i) {
                    auto file = std::make_unique<SFileInfo>();
                    unsigned r = next();
                    file->m_strName = std::string(kStems[r % 7]) + std::to_string(r % 100000) +
                                      "-" + std::to_string(i) + kExts[(r >> 3) % 7];
                    file->m_nSize = r % 5000000;
                    file->m_dwFlags = 0x20;
                    file->m_ftLastWrite = 126000000000000000ULL + 10000000ULL * (r % 50000000);
                    file->m_ftCreation = file->m_ftLastWrite;
                    file->m_ftLastAccess = file->m_ftLastWrite;
                    if (r % 13 == 0) {
                        file->m_wExtFlags = 1;
                        file->m_dwExtValue = r;
                        file->SetComment("comment " + std::to_string(r));
                    }
                    subPtr->AddChild(std::move(file));
                    ++records;
                }
            }
        }
    }
    root->UpdateDisplayNameTree(true);
    root->RecalcSize(true);
    return root;
}

// Runs a program with its standard output into `out`; its CPU time (user and system) in
// seconds, or -1 when it failed.
double Run(const std::vector<std::string>& args, const std::string& out) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? cpu : -1;
}

double PerSecond(std::size_t records, double seconds) {
    return static_cast<double>(records) / seconds / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::string cli =
        std::getenv("QUILLORA_CLI")
            ? std::getenv("QUILLORA_CLI")
            : (self.parent_path().parent_path() / "src" / "quillora-cli").string();
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::temp_directory_path() /
                       ("quillora-bench-export." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string casePath = (dir / "case.cas").string();

    std::size_t records = 0;
    std::unique_ptr<CCDCase> root = BuildCase(records);
    SaveCaseFile(*root, casePath, false);
    std::printf("records:                 %zu\n", records);

    struct SFormat {
        EFormFormat format;
        const char* file;
    };
    for (SFormat f : {SFormat{EFormFormat::Csv, "list.csv"}, SFormat{EFormFormat::Html, "list.htm"},
                      SFormat{EFormFormat::Tree, "list.txt"}}) {
        const CFormCondition preset(f.format);
        auto start = std::chrono::steady_clock::now();
        const double cpu = CpuNow();
        SExportResult result =
            MakeExporter(preset)->ExportToFile(root.get(), (dir / f.file).string());
        const double seconds = CpuNow() - cpu;
        std::printf(
            "export %-5s            %.2f s CPU (%.2f s wall), %.2f million records/s, %.0f MB%s\n",
            ListFormat(f.format).m_pszName, seconds, Seconds(start), PerSecond(records, seconds),
            static_cast<double>(std::filesystem::file_size(dir / f.file)) / 1e6,
            result.Ok() ? "" : " FAILED");
    }

    // The command line against its peer: both load the case file and write every record.
    // The first command over a case it has not seen puts the case into the index of every
    // case (in the benchmark's own data folder, not the user's); the ones after find it
    // there, as a user's second export does.
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const std::vector<std::string> exportCsv = {cli,   "export", casePath, "--format",
                                                "csv", "-o",     "-"};
    const double cliFirst = Run(exportCsv, (dir / "cli.csv").string());
    const double cliCsv = Run(exportCsv, (dir / "cli.csv").string());
    const double cliJson = Run({cli, "tree", casePath, "--json"}, (dir / "cli.json").string());
    std::printf("quillora-cli export csv  %.2f s CPU, %.2f million records/s (%.2f s CPU the first "
                "time, which indexes the case)\n",
                cliCsv, PerSecond(records, cliCsv), cliFirst);
    std::printf("quillora-cli tree --json %.2f s CPU, %.2f million records/s (peer; ratio %.2f)\n",
                cliJson, PerSecond(records, cliJson), cliJson / cliCsv);

    // Reading back: a list that carries every value, against loading the case file.
    CFormCondition trip(EFormFormat::Csv);
    trip.Visible = MakeFormItems({1, 25, 7, 8, 9, 10, 11, 13, 26});
    trip.PutTitle = 0;
    const std::string tripPath = (dir / "trip.csv").string();
    MakeExporter(trip)->ExportToFile(root.get(), tripPath);
    root.reset();
    double cpu = CpuNow();
    SImportResult imported = CCsvImporter(trip).ImportFile(tripPath);
    const double importSeconds = CpuNow() - cpu;
    if (!imported.Ok()) {
        std::fprintf(stderr, "import failed: %s\n", imported.m_strError.c_str());
        return 1;
    }
    imported.m_pRoot.reset();
    cpu = CpuNow();
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> loaded = ReadCaseFile(casePath, "", &badPassword, &error);
    const double loadSeconds = CpuNow() - cpu;
    std::printf("import csv               %.2f s CPU, %.2f million lines/s (%llu entries)\n",
                importSeconds, PerSecond(imported.m_nLines, importSeconds),
                static_cast<unsigned long long>(imported.m_nEntries));
    std::printf(
        "load case file           %.2f s CPU, %.2f million records/s (peer; import at %.0f%%)\n",
        loadSeconds, PerSecond(records, loadSeconds), 100.0 * loadSeconds / importSeconds);
    if (!std::getenv("QUILLORA_BENCH_KEEP")) {
        std::filesystem::remove_all(dir);
    }
    return 0;
}
