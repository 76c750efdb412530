// Command-line scanning: a clean Ctrl+C and the progress line.
#include "cli/CliScan.h"
#include "cli/ArchiveServices.h"
#include "cli/ExtractServices.h"
#include "core/ConfigData.h"
#include "extract/ExtractTextManager.h"
#include "model/SFileInfo.h"

#include "cli/ScanTicker.h"
#include "scan/ArchiveExpander.h"
#include "scan/ScanControl.h"
#include "scan/VolumeScanner.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace quillora::cli {

namespace {

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

std::unique_ptr<SVolumeInfo> ScanMedium(const std::string& osPath, const std::string* label,
                                        const std::string* comment, double* seconds) {
    auto medium = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner;
    CScanTicker ticker(scanner);
    scanner.SetProgress(&ticker);
    // The extractors (and their plug-ins) are loaded only for scans that want comments.
    const CConfigData& config = Config();
    if (config.m_nAutoComment || config.m_nMeltAutoComment) {
        CExtractTextManager& extractors = Extractors();
        scanner.SetCommentExtractor(&extractors);
        Expander().SetCommentExtractor(&extractors);
        Expander().SetCommentFilter([&extractors](const SFileInfo& record) {
            return extractors.HasExtractorFor(record.m_strName);
        });
    }
    if (ListArchives()) {
        Expander().SetProgress(&ticker);
        Expander().SetScanOptions(SScanOptions::FromConfig());
        scanner.SetArchiveLister(&Expander());
    }
    const auto start = std::chrono::steady_clock::now();
    bool cancelled = false;
    // Begun before Ctrl+C is watched, so that even an early cancel is kept.
    CScanControl::BeginScan();
    {
        CInterruptWatch watch;
        ticker.Start();
        scanner.AddVolume(*medium, osPath, label, comment);
        ticker.Stop();
        cancelled = CScanControl::IsScanCancelled() || CInterruptWatch::Interrupted();
    }
    if (seconds) {
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (cancelled) {
        return nullptr;
    }
    return medium;
}

} // namespace quillora::cli
