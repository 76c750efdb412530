// Watches the kernel mount table and tells which drives arrived or left.
#pragma once

#include "platform/DriveList.h"

#include <string>
#include <vector>

struct libmnt_monitor;

namespace quillora {

struct SDriveChanges {
    std::vector<SDrive> m_arrivals; // in the order of the new list
    std::vector<SDrive> m_removals; // in the order of the old list
    bool Empty() const { return m_arrivals.empty() && m_removals.empty(); }
};

class CMountMonitor {
public:
    CMountMonitor() = default;
    ~CMountMonitor();
    CMountMonitor(const CMountMonitor&) = delete;
    CMountMonitor& operator=(const CMountMonitor&) = delete;

    // Starts watching the kernel mount table. Returns 0 or a (positive) errno value.
    int Open();
    void Close();
    bool IsOpen() const { return m_monitor != nullptr; }

    // A descriptor that becomes readable when the mount table changed; for an
    // event loop (call Drain when it fires). -1 when not open.
    int Fd() const { return m_fd; }

    // Waits up to timeoutMs (-1: without limit) for a change, then drains it.
    // True when the mount table changed.
    bool Wait(int timeoutMs);

    // Consumes the pending change notices without waiting; true when there were any.
    bool Drain();

    // Arrivals and removals between two drive lists; a drive is the same when its
    // mount point and source are.
    static SDriveChanges Diff(const std::vector<SDrive>& before, const std::vector<SDrive>& after);

private:
    libmnt_monitor* m_monitor = nullptr;
    int m_fd = -1;
};

} // namespace quillora
