// Volume facts: images made at test time with mkfs.fat and genisoimage, probed
// without mounting; the mount table entry of "/"; the naming and serial rules.
#include "platform/VolumeProbe.h"
#include "PlatformTestTools.h"
#include "platform/IsoVolumeDescriptors.h"
#include "support/ScratchDir.h"

#include "support/CliRunner.h"
#include "support/OrdinaryUser.h"
#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::RunTool;
using quillora::test::ScratchDir;

TEST(VolumeProbe, FatImagesGiveVolumeIdAndLabel) {
    ScratchDir dir;
    const std::string img = (dir / "floppy.img").string();
    if (RunTool({"mkfs.fat", "-C", img, "1440", "-i", "1A2B3C4D", "-n", "LABEL"}) != 0) {
        GTEST_SKIP() << "mkfs.fat is not installed";
    }
    SVolumeFacts facts;
    ASSERT_EQ(CVolumeProbe::ProbeImage(img, facts), 0);
    EXPECT_EQ(facts.m_linuxType, "vfat");
    EXPECT_EQ(facts.m_fileSystem, "FAT");
    EXPECT_EQ(facts.m_label, "LABEL");
    EXPECT_EQ(facts.m_serial, 0x1A2B3C4Du);
    EXPECT_EQ(facts.m_kind, DriveKind::Unknown) << "an image file is no drive";
    EXPECT_EQ(facts.m_totalBytes, 1440u * 1024u);
    EXPECT_EQ(facts.m_bytesPerSector, 512u);
    EXPECT_FALSE(facts.m_spaceKnown) << "free space of an unmounted image is not known";

    const std::string big = (dir / "fat32.img").string();
    ASSERT_EQ(RunTool({"mkfs.fat", "-F", "32", "-C", big, "40000", "-i", "DEADBEEF"}), 0);
    ASSERT_EQ(CVolumeProbe::ProbeImage(big, facts), 0);
    EXPECT_EQ(facts.m_fileSystem, "FAT32");
    EXPECT_EQ(facts.m_serial, 0xDEADBEEFu);
    EXPECT_EQ(facts.m_label, "");
}

TEST(VolumeProbe, IsoImagesUseTheDescriptorChecksum) {
    ScratchDir dir;
    dir.Write("content/a.txt", "a");
    const std::string iso = (dir / "disc.iso").string();
    if (RunTool({"genisoimage", "-quiet", "-J", "-V", "DISC_01", "-o", iso,
                 (dir / "content").string()}) != 0) {
        GTEST_SKIP() << "genisoimage is not installed";
    }
    SVolumeFacts facts;
    ASSERT_EQ(CVolumeProbe::ProbeImage(iso, facts), 0);
    const auto id = CIsoVolumeDescriptors::ReadFile(iso);
    ASSERT_TRUE(id);
    EXPECT_EQ(facts.m_linuxType, "iso9660");
    EXPECT_EQ(facts.m_fileSystem, "CDFS");
    EXPECT_EQ(facts.m_label, "DISC_01");
    EXPECT_EQ(facts.m_serial, id->m_serial);
    EXPECT_NE(facts.m_serial, 0u);
    EXPECT_EQ(facts.m_bytesPerSector, 2048u);
    EXPECT_EQ(facts.m_totalBytes, ReadFileBytes(iso).size());
}

TEST(VolumeProbe, ImageProbeFailures) {
    ScratchDir dir;
    SVolumeFacts facts;
    EXPECT_EQ(CVolumeProbe::ProbeImage((dir / "missing").string(), facts), ENOENT);
    EXPECT_EQ(CVolumeProbe::ProbeImage(dir.Write("text.txt", "just text").string(), facts),
              EMEDIUMTYPE);
    EXPECT_EQ(CVolumeProbe::ProbeImage(dir.Path().string(), facts), ENOTBLK);
}

