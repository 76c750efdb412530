// Mount-table watcher on a QSocketNotifier.
#include "app/DeviceWatcher.h"

#include "core/TraceLog.h"
#include "document/CCaseDocument.h"

#include <QMetaObject>
#include <QSocketNotifier>

namespace quillora {

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
    m_drives = now;
    for (const SDrive& drive : changes.m_removals) {
        Deliver(kDeviceRemoveComplete, drive);
    }
    for (const SDrive& drive : changes.m_arrivals) {
        Deliver(kDeviceArrival, drive);
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
