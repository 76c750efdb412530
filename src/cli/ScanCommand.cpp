// `quillora-cli scan CASE PATH`: scans a mount point or folder as a new medium and
// appends it to the case (creating the case when it does not exist yet).
#include "cli/ArchiveServices.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ScanSettings.h"
#include "cli/ScanTicker.h"

#include "core/ConfigData.h"
#include "model/CaseFile.h"
#include "model/RecordFlags.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/MediumPath.h"
#include "scan/ScanControl.h"
#include "scan/VolumeScanner.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace quillora::cli {

namespace {

constexpr const char* kUsage =
    "usage: quillora-cli scan CASE PATH [--label L] [--comment C] [--crc] [--arc-crc] "
    "[--no-archives] [--group LABEL] [--password P]";

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}

// Ctrl+C only raises a flag; a watcher thread turns it into a scan cancel, which
// waits until the scan has stopped.
class CInterruptWatch {
public:
    CInterruptWatch() {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previous);
        sigaction(SIGTERM, &action, &m_previousTerm);
        m_thread = std::thread([this] { Watch(); });
    }
    ~CInterruptWatch() {
        m_done = true;
        m_thread.join();
        sigaction(SIGINT, &m_previous, nullptr);
        sigaction(SIGTERM, &m_previousTerm, nullptr);
    }
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

    static bool Interrupted() { return g_interrupted != 0; }

private:
    void Watch() {
        while (!m_done) {
            if (g_interrupted) {
                CScanControl::RequestScanCancel();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    struct sigaction m_previous {};
    struct sigaction m_previousTerm {};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// Keeps the compression of an existing case: gzip files stay gzip files.
bool IsGzipFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char magic[2] = {0, 0};
    in.read(reinterpret_cast<char*>(magic), 2);
    return in.gcount() == 2 && magic[0] == 0x1F && magic[1] == 0x8B;
}

SFileInfo& GroupFor(CCDCase& root, const std::string& label) {
    for (std::size_t i = 0; i < root.ChildCount(); ++i) {
        auto* group = dynamic_cast<SGroupInfo*>(root.ChildAt(i));
        if (group && group->HasFlags(kFlagGroup) && group->m_strLabel == label) {
            return *group;
        }
    }
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel(label);
    group->UpdateDisplayName();
    return *root.AddChild(std::move(group));
}

void PrintSummary(const SVolumeInfo& medium, double seconds) {
    std::printf("added medium \"%s\" (%s): %zu folders, %zu files, %llu bytes in %.2f s\n",
                medium.m_strLabel.c_str(), MediumOsFolder(medium).c_str(),
                medium.CountFolders(true), medium.CountFiles(true),
                static_cast<unsigned long long>(medium.m_nSize), seconds);
}

} // namespace

int RunScan(const Args& args) {
    CArgs a(args, {"label", "comment", "group", "password"});
    if (!a.Check({"crc", "arc-crc", "no-archives"}) || a.Positional().size() != 2) {
        ReportError(a.Error().empty() ? kUsage : a.Error());
        return kExitUsage;
    }
    const std::string& casePath = a.Positional()[0];
    const std::string& scanPath = a.Positional()[1];
    struct stat st {};
    if (stat(scanPath.c_str(), &st) != 0) {
        ReportError(scanPath + ": " + std::strerror(errno));
        return kExitFailure;
    }
    if (!S_ISDIR(st.st_mode)) {
        ReportError(scanPath + ": not a folder");
        return kExitFailure;
    }

    std::unique_ptr<CCDCase> root;
    bool compress = false;
    if (FileExists(casePath)) {
        // A case that cannot be read is never replaced.
        root = LoadCaseOrReport(casePath, a.Value("password"));
        if (!root) {
            return kExitFailure;
        }
        compress = IsGzipFile(casePath);
    } else {
        root = std::make_unique<CCDCase>();
    }

    LoadScanSettings();
    if (a.Has("crc")) {
        Config().m_nAddVolCRC = 1;
    }
    if (a.Has("arc-crc")) {
        Config().m_nAddVolArcCRC = 1;
    }
    const std::optional<std::string> label = a.Value("label");
    const std::optional<std::string> comment = a.Value("comment");

    auto medium = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner;
    CScanTicker ticker(scanner);
    scanner.SetProgress(&ticker);
    if (!a.Has("no-archives")) {
        Expander().SetProgress(&ticker);
        Expander().SetScanOptions(SScanOptions::FromConfig());
        scanner.SetArchiveLister(&Expander());
    }
    const auto start = std::chrono::steady_clock::now();
    bool cancelled = false;
    {
        CInterruptWatch watch;
        CScanControl::BeginScan();
        ticker.Start();
        scanner.AddVolume(*medium, scanPath, label ? &*label : nullptr,
                          comment ? &*comment : nullptr);
        ticker.Stop();
        cancelled = CScanControl::IsScanCancelled() || CInterruptWatch::Interrupted();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (cancelled) {
        ReportError("scan cancelled; " + casePath + " was not changed");
        return kExitFailure;
    }

    SVolumeInfo& added = *medium;
    SFileInfo& parent = a.Value("group") ? GroupFor(*root, *a.Value("group")) : *root;
    parent.AddChild(std::move(medium));
    parent.RecalcSize(false);
    added.UpdateDisplayName();
    try {
        SaveCaseFile(*root, casePath, compress);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, casePath));
        return kExitFailure;
    }
    PrintSummary(added, seconds);
    return kExitOk;
}

} // namespace quillora::cli