TEST(VolumeProbe, MountedPathsFindTheirMountEntry) {
    SVolumeFacts root;
    ASSERT_EQ(CVolumeProbe::ProbePath("/", root), 0);
    EXPECT_EQ(root.m_root, "/");
    EXPECT_FALSE(root.m_linuxType.empty());
    EXPECT_TRUE(root.m_spaceKnown);
    EXPECT_GT(root.m_totalBytes, 0u);
    EXPECT_GE(root.m_totalBytes, root.m_freeBytes);
    EXPECT_GE(root.m_freeBytes, root.m_availableBytes);
    EXPECT_GE(root.m_bytesPerSector, 512u);
    EXPECT_GE(root.m_sectorsPerCluster, 1u);

    ScratchDir dir;
    const auto file = dir.Write("deep/er/file.txt", "x");
    SVolumeFacts facts;
    ASSERT_EQ(CVolumeProbe::ProbePath(file.string(), facts), 0);
    EXPECT_EQ(file.string().rfind(facts.m_root == "/" ? "/" : facts.m_root + "/", 0), 0u)
        << facts.m_root << " holds " << file;
    EXPECT_EQ(CVolumeProbe::ProbePath((dir / "missing").string(), facts), ENOENT);
}

TEST(VolumeProbe, LoopMountedVolumeReadsItsDevice) {
    ScratchDir dir;
    const std::string img = (dir / "ext.img").string();
    if (RunTool({"truncate", "-s", "8M", img}) != 0 ||
        RunTool({"mkfs.ext4", "-q", "-L", "EXTLBL", "-U", "1a2b3c4d-1111-2222-3333-444455556666",
                 img}) != 0) {
        GTEST_SKIP() << "mkfs.ext4 is not installed";
    }
    const std::string mnt = (dir / "mnt").string();
    std::filesystem::create_directory(mnt);
    if (RunTool({"mount", "-o", "loop", img, mnt}) != 0) {
        GTEST_SKIP() << "loop mounting is not permitted here";
    }
    SVolumeFacts facts;
    const int rc = CVolumeProbe::ProbePath(mnt + "/lost+found", facts);
    RunTool({"umount", mnt});
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(facts.m_root, mnt);
    EXPECT_EQ(facts.m_linuxType, "ext4");
    EXPECT_EQ(facts.m_label, "EXTLBL");
    EXPECT_EQ(facts.m_serial, 0x1A2B3C4Du);
    EXPECT_EQ(facts.m_device.rfind("/dev/loop", 0), 0u) << facts.m_device;
    EXPECT_EQ(facts.m_kind, DriveKind::Fixed);
    EXPECT_TRUE(facts.m_spaceKnown);
    EXPECT_LE(facts.m_totalBytes, 8u << 20);
}

// A disc whose device this user may not read: the serial (a checksum of the
// descriptors) is unknown, and nothing else stands in for it. The disc image sits on
// a loop device, probed as the mount table would describe it mounted.
TEST(VolumeProbe, UnreadableDiscLeavesTheSerialUnknown) {
    ScratchDir dir;
    chmod(dir.Path().c_str(), 0755);
    const std::string iso = (dir / "disc.iso").string();
    std::filesystem::create_directory(dir / "content");
    if (RunTool({"genisoimage", "-quiet", "-V", "LOCKED_01", "-o", iso,
                 (dir / "content").string()}) != 0) {
        GTEST_SKIP() << "genisoimage is not installed";
    }
    std::string device;
    if (RunTool({"losetup", "-f", "--show", "-r", iso}, &device) != 0 || device.empty()) {
        GTEST_SKIP() << "loop devices are not permitted here";
    }
    device.erase(device.find_last_not_of("\n") + 1);
    chmod(device.c_str(), 0600);
    const std::string mnt = (dir / "content").string();
    SVolumeFacts asRoot;
    CVolumeProbe::ProbeMount(mnt, device, "iso9660", asRoot);
    const int result = quillora::test::AsOrdinaryUser([&] {
        SVolumeFacts facts;
        CVolumeProbe::ProbeMount(mnt, device, "iso9660", facts);
        if (facts.m_kind != DriveKind::CdRom || !facts.m_serialUnknown) {
            return 1;
        }
        return facts.m_serialError == EACCES && facts.m_serial == 0 ? 0 : 2;
    });
    RunTool({"losetup", "-d", device});
    EXPECT_FALSE(asRoot.m_serialUnknown);
    EXPECT_EQ(asRoot.m_label, "LOCKED_01");
    EXPECT_EQ(asRoot.m_serial, CIsoVolumeDescriptors::ReadFile(iso)->m_serial);
    if (result == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    EXPECT_EQ(result, 0);
}

TEST(VolumeProbe, WindowsFileSystemNames) {
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("iso9660"), "CDFS");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("udf"), "UDF");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("vfat", "FAT12"), "FAT");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("vfat", "FAT16"), "FAT");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("vfat", "FAT32"), "FAT32");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("msdos"), "FAT");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("ntfs3"), "NTFS");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("ntfs"), "NTFS");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("exfat"), "exFAT");
    EXPECT_EQ(CVolumeProbe::WindowsFileSystemName("ext4"), "ext4");
}

