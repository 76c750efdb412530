// Drive list from libmount's view of /proc/self/mountinfo.
#include "platform/DriveList.h"

#include <libmount/libmount.h>
#include <memory>

namespace quillora {

namespace {

struct TableDeleter {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
struct IterDeleter {
    void operator()(libmnt_iter* iter) const { mnt_free_iter(iter); }
};

bool StartsWithFolder(std::string_view path, std::string_view folder) {
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

} // namespace

bool CDriveList::IsSystemMount(std::string_view target, std::string_view linuxType) {
    if (CVolumeProbe::IsPseudoFileSystemType(linuxType)) {
        return true;
    }
    if (StartsWithFolder(target, "/proc") || StartsWithFolder(target, "/sys") ||
        StartsWithFolder(target, "/dev")) {
        return true;
    }
    if (StartsWithFolder(target, "/run") && !StartsWithFolder(target, "/run/media")) {
        return true;
    }
    // A mounted case is a view of a catalogue, never a medium; probing it from inside
    // the program that serves it would wait on itself.
    if (linuxType == "fuse.quillora") {
        return true;
    }
    // Snap packages are loop-mounted images, not media.
    return linuxType == "squashfs" && StartsWithFolder(target, "/snap");
}

std::vector<SDrive> CDriveList::ReadFrom(const std::string& mountInfoPath) {
    std::vector<SDrive> drives;
    std::unique_ptr<libmnt_table, TableDeleter> table(
        mnt_new_table_from_file(mountInfoPath.c_str()));
    std::unique_ptr<libmnt_iter, IterDeleter> iter(mnt_new_iter(MNT_ITER_FORWARD));
    if (!table || !iter) {
        return drives;
    }
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        const char* target = mnt_fs_get_target(fs);
        const char* type = mnt_fs_get_fstype(fs);
        const char* source = mnt_fs_get_source(fs);
        if (!target || !type || IsSystemMount(target, type)) {
            continue;
        }
        SVolumeFacts facts;
        CVolumeProbe::ProbeMount(target, source ? source : "", type, facts, false);
        SDrive drive;
        drive.m_root = facts.m_root;
        drive.m_source = facts.m_source;
        drive.m_linuxType = facts.m_linuxType;
        drive.m_fileSystem = facts.m_fileSystem;
        drive.m_kind = facts.m_kind;
        drive.m_label = facts.m_label;
        drive.m_serial = facts.m_serial;
        drive.m_serialUnknown = facts.m_serialUnknown;
        // A mounted share counts as present; whether it answers is the caller's
        // question to ask off the UI thread.
        drive.m_present = facts.m_spaceKnown || facts.m_kind == DriveKind::Remote;
        drives.push_back(std::move(drive));
    }
    return drives;
}

std::vector<SDrive> CDriveList::Read() {
    return ReadFrom("/proc/self/mountinfo");
}

} // namespace quillora
