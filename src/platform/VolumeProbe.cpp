// Volume facts from the mount table (libmount), the superblock (libblkid), the
// ISO 9660 descriptors, sysfs and udev's links, and statvfs for the capacity.
#include "platform/VolumeProbe.h"

#include "core/LittleEndian.h"
#include "platform/IsoVolumeDescriptors.h"

#include <array>
#include <blkid/blkid.h>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <libmount/libmount.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillora {

namespace {

struct TableDeleter {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
struct ProbeDeleter {
    void operator()(blkid_struct_probe* probe) const { blkid_free_probe(probe); }
};
using TablePtr = std::unique_ptr<libmnt_table, TableDeleter>;
using ProbePtr = std::unique_ptr<blkid_struct_probe, ProbeDeleter>;

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The sysfs folder of the whole disk a block device belongs to ("" when unknown).
std::string SysfsDiskDir(const std::string& device) {
    struct stat st {};
    if (stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) {
        return {};
    }
    const std::string link = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                             std::to_string(minor(st.st_rdev));
    std::string dir = RealPath(link);
    if (dir.empty()) {
        return {};
    }
    if (access((dir + "/partition").c_str(), F_OK) == 0) {
        dir.erase(dir.rfind('/'));
    }
    return dir;
}

bool IsOpticalType(std::string_view linuxType) {
    return linuxType == "iso9660" || linuxType == "udf";
}

DriveKind KindOfDevice(const std::string& device, std::string_view linuxType) {
    const std::string disk = SysfsDiskDir(device);
    const std::string name = BaseName(disk.empty() ? device : disk);
    if (StartsWith(name, "sr") || (!disk.empty() && ReadLine(disk + "/device/type") == "5")) {
        return DriveKind::CdRom;
    }
    // A disc image attached to a loop device stands in for a disc in a drive.
    if (StartsWith(name, "loop") && IsOpticalType(linuxType)) {
        return DriveKind::CdRom;
    }
    if (StartsWith(name, "fd") || (!disk.empty() && ReadLine(disk + "/removable") == "1")) {
        return DriveKind::Removable;
    }
    return DriveKind::Fixed;
}

std::uint32_t LogicalSectorSize(const std::string& device) {
    const std::string disk = SysfsDiskDir(device);
    if (!disk.empty()) {
        const unsigned long size =
            std::strtoul(ReadLine(disk + "/queue/logical_block_size").c_str(), nullptr, 10);
        if (size >= 512 && size <= 65536) {
            return static_cast<std::uint32_t>(size);
        }
    }
    return 512;
}

// udev escapes bytes in link names as "\xNN".
std::string DecodeUdevName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const std::string hex(name.substr(i + 2, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

// The name of the first link in a /dev/disk folder that points at the device.
std::string UdevLinkName(const std::string& folder, const std::string& realDevice) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return {};
    }
    std::string found;
    while (const struct dirent* ent = readdir(dir)) {
        if (ent->d_name[0] == '.') {
            continue;
        }
        if (RealPath(folder + "/" + ent->d_name) == realDevice) {
            found = ent->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

void IdentityFromUdev(const std::string& device, SVolumeFacts& facts) {
    const std::string realDevice = RealPath(device);
    if (realDevice.empty()) {
        return;
    }
    const std::string label = UdevLinkName("/dev/disk/by-label", realDevice);
    const std::string uuid = UdevLinkName("/dev/disk/by-uuid", realDevice);
    if (label.empty() && uuid.empty()) {
        return;
    }
    facts.m_label = DecodeUdevName(label);
    facts.m_serial = CVolumeProbe::SerialFromUuid(facts.m_linuxType, uuid);
    facts.m_identityRead = true;
}

// Only the label, for a disc whose serial cannot be read.
void LabelFromUdev(const std::string& device, SVolumeFacts& facts) {
    const std::string realDevice = RealPath(device);
    if (!realDevice.empty() && facts.m_label.empty()) {
        facts.m_label = DecodeUdevName(UdevLinkName("/dev/disk/by-label", realDevice));
    }
}

std::string ProbeValue(blkid_probe probe, const char* name) {
    const char* value = nullptr;
    if (blkid_probe_lookup_value(probe, name, &value, nullptr) == 0 && value) {
        return value;
    }
    return {};
}

struct SSuperblock {
    std::string m_type;
    std::string m_version;
    std::string m_label;
    std::string m_uuid;
};

// 0 and the superblock facts, else the errno of opening or EMEDIUMTYPE.
int ReadSuperblock(const std::string& path, SSuperblock& sb) {
    errno = 0;
    ProbePtr probe(blkid_new_probe_from_filename(path.c_str()));
    if (!probe) {
        return errno ? errno : EIO;
    }
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID |
                                                       BLKID_SUBLKS_TYPE | BLKID_SUBLKS_VERSION);
    blkid_probe_enable_partitions(probe.get(), 0);
    if (blkid_do_safeprobe(probe.get()) != 0) {
        return EMEDIUMTYPE;
    }
    sb.m_type = ProbeValue(probe.get(), "TYPE");
    sb.m_version = ProbeValue(probe.get(), "VERSION");
    sb.m_label = ProbeValue(probe.get(), "LABEL");
    sb.m_uuid = ProbeValue(probe.get(), "UUID");
    return sb.m_type.empty() ? EMEDIUMTYPE : 0;
}

// Size and geometry of a FAT volume from its boot sector.
void FatGeometry(const std::string& path, SVolumeFacts& facts) {
    std::array<unsigned char, 64> boot{};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const ssize_t n = pread(fd, boot.data(), boot.size(), 0);
    close(fd);
    if (n != static_cast<ssize_t>(boot.size())) {
        return;
    }
    const std::uint32_t bytesPerSector = Le16(&boot[11]);
    const std::uint32_t sectorsPerCluster = boot[13];
    const std::uint32_t sectors = Le16(&boot[19]) ? Le16(&boot[19]) : Le32(&boot[32]);
    if (bytesPerSector < 512 || bytesPerSector > 4096 || sectorsPerCluster == 0) {
        return;
    }
    facts.m_bytesPerSector = bytesPerSector;
    facts.m_sectorsPerCluster = sectorsPerCluster;
    facts.m_totalBytes = std::uint64_t(sectors) * bytesPerSector;
}

// Label, serial and the file-system variant read from the volume itself.
void ReadIdentity(const std::string& path, SVolumeFacts& facts, SSuperblock& sb) {
    if (IsOpticalType(facts.m_linuxType) || IsOpticalType(sb.m_type)) {
        int error = 0;
        if (const std::optional<SIsoIdentity> iso = CIsoVolumeDescriptors::ReadFile(path, &error)) {
            facts.m_serial = iso->m_serial;
            facts.m_label = iso->m_label;
            facts.m_identityRead = true;
            if (facts.m_linuxType == "udf" && !sb.m_label.empty()) {
                facts.m_label = sb.m_label;
            }
            return;
        }
        if (error != 0) {
            // The device may not be read by this user: the serial stays unknown.
            // Whatever else names the disc (udev's UUID of an ISO 9660 volume is its
            // creation time) is no serial, and a wrong one never matches the record.
            facts.m_serialUnknown = true;
            facts.m_serialError = error;
            if (!sb.m_type.empty()) {
                facts.m_label = sb.m_label;
            }
            return;
        }
    }
    if (sb.m_type.empty()) {
        return;
    }
    facts.m_label = sb.m_label;
    facts.m_serial = CVolumeProbe::SerialFromUuid(sb.m_type, sb.m_uuid);
    facts.m_identityRead = true;
}

// FAT12/16 and FAT32 differ by cluster count; statvfs of a mounted vfat counts clusters.
std::string FatNameFromClusters(std::uint64_t clusters) {
    return clusters >= 65525 ? "FAT32" : "FAT";
}

void FillSpace(const std::string& path, SVolumeFacts& facts) {
    struct statvfs vfs {};
    if (statvfs(path.c_str(), &vfs) != 0) {
        return;
    }
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    facts.m_spaceKnown = true;
    facts.m_totalBytes = std::uint64_t(vfs.f_blocks) * unit;
    facts.m_freeBytes = std::uint64_t(vfs.f_bfree) * unit;
    facts.m_availableBytes = std::uint64_t(vfs.f_bavail) * unit;
    if (facts.m_bytesPerSector == 0) {
        facts.m_bytesPerSector = facts.m_device.empty() ? 512 : LogicalSectorSize(facts.m_device);
    }
    const std::uint64_t perCluster = unit / facts.m_bytesPerSector;
    facts.m_sectorsPerCluster = static_cast<std::uint32_t>(perCluster ? perCluster : 1);
    if (facts.m_linuxType == "vfat" && facts.m_fileSystem == "vfat") {
        facts.m_fileSystem = FatNameFromClusters(vfs.f_blocks);
    }
}

} // namespace

const char* DriveKindName(DriveKind kind) {
    switch (kind) {
    case DriveKind::CdRom:
        return "CD-ROM";
    case DriveKind::Removable:
        return "removable";
    case DriveKind::Remote:
        return "remote";
    case DriveKind::Fixed:
        return "fixed";
    case DriveKind::RamDisk:
        return "RAM disk";
    case DriveKind::NoRoot:
        return "no root";
    case DriveKind::Unknown:
        break;
    }
    return "unknown";
}

std::string CVolumeProbe::WindowsFileSystemName(std::string_view linuxType,
                                                std::string_view version) {
    if (linuxType == "iso9660") {
        return "CDFS";
    }
    if (linuxType == "udf") {
        return "UDF";
    }
    if (linuxType == "vfat") {
        if (version == "FAT32") {
            return "FAT32";
        }
        return version.empty() ? std::string(linuxType) : "FAT";
    }
    if (linuxType == "msdos") {
        return "FAT";
    }
    if (linuxType == "ntfs" || linuxType == "ntfs3") {
        return "NTFS";
    }
    if (linuxType == "exfat") {
        return "exFAT";
    }
    return std::string(linuxType);
}

std::uint32_t CVolumeProbe::SerialFromUuid(std::string_view linuxType, std::string_view uuid) {
    std::string hex;
    for (char c : uuid) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            hex += c;
        } else if (c != '-') {
            return 0;
        }
    }
    if (hex.size() < 8) {
        return 0;
    }
    // NTFS has a 64-bit serial; Windows shows its low half.
    const bool lowHalf = linuxType == "ntfs" || linuxType == "ntfs3";
    const std::string digits = lowHalf ? hex.substr(hex.size() - 8) : hex.substr(0, 8);
    return static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

bool CVolumeProbe::IsPseudoFileSystemType(std::string_view linuxType) {
    static constexpr std::string_view kPseudo[] = {"proc",
                                                   "sysfs",
                                                   "cgroup",
                                                   "cgroup2",
                                                   "devtmpfs",
                                                   "devpts",
                                                   "mqueue",
                                                   "securityfs",
                                                   "debugfs",
                                                   "tracefs",
                                                   "bpf",
                                                   "pstore",
                                                   "configfs",
                                                   "fusectl",
                                                   "hugetlbfs",
                                                   "autofs",
                                                   "binfmt_misc",
                                                   "nsfs",
                                                   "rpc_pipefs",
                                                   "efivarfs",
                                                   "selinuxfs",
                                                   "nfsd",
                                                   "fuse.gvfsd-fuse",
                                                   "fuse.portal"};
    for (std::string_view pseudo : kPseudo) {
        if (linuxType == pseudo) {
            return true;
        }
    }
    return false;
}

bool CVolumeProbe::IsRemoteType(std::string_view linuxType) {
    static constexpr std::string_view kRemote[] = {
        "nfs",   "nfs4",        "cifs",        "smb3",           "smbfs",  "ncpfs",
        "9p",    "afs",         "ceph",        "glusterfs",      "sshfs",  "fuse.sshfs",
        "davfs", "fuse.davfs2", "fuse.rclone", "fuse.glusterfs", "lustre", "coda"};
    for (std::string_view remote : kRemote) {
        if (linuxType == remote) {
            return true;
        }
    }
    return false;
}

std::string CVolumeProbe::NetworkPathFromSource(std::string_view source) {
    std::string path;
    const std::size_t colon = source.find(':');
    if (!StartsWith(source, "//") && colon != std::string_view::npos && colon > 0 &&
        source.find('/') > colon) {
        // host:/export form (NFS, sshfs): the host becomes the server part.
        std::string_view host = source.substr(0, colon);
        if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
            host.remove_prefix(at + 1);
        }
        std::string_view rest = source.substr(colon + 1);
        while (!rest.empty() && rest.front() == '/') {
            rest.remove_prefix(1);
        }
        path = "//" + std::string(host);
        if (!rest.empty()) {
            path += "/" + std::string(rest);
        }
    } else {
        path = source;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

void CVolumeProbe::ProbeMount(const std::string& mountPoint, const std::string& source,
                              const std::string& linuxType, SVolumeFacts& facts, bool askRemote) {
    facts = SVolumeFacts{};
    facts.m_root = mountPoint;
    facts.m_source = source;
    facts.m_linuxType = linuxType;
    facts.m_fileSystem = WindowsFileSystemName(linuxType);
    if (IsRemoteType(linuxType)) {
        facts.m_kind = DriveKind::Remote;
        facts.m_networkPath = NetworkPathFromSource(source);
    } else if (linuxType == "tmpfs" || linuxType == "ramfs") {
        facts.m_kind = DriveKind::RamDisk;
    } else if (StartsWith(source, "/dev/")) {
        facts.m_device = source;
        facts.m_kind = KindOfDevice(source, linuxType);
    } else {
        facts.m_kind = DriveKind::Fixed;
    }
    if (!facts.m_device.empty()) {
        SSuperblock sb;
        const int error = ReadSuperblock(facts.m_device, sb);
        if (error == 0 || IsOpticalType(linuxType)) {
            ReadIdentity(facts.m_device, facts, sb);
            if (!sb.m_type.empty()) {
                const std::string& type = linuxType == "fuseblk" ? sb.m_type : linuxType;
                facts.m_fileSystem = WindowsFileSystemName(type, sb.m_version);
            }
        }
        if (facts.m_serialUnknown) {
            LabelFromUdev(facts.m_device, facts);
        } else if (!facts.m_identityRead) {
            IdentityFromUdev(facts.m_device, facts);
        }
    }
    if (askRemote || facts.m_kind != DriveKind::Remote) {
        FillSpace(mountPoint, facts);
    }
}

int CVolumeProbe::ProbePath(const std::string& osPath, SVolumeFacts& facts) {
    const std::string real = RealPath(osPath);
    if (real.empty()) {
        return errno ? errno : ENOENT;
    }
    TablePtr table(mnt_new_table_from_file("/proc/self/mountinfo"));
    if (!table) {
        return ENXIO;
    }
    libmnt_fs* fs = mnt_table_find_mountpoint(table.get(), real.c_str(), MNT_ITER_BACKWARD);
    if (!fs || !mnt_fs_get_target(fs)) {
        return ENXIO;
    }
    const char* source = mnt_fs_get_source(fs);
    const char* type = mnt_fs_get_fstype(fs);
    ProbeMount(mnt_fs_get_target(fs), source ? source : "", type ? type : "", facts);
    return 0;
}

int CVolumeProbe::ProbeImage(const std::string& osPath, SVolumeFacts& facts) {
    facts = SVolumeFacts{};
    facts.m_source = osPath;
    struct stat st {};
    if (stat(osPath.c_str(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
        return ENOTBLK;
    }
    SSuperblock sb;
    if (const int error = ReadSuperblock(osPath, sb)) {
        return error;
    }
    facts.m_linuxType = sb.m_type;
    facts.m_fileSystem = WindowsFileSystemName(sb.m_type, sb.m_version);
    if (S_ISBLK(st.st_mode)) {
        facts.m_device = osPath;
        facts.m_kind = KindOfDevice(osPath, sb.m_type);
    }
    ReadIdentity(osPath, facts, sb);
    if (IsOpticalType(sb.m_type)) {
        if (const std::optional<SIsoIdentity> iso = CIsoVolumeDescriptors::ReadFile(osPath)) {
            facts.m_totalBytes = iso->m_totalBytes;
            facts.m_bytesPerSector = CIsoVolumeDescriptors::kSectorSize;
            facts.m_sectorsPerCluster = 1;
        }
    } else if (sb.m_type == "vfat" || sb.m_type == "msdos") {
        FatGeometry(osPath, facts);
    }
    return 0;
}

} // namespace quillora
