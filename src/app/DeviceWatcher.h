// Watches the mount table from the event loop and hands arrivals and removals of
// media to the document through queued calls, so that the watcher never waits for a
// dialog the document may show.
#pragma once

#include "platform/DriveList.h"
#include "platform/MountMonitor.h"

#include <QObject>

#include <functional>
#include <utility>
#include <vector>

class QSocketNotifier;

namespace quillora {

class CDeviceWatcher : public QObject {
    Q_OBJECT
public:
    // `deliver(event, deviceType)` runs later on the event loop for every change.
    explicit CDeviceWatcher(std::function<void(int, int)> deliver, QObject* parent = nullptr);
    ~CDeviceWatcher() override;

    // Starts watching; false when the mount table cannot be watched.
    bool Start();
    // Compares the mounts now with the last known ones and delivers the arrivals and
    // removals of watched drives (CDriveTable::IsWatched); other mounts are ignored.
    void CheckChanges();
    // The same with a given drive list (tests).
    void CheckChanges(const std::vector<SDrive>& now);

private:
    void Deliver(int event, const SDrive& drive);

    std::function<void(int, int)> m_deliver;
    CMountMonitor m_monitor;
    QSocketNotifier* m_pNotifier = nullptr;
    std::vector<SDrive> m_drives;
};

} // namespace quillora
