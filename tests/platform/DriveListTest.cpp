// The drive list from a mount table written at test time and from this process's
// own table; the monitor's arrival and removal diff; a real mount seen by the monitor.
#include "platform/DriveList.h"
#include "PlatformTestTools.h"
#include "platform/MountMonitor.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::RunTool;
using quillora::test::ScratchDir;

namespace {

SDrive Drive(std::string root, std::string source) {
    SDrive drive;
    drive.m_root = std::move(root);
    drive.m_source = std::move(source);
    return drive;
}

const SDrive* Find(const std::vector<SDrive>& drives, const std::string& root) {
    auto it = std::find_if(drives.begin(), drives.end(),
                           [&](const SDrive& d) { return d.m_root == root; });
    return it == drives.end() ? nullptr : &*it;
}

} // namespace

TEST(DriveList, MediaInMountTableOrderWithoutSystemMounts) {
    ScratchDir dir;
    const auto table =
        dir.Write("mountinfo", "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                               "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
                               "25 24 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
                               "90 27 0:50 / /mnt/share rw,relatime - cifs //srv/share rw\n"
                               "27 1 254:0 / / rw,relatime - ext4 /dev/nonexistent-root rw\n"
                               "31 23 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw\n"
                               "60 27 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                               "61 27 11:0 / /run/media/user/DISC ro - iso9660 /dev/sr0 ro\n"
                               "62 27 7:3 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
                               "63 27 0:41 / /mnt/ram rw - tmpfs ramdisk rw\n"
                               "64 27 0:42 / /mnt/nfs rw - nfs4 nas:/export/media rw\n");
    const std::vector<SDrive> drives = CDriveList::ReadFrom(table.string());
    std::vector<std::string> roots;
    for (const SDrive& d : drives) {
        roots.push_back(d.m_root);
    }
    EXPECT_EQ(roots, (std::vector<std::string>{"/mnt/share", "/", "/run/media/user/DISC",
                                               "/mnt/ram", "/mnt/nfs"}));
    ASSERT_EQ(drives.size(), 5u);
    EXPECT_EQ(drives[0].m_kind, DriveKind::Remote);
    EXPECT_EQ(drives[0].m_source, "//srv/share");
    EXPECT_EQ(drives[1].m_kind, DriveKind::Fixed);
    EXPECT_EQ(drives[1].m_linuxType, "ext4");
    EXPECT_EQ(drives[2].m_kind, DriveKind::CdRom);
    EXPECT_EQ(drives[2].m_fileSystem, "CDFS");
    EXPECT_EQ(drives[2].m_serial, 0u) << "nothing tells the serial of an absent device";
    EXPECT_EQ(drives[3].m_kind, DriveKind::RamDisk);
    EXPECT_EQ(drives[4].m_kind, DriveKind::Remote);
    // "/" is mounted in every process; the others of this table are not.
    EXPECT_TRUE(drives[1].m_present);
    EXPECT_FALSE(drives[2].m_present);
    // Shares are never asked while the list is read (a dead server would block).
    EXPECT_TRUE(drives[0].m_present);
    EXPECT_TRUE(drives[4].m_present);

    EXPECT_TRUE(CDriveList::ReadFrom((dir / "missing").string()).empty());
}

TEST(DriveList, SystemMountRules) {
    EXPECT_TRUE(CDriveList::IsSystemMount("/proc", "proc"));
    EXPECT_TRUE(CDriveList::IsSystemMount("/mnt/x", "cgroup2"));
    EXPECT_TRUE(CDriveList::IsSystemMount("/dev/shm", "tmpfs"));
    EXPECT_TRUE(CDriveList::IsSystemMount("/home/u/case", "fuse.quillora"));
    EXPECT_TRUE(CDriveList::IsSystemMount("/run/lock", "tmpfs"));
    EXPECT_FALSE(CDriveList::IsSystemMount("/run/media/u/USB", "vfat"));
    EXPECT_FALSE(CDriveList::IsSystemMount("/devices", "ext4")) << "only the /dev folder itself";
    EXPECT_FALSE(CDriveList::IsSystemMount("/", "overlay"));
    EXPECT_FALSE(CDriveList::IsSystemMount("/media/u/DISC", "iso9660"));
}

TEST(DriveList, ThisProcessHasTheRoot) {
    const std::vector<SDrive> drives = CDriveList::Read();
    const SDrive* root = Find(drives, "/");
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->m_present);
    EXPECT_FALSE(root->m_linuxType.empty());
    for (const SDrive& d : drives) {
        EXPECT_FALSE(CDriveList::IsSystemMount(d.m_root, d.m_linuxType)) << d.m_root;
    }
}

TEST(MountMonitor, DiffByMountPointAndSource) {
    const std::vector<SDrive> before = {Drive("/", "/dev/vda"), Drive("/media/u/A", "/dev/sr0"),
                                        Drive("/media/u/B", "/dev/sdb1")};
    std::vector<SDrive> after = {Drive("/", "/dev/vda"), Drive("/media/u/B", "/dev/sdc1"),
                                 Drive("/media/u/C", "/dev/sr1")};
    after[0].m_label = "changed label, same drive";
    const SDriveChanges changes = CMountMonitor::Diff(before, after);
    ASSERT_EQ(changes.m_arrivals.size(), 2u);
    EXPECT_EQ(changes.m_arrivals[0].m_source, "/dev/sdc1") << "a new device at an old place";
    EXPECT_EQ(changes.m_arrivals[1].m_root, "/media/u/C");
    ASSERT_EQ(changes.m_removals.size(), 2u);
    EXPECT_EQ(changes.m_removals[0].m_root, "/media/u/A");
    EXPECT_EQ(changes.m_removals[1].m_source, "/dev/sdb1");
    EXPECT_TRUE(CMountMonitor::Diff(before, before).Empty());
    EXPECT_EQ(CMountMonitor::Diff({}, before).m_arrivals.size(), 3u);
    EXPECT_EQ(CMountMonitor::Diff(before, {}).m_removals.size(), 3u);
}

TEST(MountMonitor, SeesARealMountArriveAndLeave) {
    CMountMonitor monitor;
    ASSERT_EQ(monitor.Open(), 0);
    EXPECT_GE(monitor.Fd(), 0);
    monitor.Drain();
    const std::vector<SDrive> before = CDriveList::Read();

    ScratchDir dir;
    const std::string mnt = (dir / "ram").string();
    std::filesystem::create_directory(mnt);
    if (RunTool({"mount", "-t", "tmpfs", "-o", "size=1m", "quillora-test", mnt}) != 0) {
        GTEST_SKIP() << "mounting is not permitted here";
    }
    const bool sawArrival = monitor.Wait(5000);
    const std::vector<SDrive> during = CDriveList::Read();
    RunTool({"umount", mnt});
    EXPECT_TRUE(sawArrival);
    const SDriveChanges arrived = CMountMonitor::Diff(before, during);
    ASSERT_EQ(arrived.m_arrivals.size(), 1u);
    EXPECT_EQ(arrived.m_arrivals[0].m_root, mnt);
    EXPECT_EQ(arrived.m_arrivals[0].m_kind, DriveKind::RamDisk);
    EXPECT_TRUE(arrived.m_arrivals[0].m_present);

    EXPECT_TRUE(monitor.Wait(5000));
    const SDriveChanges left = CMountMonitor::Diff(during, CDriveList::Read());
    ASSERT_EQ(left.m_removals.size(), 1u);
    EXPECT_EQ(left.m_removals[0].m_root, mnt);
}
