// The table of this computer's removable, optical and network drives, refreshed on
// every mount change, and ejecting their media.
#pragma once

#include "platform/DriveList.h"

#include <cstddef>
#include <cstdint>
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
};

// One per process, owned by the application; used on the UI thread.
class CDriveTable {
public:
    // Rebuilds the table from the mount table and marks what changed.
    void RefreshDriveTable();
    // The same from a given drive list (in mount-table order).
    void RefreshDriveTable(const std::vector<SDrive>& drives);

    // The first entry that is both present and changed; false when none.
    bool FirstChangedPresentDrive(SDriveEntry& entry) const;

    const std::vector<SDriveEntry>& Entries() const { return m_entries; }

    // Ejects the medium of the entry at `index` when it is a removable or optical
    // drive. False (with the reason in `error` when given) otherwise or on failure.
    bool EjectByDrive(std::size_t index, std::string* error = nullptr) const;

    // Drives of the table: removable, remote or optical, never a floppy drive.
    static bool IsListed(const SDrive& drive);
    // Floppy drives (/dev/fd0, ...) stand where the first two drive letters stood.
    static bool IsFloppy(const SDrive& drive);

private:
    std::vector<SDriveEntry> m_entries;
};

} // namespace quillora