TEST(VolumeProbe, SerialsFromUuids) {
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("vfat", "1A2B-3C4D"), 0x1A2B3C4Du);
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("exfat", "0F1E-2D3C"), 0x0F1E2D3Cu);
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("ntfs", "0123456789ABCDEF"), 0x89ABCDEFu);
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("ext4", "a1b2c3d4-0000-1111-2222-333344445555"),
              0xA1B2C3D4u);
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("ext4", ""), 0u);
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("vfat", "1A2B"), 0u);
    EXPECT_EQ(CVolumeProbe::SerialFromUuid("vfat", "ZZZZ-ZZZZ"), 0u);
}

TEST(VolumeProbe, NetworkPathsAndRemoteTypes) {
    EXPECT_EQ(CVolumeProbe::NetworkPathFromSource("//srv/share"), "\\\\srv\\share");
    EXPECT_EQ(CVolumeProbe::NetworkPathFromSource("//srv/share/sub/"), "\\\\srv\\share\\sub");
    EXPECT_EQ(CVolumeProbe::NetworkPathFromSource("nas:/export/media"), "\\\\nas\\export\\media");
    EXPECT_EQ(CVolumeProbe::NetworkPathFromSource("user@host:backup"), "\\\\host\\backup");
    EXPECT_TRUE(CVolumeProbe::IsRemoteType("cifs"));
    EXPECT_TRUE(CVolumeProbe::IsRemoteType("nfs4"));
    EXPECT_TRUE(CVolumeProbe::IsRemoteType("fuse.sshfs"));
    EXPECT_FALSE(CVolumeProbe::IsRemoteType("ext4"));
    EXPECT_STREQ(DriveKindName(DriveKind::CdRom), "CD-ROM");
}

TEST(VolumeProbe, CliPrintsTheFactsOfAnImage) {
    const std::string cli = quillora::test::FindTool(quillora::test::CliPath());
    if (cli.empty()) {
        GTEST_SKIP() << "quillora-cli is not built";
    }
    ScratchDir dir;
    const std::string img = (dir / "floppy.img").string();
    if (RunTool({"mkfs.fat", "-C", img, "1440", "-i", "1A2B3C4D", "-n", "LABEL"}) != 0) {
        GTEST_SKIP() << "mkfs.fat is not installed";
    }
    std::string out;
    ASSERT_EQ(RunTool({cli, "volume", img}, &out), 0);
    EXPECT_NE(out.find("file system: FAT (vfat)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("label: LABEL\n"), std::string::npos) << out;
    EXPECT_NE(out.find("serial: 1A2B-3C4D\n"), std::string::npos) << out;
    EXPECT_NE(out.find("total bytes: 1474560\n"), std::string::npos) << out;
    EXPECT_NE(out.find("free bytes: unknown\n"), std::string::npos) << out;

    ASSERT_EQ(RunTool({cli, "volume", dir.Path().string()}, &out), 0);
    EXPECT_NE(out.find("root: "), std::string::npos) << out;
    EXPECT_EQ(RunTool({cli, "volume", (dir / "missing").string()}, &out), 2);
    EXPECT_EQ(RunTool({cli, "volume"}, &out), 1);
}
