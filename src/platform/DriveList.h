// The drives of this computer: the mounted media, in mount-table order, with the
// facts the catalogue matches registered media by.
#pragma once

#include "platform/VolumeProbe.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

struct SDrive {
    std::string m_root;       // mount point
    std::string m_source;     // mount source (device, server share, ...)
    std::string m_linuxType;  // file-system type as mounted
    std::string m_fileSystem; // Windows name of the file system
    DriveKind m_kind = DriveKind::Unknown;
    std::string m_label; // empty when the volume has none or it cannot be read
    std::uint32_t m_serial = 0;
    // The disc's volume descriptors could not be read: m_serial means nothing.
    bool m_serialUnknown = false;
    bool m_present = false; // the file system answered (statvfs); network mounts
                            // are not asked and count as present
};

class CDriveList {
public:
    // Reads the mount table of this process and probes each medium. Pseudo file
    // systems and the system's own mounts below /proc, /sys, /dev and /run (but
    // /run/media, where desktops mount media) are left out.
    static std::vector<SDrive> Read();

    // The same from a mountinfo file (for a fixed table); empty when unreadable.
    static std::vector<SDrive> ReadFrom(const std::string& mountInfoPath);

    // True for the mounts Read leaves out.
    static bool IsSystemMount(std::string_view target, std::string_view linuxType);
};

} // namespace quillora
