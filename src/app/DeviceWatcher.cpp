// Mount-table watcher on a QSocketNotifier.
#include "app/DeviceWatcher.h"

#include "core/ConfigData.h"
#include "core/TraceLog.h"
#include "document/CCaseDocument.h"
#include "document/JobOptions.h"
#include "scan/DriveTable.h"

#include <QMetaObject>
#include <QSocketNotifier>

namespace quillora {

namespace {

// Whether the drive, found in `list` (where its position counts for "DriveUse"), is
// one the program watches.
bool IsWatchedIn(const SDrive& drive, const std::vector<SDrive>& list) {
    for (std::size_t position = 0; position < list.size(); ++position) {
        if (list[position].m_root == drive.m_root && list[position].m_source == drive.m_source) {
            return CDriveTable::IsWatched(drive, static_cast<int>(position),
                                          DriveChoiceFrom(Config()));
        }
    }
    return false;
}

} // namespace

CDeviceWatcher::CDeviceWatcher(std::function<void(int, int)> deliver, QObject* parent)
    : QObject(parent), m_deliver(std::move(deliver)) {}

CDeviceWatcher::~CDeviceWatcher() = default;

bool CDeviceWatcher::Start() {
    m_drives = CDriveList::Read();
    if (m_monitor.Open() != 0 || m_monitor.Fd() < 0) {
        Log("CDeviceWatcher: the mount table cannot be watched");
        return false;
    }
    m_pNotifier = new QSocketNotifier(m_monitor.Fd(), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] {
        m_monitor.Drain();
        CheckChanges();
    });
    return true;
}

void CDeviceWatcher::CheckChanges() {
    CheckChanges(CDriveList::Read());
}

void CDeviceWatcher::CheckChanges(const std::vector<SDrive>& now) {
    SDriveChanges changes = CMountMonitor::Diff(m_drives, now);
    const std::vector<SDrive> before = std::exchange(m_drives, now);
    // Mounts of other kinds come and go all the time (RAM disks, containers, FUSE
    // file systems, the system's own); only media drives reach the document.
    for (const SDrive& drive : changes.m_removals) {
        if (IsWatchedIn(drive, before)) {
            Deliver(kDeviceRemoveComplete, drive);
        }
    }
    for (const SDrive& drive : changes.m_arrivals) {
        if (IsWatchedIn(drive, now)) {
            Deliver(kDeviceArrival, drive);
        }
    }
}

void CDeviceWatcher::Deliver(int event, const SDrive& drive) {
    Log("<<OnDeviceChange() information start>>");
    Log(event == kDeviceArrival ? "nEventType = DBT_DEVICEARRIVAL"
                                : "nEventType = DBT_DEVICEREMOVECOMPLETE");
    Log("DEV_BROADCAST_HDR::dbch_devicetype = DBT_DEVTYP_VOLUME");
    LogFormat("detected unit = %s,", drive.m_root.c_str());
    Log("<<OnDeviceChange() information end>>");
    QMetaObject::invokeMethod(
        this, [deliver = m_deliver, event] { deliver(event, kDeviceTypeVolume); },
        Qt::QueuedConnection);
}

} // namespace quillora
