// Terminal progress line for quillora-cli scan.
#include "cli/ScanTicker.h"

#include "model/MediumPath.h"
#include "model/SFileInfo.h"
#include "scan/VolumeScanner.h"

#include <cstdio>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quillora::cli {

namespace {

std::size_t TerminalWidth() {
    struct winsize ws {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) {
        return ws.ws_col;
    }
    return 80;
}

// The end of `path` in at most `room` columns (counting one per character), with
// "..." in front when cut.
std::string Tail(const std::string& path, std::size_t room) {
    std::size_t chars = 0;
    for (unsigned char c : path) {
        chars += (c & 0xC0) != 0x80;
    }
    if (chars <= room) {
        return path;
    }
    std::size_t drop = chars - (room > 3 ? room - 3 : 0);
    std::size_t i = 0;
    while (i < path.size() && drop > 0) {
        ++i;
        while (i < path.size() && (static_cast<unsigned char>(path[i]) & 0xC0) == 0x80) {
            ++i;
        }
        --drop;
    }
    return "..." + path.substr(i);
}

} // namespace

CScanTicker::CScanTicker(const CVolumeScanner& scanner) : m_scanner(scanner) {}

CScanTicker::~CScanTicker() {
    Stop();
}

void CScanTicker::Post(int code, const SFileInfo* record) {
    if (code == kScanProgressRecord && record && record->IsDirectory()) {
        m_folder.store(record, std::memory_order_release);
    }
}

void CScanTicker::Start() {
    m_start = std::chrono::steady_clock::now();
    if (!isatty(STDERR_FILENO) || m_thread.joinable()) {
        return;
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
}

void CScanTicker::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

void CScanTicker::Run() {
    std::unique_lock lock(m_lock);
    while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop; })) {
        Draw();
    }
}

void CScanTicker::Draw() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    char counts[64];
    std::snprintf(counts, sizeof counts, "%llu entries  %.1f s  ",
                  static_cast<unsigned long long>(m_scanner.EntriesSoFar()), seconds);
    std::string line = counts;
    // The walk never changes a record's name or its medium's root once appended,
    // and the tree outlives this thread, so the newest folder can be read here.
    if (const SFileInfo* folder = m_folder.load(std::memory_order_acquire)) {
        const std::size_t width = TerminalWidth() - 1;
        line += Tail(RecordOsPath(*folder), width > line.size() ? width - line.size() : 1);
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}

} // namespace quillora::cli
