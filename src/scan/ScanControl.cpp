// Scan flags under one mutex.
#include "scan/ScanControl.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace quillora {

namespace {

struct SScanFlags {
    std::mutex m_lock;
    bool m_cancel = false;
    bool m_finished = true; // no scan has run yet
    bool m_prepared = false;
};

SScanFlags& Flags() {
    static SScanFlags flags;
    return flags;
}

} // namespace

void CScanControl::BeginScan() {
    SScanFlags& f = Flags();
    std::lock_guard lock(f.m_lock);
    f.m_cancel = false;
    f.m_finished = false;
    f.m_prepared = true;
}

void CScanControl::EnterScan() {
    SScanFlags& f = Flags();
    std::lock_guard lock(f.m_lock);
    if (!f.m_prepared) {
        f.m_cancel = false;
    }
    f.m_prepared = false;
    f.m_finished = false;
}

void CScanControl::ClearScanCancel() {
    SScanFlags& f = Flags();
    std::lock_guard lock(f.m_lock);
    f.m_cancel = false;
}

bool CScanControl::IsScanCancelled() {
    SScanFlags& f = Flags();
    std::lock_guard lock(f.m_lock);
    return f.m_cancel;
}

void CScanControl::SetScanFinished(bool finished) {
    SScanFlags& f = Flags();
    std::lock_guard lock(f.m_lock);
    f.m_finished = finished;
}

bool CScanControl::IsScanFinished() {
    SScanFlags& f = Flags();
    std::lock_guard lock(f.m_lock);
    return f.m_finished;
}

void CScanControl::RequestScanCancel() {
    {
        SScanFlags& f = Flags();
        std::lock_guard lock(f.m_lock);
        f.m_cancel = true;
    }
    while (!IsScanFinished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace quillora
