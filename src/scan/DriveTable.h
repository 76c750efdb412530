// The table of this computer's removable, optical and network drives, refreshed on
// every mount change, and ejecting their media.
#pragma once

#include "platform/DriveList.h"
#include "scan/DriveChoice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillora {

struct SDriveEntry {
    std::string m_root;   // mount point
    std::string m_source; // mount source (device, share)
    std::string m_fileSystem;
    // The volume label; "%04X-%04X" of the serial when the volume has none. Empty
    // (like every text but the root) when the volume cannot be read.
    std::string m_label;
    std::uint32_t m_serial = 0;
    std::uint32_t m_maxComponentLength = 0;
    std::uint32_t m_fileSystemFlags = 0; // 0x00080000 for a read-only volume
    int m_present = 0;                   // the volume could be read
    int m_changed = 0;                   // new, or its presence changed, at the last refresh
    DriveKind m_kind = DriveKind::Unknown;
    int m_nPosition = 0; // position in the drive list, which "DriveUse" counts by
};

// One per process, owned by the application; used on the UI thread.
class CDriveTable {
public:
    using DriveSource = std::function<std::vector<SDrive>()>;

    // `drives` lists the mounted drives in mount-table order; the real mount table by
    // default.
    explicit CDriveTable(DriveSource drives = &CDriveList::Read);

    // The drive list the table is built from (and the add dialog offers).
    std::vector<SDrive> ReadDrives() const { return m_source(); }

    // Rebuilds the table from the drive list and marks what changed.
    void RefreshDriveTable();
    // The same from a given drive list (in mount-table order).
    void RefreshDriveTable(const std::vector<SDrive>& drives);

    // The first entry that is present, changed and enabled by the drive-use settings
    // `choice`: the drive a medium was just inserted into. False when none.
    bool FirstChangedPresentDrive(SDriveEntry& entry, const SDriveChoice& choice) const;

    const std::vector<SDriveEntry>& Entries() const { return m_entries; }

    // Ejects the medium of the entry at `index` when it is a removable or optical
    // drive. False (with the reason in `error` when given) otherwise or on failure.
    bool EjectByDrive(std::size_t index, std::string* error = nullptr) const;

    // Drives of the table: removable, remote or optical, never a floppy drive.
    static bool IsListed(const SDrive& drive);
    // Floppy drives (/dev/fd0, ...) stand where the first two drive letters stood.
    static bool IsFloppy(const SDrive& drive);
    // Whether the program reacts to this drive arriving or leaving: a drive of the
    // table that the drive-use settings `choice` enable at its `position` in the drive
    // list. Other mounts (the system's disks, RAM disks, containers, FUSE file
    // systems) are none of its business.
    static bool IsWatched(const SDrive& drive, int position, const SDriveChoice& choice);

private:
    DriveSource m_source;
    std::vector<SDriveEntry> m_entries;
};

} // namespace quillora
