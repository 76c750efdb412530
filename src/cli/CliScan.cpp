// Command-line scanning: a clean Ctrl+C and the progress line.
#include "cli/CliScan.h"
#include "cli/ArchiveServices.h"
#include "cli/ExtractServices.h"
#include "core/ConfigData.h"
#include "document/JobOptions.h"
#include "extract/ExtractTextManager.h"
#include "model/SFileInfo.h"

#include "cli/ScanTicker.h"
#include "model/MediumPath.h"
#include "scan/ArchiveExpander.h"
#include "scan/VolumeScanner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stop_token>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillora::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
// The write end of the watcher's pipe while a watch is on, else -1.
volatile std::sig_atomic_t g_wakeFd = -1;

extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
    const int fd = g_wakeFd;
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = write(fd, &byte, 1);
    }
}

// Ctrl+C only raises a flag and wakes a watcher thread, which asks the scan to stop.
// The watcher sleeps in a read of its pipe, so it costs nothing while no one presses
// a key.
class CInterruptWatch {
public:
    explicit CInterruptWatch(std::stop_source& stop) : m_stop(stop) {
        g_interrupted = 0;
        if (pipe2(m_pipe, O_CLOEXEC) != 0) {
            m_pipe[0] = m_pipe[1] = -1;
        }
        g_wakeFd = m_pipe[1];
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previous);
        sigaction(SIGTERM, &action, &m_previousTerm);
        if (m_pipe[0] >= 0) {
            m_thread = std::thread([this] { Watch(); });
        }
    }
    ~CInterruptWatch() {
        sigaction(SIGINT, &m_previous, nullptr);
        sigaction(SIGTERM, &m_previousTerm, nullptr);
        g_wakeFd = -1;
        if (m_thread.joinable()) {
            const char byte = 0;
            [[maybe_unused]] const ssize_t ignored = write(m_pipe[1], &byte, 1);
            m_thread.join();
        }
        for (int fd : m_pipe) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

    static bool Interrupted() { return g_interrupted != 0; }

private:
    void Watch() {
        char byte = 0;
        while (read(m_pipe[0], &byte, 1) < 0 && errno == EINTR) {
        }
        if (g_interrupted) {
            m_stop.request_stop();
        }
    }

    std::stop_source& m_stop;
    int m_pipe[2] = {-1, -1};
    struct sigaction m_previous {};
    struct sigaction m_previousTerm {};
    std::thread m_thread;
};

} // namespace

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

std::string ScanFailureLine(const std::string& osPath, const CScanReport& report) {
    if (!report.RootPseudoType().empty()) {
        return osPath + ": on a pseudo file system (" + report.RootPseudoType() +
               "), which is scanned only with --pseudo-fs";
    }
    if (report.RootError() != 0) {
        return osPath + ": cannot read the folder: " + std::strerror(report.RootError());
    }
    return {};
}

void PrintSkippedItems(const CScanReport& report) {
    for (const SSkippedItem& item : report.Items()) {
        std::string line = "quillora-cli: warning: " + RecordOsPath(*item.m_record) + ": " +
                           CScanReport::KindText(item.m_kind);
        if (item.m_error != 0) {
            line += ": ";
            line += std::strerror(item.m_error);
        }
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

std::unique_ptr<SVolumeInfo> ScanMedium(const std::string& osPath, const std::string* label,
                                        const std::string* comment, double* seconds,
                                        CScanReport* report, const SRescan* rescan) {
    auto medium = std::make_unique<SVolumeInfo>();
    const SScanOptions options = ScanOptionsFrom(Config());
    std::stop_source stop;
    CVolumeScanner scanner(options, stop.get_token());
    if (rescan) {
        scanner.SetPrevious(rescan->m_previous, rescan->m_keepUnchanged);
    }
    CScanTicker ticker(scanner);
    scanner.SetProgress(&ticker);
    // The extractors (and their plug-ins) are loaded only for scans that want comments.
    if (options.m_autoComment || options.m_meltAutoComment) {
        CExtractTextManager& extractors = Extractors();
        scanner.SetCommentExtractor(&extractors);
        Expander().SetCommentExtractor(&extractors);
        Expander().SetCommentFilter([&extractors](const SFileInfo& record) {
            return extractors.HasExtractorFor(record.m_strName);
        });
    }
    if (ListArchives()) {
        Expander().SetProgress(&ticker);
        Expander().SetScanOptions(options);
        scanner.SetArchiveLister(&Expander());
    }
    const auto start = std::chrono::steady_clock::now();
    bool cancelled = false;
    {
        CInterruptWatch watch(stop);
        ticker.Start();
        scanner.AddVolume(*medium, osPath, label, comment);
        ticker.Stop();
        cancelled = stop.stop_requested() || CInterruptWatch::Interrupted();
    }
    if (seconds) {
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (report) {
        *report = scanner.Report();
    }
    if (rescan && rescan->m_changes) {
        *rescan->m_changes = scanner.Changes();
    }
    if (cancelled || scanner.Report().RootFailed()) {
        return nullptr;
    }
    return medium;
}

} // namespace quillora::cli
