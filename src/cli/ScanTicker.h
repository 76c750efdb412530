// Live progress of a batch scan on a terminal: the folder being read, the entries
// so far and the time taken, redrawn about ten times a second on stderr.
#pragma once

#include "scan/IScanProgress.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillora {
class CVolumeScanner;
}

namespace quillora::cli {

class CScanTicker : public IScanProgress {
public:
    explicit CScanTicker(const CVolumeScanner& scanner);
    ~CScanTicker() override;

    // Keeps the newest folder; never waits.
    void Post(int code, const SFileInfo* record) override;

    // Starts redrawing (only when stderr is a terminal); Stop clears the line. Stop
    // must come before the records the ticker may show are deleted.
    void Start();
    void Stop();

private:
    void Run();
    void Draw();

    const CVolumeScanner& m_scanner;
    std::atomic<const SFileInfo*> m_folder{nullptr};
    std::chrono::steady_clock::time_point m_start;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
};

} // namespace quillora::cli
