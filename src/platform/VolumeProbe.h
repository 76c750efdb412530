// Facts about a volume — where it is mounted, what file system, label, serial
// number, drive kind and capacity — in the terms the catalogue records them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {

// Drive kinds, numbered like the system drive types the catalogue was designed on.
enum class DriveKind : int {
    Unknown = 0,
    NoRoot = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// "CD-ROM", "removable", "remote", "fixed", "RAM disk", "no root", "unknown".
const char* DriveKindName(DriveKind kind);

struct SVolumeFacts {
    std::string m_root;          // mount point (Linux path); empty when probed unmounted
    std::string m_source;        // mount source as the mount table says, or the probed path
    std::string m_device;        // the block device behind it, when there is one
    std::string m_linuxType;     // "vfat", "iso9660", "ext4", ...
    std::string m_fileSystem;    // the Windows name ("CDFS", "FAT32", "NTFS"), else m_linuxType
    std::string m_label;         // UTF-8; empty when there is none or it cannot be read
    std::uint32_t m_serial = 0;  // 0 when nothing tells it
    bool m_identityRead = false; // the label and serial came from the volume itself or udev
    // An optical disc whose volume descriptors could not be read (m_serialError says
    // why): its serial is a checksum of them that nothing else tells, so it is
    // unknown, never made up from another identifier.
    bool m_serialUnknown = false;
    int m_serialError = 0;
    DriveKind m_kind = DriveKind::Unknown;
    std::string m_networkPath; // remote mounts: the source with "\" separators ("\\srv\share")
    bool m_spaceKnown = false;
    std::uint64_t m_totalBytes = 0;
    std::uint64_t m_freeBytes = 0;      // all free space
    std::uint64_t m_availableBytes = 0; // free space usable by this user
    std::uint32_t m_bytesPerSector = 0;
    std::uint32_t m_sectorsPerCluster = 0;
};

class CVolumeProbe {
public:
    // The facts of the mounted file system that holds a Linux path (the mount-table
    // entry with the longest mount point above the path's real location).
    // Returns 0, or the errno value when the path cannot be resolved (ENOENT, ...)
    // or no mount entry holds it (ENXIO).
    static int ProbePath(const std::string& osPath, SVolumeFacts& facts);

    // The facts of one mount-table entry; `facts.m_root` etc. are filled from the
    // arguments. Capacity comes from the mount point; with askRemote false a network
    // mount is not asked (statvfs on a share whose server is gone can block for
    // minutes) and its capacity stays unknown.
    static void ProbeMount(const std::string& mountPoint, const std::string& source,
                           const std::string& linuxType, SVolumeFacts& facts,
                           bool askRemote = true);

    // The file system inside a disk image file or block device, read without
    // mounting. Returns 0, ENOENT/EACCES/... when it cannot be opened, or
    // EMEDIUMTYPE when no known file system is found. A block device gets its
    // drive kind; an image file stays DriveKind::Unknown. Free bytes are not known.
    static int ProbeImage(const std::string& osPath, SVolumeFacts& facts);

    // The Windows name of a Linux file-system type; `version` is libblkid's VERSION
    // ("FAT12", "FAT16", "FAT32") where it tells the FAT variant. "vfat" without a
    // version stays "vfat" (the caller may tell the variant from the cluster count).
    static std::string WindowsFileSystemName(std::string_view linuxType,
                                             std::string_view version = {});

    // The serial number a libblkid UUID stands for: FAT/exFAT "1A2B-3C4D" ->
    // 0x1A2B3C4D; NTFS (16 hex digits) the low 32 bits; otherwise the first 32 bits
    // (8 hex digits). 0 when the UUID has fewer hex digits than that.
    static std::uint32_t SerialFromUuid(std::string_view linuxType, std::string_view uuid);

    // "//srv/share" -> "\\srv\share", "srv:/export/x" -> "\\srv\export\x";
    // other sources get "\" for "/".
    static std::string NetworkPathFromSource(std::string_view source);

    // File-system types of network mounts.
    static bool IsRemoteType(std::string_view linuxType);

    // File systems that hold no media but the kernel's (proc, sysfs, devtmpfs,
    // cgroup, ...): their files report sizes they do not have, or none.
    static bool IsPseudoFileSystemType(std::string_view linuxType);
};

} // namespace quillora
