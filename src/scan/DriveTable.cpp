// Drive table over the platform's drive list.
#include "scan/DriveTable.h"

#include "core/Text.h"
#include "core/TraceLog.h"
#include "model/SVolumeInfo.h"
#include "platform/Eject.h"

#include <sys/statvfs.h>

namespace quillora {

namespace {

constexpr std::uint32_t kReadOnlyVolume = 0x00080000;

SDriveEntry EntryFor(const SDrive& drive, int position) {
    SDriveEntry entry;
    entry.m_root = drive.m_root;
    entry.m_kind = drive.m_kind;
    entry.m_nPosition = position;
    if (!drive.m_present) {
        return entry;
    }
    entry.m_present = 1;
    entry.m_source = drive.m_source;
    entry.m_fileSystem = drive.m_fileSystem;
    entry.m_serial = drive.m_serial;
    entry.m_label = drive.m_label.empty() ? FormatSerialNumber(drive.m_serial) : drive.m_label;
    entry.m_maxComponentLength = 255;
    // A share whose server is gone can block statvfs for minutes; ask local media only.
    struct statvfs vfs {};
    if (drive.m_kind != DriveKind::Remote && statvfs(drive.m_root.c_str(), &vfs) == 0) {
        entry.m_maxComponentLength = static_cast<std::uint32_t>(vfs.f_namemax);
        entry.m_fileSystemFlags = (vfs.f_flag & ST_RDONLY) ? kReadOnlyVolume : 0;
    }
    return entry;
}

} // namespace

CDriveTable::CDriveTable(DriveSource drives) : m_source(std::move(drives)) {}

bool CDriveTable::IsFloppy(const SDrive& drive) {
    const std::string_view source = drive.m_source;
    return source.size() > 7 && source.substr(0, 7) == "/dev/fd" && source[7] >= '0' &&
           source[7] <= '9';
}

bool CDriveTable::IsListed(const SDrive& drive) {
    const bool kindListed = drive.m_kind == DriveKind::Removable ||
                            drive.m_kind == DriveKind::Remote || drive.m_kind == DriveKind::CdRom;
    return kindListed && !IsFloppy(drive);
}

bool CDriveTable::IsWatched(const SDrive& drive, int position, const SDriveChoice& choice) {
    return IsListed(drive) && choice.IsUsed(position);
}

void CDriveTable::RefreshDriveTable() {
    RefreshDriveTable(m_source());
}

void CDriveTable::RefreshDriveTable(const std::vector<SDrive>& drives) {
    std::vector<SDriveEntry> fresh;
    for (std::size_t position = 0; position < drives.size(); ++position) {
        if (IsListed(drives[position])) {
            fresh.push_back(EntryFor(drives[position], static_cast<int>(position)));
            fresh.back().m_changed = 1;
        }
    }
    for (const SDriveEntry& old : m_entries) {
        for (SDriveEntry& entry : fresh) {
            if (entry.m_root == old.m_root) {
                if (entry.m_present == old.m_present) {
                    entry.m_changed = 0;
                }
                break;
            }
        }
    }
    m_entries = std::move(fresh);
    LogFormat("RefreshDriveTable() %zu drives", m_entries.size());
}

bool CDriveTable::FirstChangedPresentDrive(SDriveEntry& entry, const SDriveChoice& choice) const {
    for (const SDriveEntry& candidate : m_entries) {
        if (candidate.m_present && candidate.m_changed && choice.IsUsed(candidate.m_nPosition)) {
            entry = candidate;
            return true;
        }
    }
    return false;
}

bool CDriveTable::EjectByDrive(std::size_t index, std::string* error) const {
    if (index >= m_entries.size()) {
        if (error) {
            *error = "no such drive";
        }
        return false;
    }
    const SDriveEntry& entry = m_entries[index];
    if (entry.m_kind != DriveKind::Removable && entry.m_kind != DriveKind::CdRom) {
        if (error) {
            *error = "not a removable or optical drive";
        }
        return false;
    }
    return CEject::EjectDrive(entry.m_root, error);
}

} // namespace quillora
