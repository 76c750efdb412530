// The drive table: which drives it lists, change marks across refreshes, ejecting.
#include "scan/DriveTable.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

SDrive Drive(const std::string& root, DriveKind kind, const std::string& source, bool present,
             std::uint32_t serial = 0x0A0B0C0D, const std::string& label = {}) {
    SDrive drive;
    drive.m_root = root;
    drive.m_source = source;
    drive.m_kind = kind;
    drive.m_present = present;
    drive.m_serial = serial;
    drive.m_label = label;
    drive.m_fileSystem = "CDFS";
    return drive;
}

TEST(DriveTable, ListsRemovableOpticalAndNetworkDrivesButNoFloppies) {
    CDriveTable table;
    table.RefreshDriveTable(
        {Drive("/", DriveKind::Fixed, "/dev/sda1", true),
         Drive("/media/u/fd", DriveKind::Removable, "/dev/fd0", true),
         Drive("/media/u/DISC", DriveKind::CdRom, "/dev/sr0", true),
         Drive("/tmp", DriveKind::RamDisk, "tmpfs", true),
         Drive("/mnt/share", DriveKind::Remote, "//srv/share", true, 0, "share"),
         Drive("/media/u/STICK", DriveKind::Removable, "/dev/sdb1", false)});
    const auto& entries = table.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].m_root, "/media/u/DISC");
    EXPECT_EQ(entries[0].m_label, "0A0B-0C0D") << "an empty label is the formatted serial";
    EXPECT_EQ(entries[0].m_present, 1);
    EXPECT_EQ(entries[1].m_label, "share");
    // A drive whose volume cannot be read keeps only its root.
    EXPECT_EQ(entries[2].m_root, "/media/u/STICK");
    EXPECT_EQ(entries[2].m_present, 0);
    EXPECT_EQ(entries[2].m_label, "");
    EXPECT_EQ(entries[2].m_serial, 0u);
    EXPECT_EQ(entries[2].m_fileSystem, "");
    for (const SDriveEntry& entry : entries) {
        EXPECT_EQ(entry.m_changed, 1) << "new entries are changed";
    }
    EXPECT_TRUE(CDriveTable::IsFloppy(Drive("/x", DriveKind::Removable, "/dev/fd1", true)));
    EXPECT_FALSE(CDriveTable::IsFloppy(Drive("/x", DriveKind::Removable, "/dev/fdisk", true)));
}

TEST(DriveTable, RefreshMarksNewDrivesAndPresenceChanges) {
    CDriveTable table;
    table.RefreshDriveTable({Drive("/media/u/DISC", DriveKind::CdRom, "/dev/sr0", false),
                             Drive("/media/u/STICK", DriveKind::Removable, "/dev/sdb1", true)});
    SDriveEntry first;
    ASSERT_TRUE(table.FirstChangedPresentDrive(first, {}));
    EXPECT_EQ(first.m_root, "/media/u/STICK") << "the empty drive is changed but not present";

    // Nothing changed.
    table.RefreshDriveTable({Drive("/media/u/DISC", DriveKind::CdRom, "/dev/sr0", false),
                             Drive("/media/u/STICK", DriveKind::Removable, "/dev/sdb1", true)});
    EXPECT_FALSE(table.FirstChangedPresentDrive(first, {}));

    // A disc arrives; a new card reader appears.
    table.RefreshDriveTable({Drive("/media/u/DISC", DriveKind::CdRom, "/dev/sr0", true),
                             Drive("/media/u/STICK", DriveKind::Removable, "/dev/sdb1", true),
                             Drive("/media/u/CARD", DriveKind::Removable, "/dev/sdc1", true)});
    EXPECT_EQ(table.Entries()[0].m_changed, 1);
    EXPECT_EQ(table.Entries()[1].m_changed, 0);
    EXPECT_EQ(table.Entries()[2].m_changed, 1);
    ASSERT_TRUE(table.FirstChangedPresentDrive(first, {}));
    EXPECT_EQ(first.m_root, "/media/u/DISC");
}

TEST(DriveTable, OnlyDrivesTheSettingsEnableCountAsArrived) {
    // The system disk is position 0, the RAM disk 1, the disc 2, the stick 3.
    const std::vector<SDrive> drives = {
        Drive("/", DriveKind::Fixed, "/dev/sda1", true),
        Drive("/run/user/1000", DriveKind::RamDisk, "tmpfs", true),
        Drive("/media/u/DISC", DriveKind::CdRom, "/dev/sr0", true),
        Drive("/media/u/STICK", DriveKind::Removable, "/dev/sdb1", true)};
    SDriveChoice choice;
    choice.m_useAll = false;
    choice.m_use = ~(1u << 2);
    CDriveTable table([&drives] { return drives; });
    table.RefreshDriveTable();
    SDriveEntry arrived;
    ASSERT_TRUE(table.FirstChangedPresentDrive(arrived, choice));
    EXPECT_EQ(arrived.m_root, "/media/u/STICK") << "the disc's position is switched off";
    EXPECT_EQ(arrived.m_nPosition, 3);
    EXPECT_FALSE(CDriveTable::IsWatched(drives[0], 0, choice)) << "the system disk";
    EXPECT_FALSE(CDriveTable::IsWatched(drives[1], 1, choice)) << "a RAM disk";
    EXPECT_FALSE(CDriveTable::IsWatched(drives[2], 2, choice)) << "switched off";
    EXPECT_TRUE(CDriveTable::IsWatched(drives[3], 3, choice));
    choice.m_useAll = true;
    EXPECT_TRUE(CDriveTable::IsWatched(drives[2], 2, choice));
}

TEST(DriveTable, EjectOnlyRemovableAndOpticalDrives) {
    CDriveTable table;
    table.RefreshDriveTable({Drive("/mnt/share", DriveKind::Remote, "//srv/share", true)});
    std::string error;
    EXPECT_FALSE(table.EjectByDrive(0, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(table.EjectByDrive(5, &error));
}

} // namespace
} // namespace quillora
