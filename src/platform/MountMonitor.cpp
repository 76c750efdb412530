// Mount-table monitoring through libmount's kernel monitor.
#include "platform/MountMonitor.h"

#include <algorithm>
#include <cerrno>
#include <libmount/libmount.h>

namespace quillora {

namespace {

bool SameDrive(const SDrive& a, const SDrive& b) {
    return a.m_root == b.m_root && a.m_source == b.m_source;
}

bool Contains(const std::vector<SDrive>& list, const SDrive& drive) {
    return std::any_of(list.begin(), list.end(),
                       [&](const SDrive& other) { return SameDrive(other, drive); });
}

} // namespace

CMountMonitor::~CMountMonitor() {
    Close();
}

int CMountMonitor::Open() {
    Close();
    m_monitor = mnt_new_monitor();
    if (!m_monitor) {
        return ENOMEM;
    }
    int rc = mnt_monitor_enable_kernel(m_monitor, 1);
    if (rc == 0) {
        rc = mnt_monitor_get_fd(m_monitor);
    }
    if (rc < 0) {
        Close();
        return -rc;
    }
    m_fd = rc;
    return 0;
}

void CMountMonitor::Close() {
    if (m_monitor) {
        mnt_unref_monitor(m_monitor);
        m_monitor = nullptr;
    }
    m_fd = -1;
}

bool CMountMonitor::Wait(int timeoutMs) {
    if (!m_monitor) {
        return false;
    }
    if (mnt_monitor_wait(m_monitor, timeoutMs) <= 0) {
        return false;
    }
    Drain();
    return true;
}

bool CMountMonitor::Drain() {
    if (!m_monitor) {
        return false;
    }
    bool changed = false;
    while (mnt_monitor_next_change(m_monitor, nullptr, nullptr) == 0) {
        changed = true;
    }
    return changed;
}

SDriveChanges CMountMonitor::Diff(const std::vector<SDrive>& before,
                                  const std::vector<SDrive>& after) {
    SDriveChanges changes;
    for (const SDrive& drive : after) {
        if (!Contains(before, drive)) {
            changes.m_arrivals.push_back(drive);
        }
    }
    for (const SDrive& drive : before) {
        if (!Contains(after, drive)) {
            changes.m_removals.push_back(drive);
        }
    }
    return changes;
}

} // namespace quillora
