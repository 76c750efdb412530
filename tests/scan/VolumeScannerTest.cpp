// Volume scanner on trees made by the tests: records and names, links, FIFOs,
// unreadable entries, CRCs against zlib, deep trees, the medium's own fields.
#include "ScanTestTools.h"
#include "support/ScratchDir.h"

#include "model/CaseFile.h"
#include "model/MediumPath.h"
#include "model/RecordFlags.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"
#include "platform/VolumeProbe.h"
#include "scan/IScanProgress.h"
#include "scan/VolumeScanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace quillora {
namespace {

using test::Child;
using test::ScratchDir;

std::uint32_t ZlibCrc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

SScanOptions WithCrc() {
    SScanOptions options;
    options.m_addVolCrc = true;
    return options;
}

// Records every post, in order.
class CRecordingSink : public IScanProgress {
public:
    void Post(int code, const SFileInfo* record) override { m_posts.emplace_back(code, record); }
    std::vector<std::pair<int, const SFileInfo*>> m_posts;
};

TEST(VolumeScanner, RecordsFilesFoldersAndNamesAsTheyAreOnDisk) {
    ScratchDir dir;
    dir.Write("docs/readme.txt", "hello");
    dir.Write("docs/日本語のファイル.txt", "こんにちは");
    dir.Write("empty.bin", "");
    std::filesystem::create_directories(dir / "nested/a/b/c");
    dir.Write("nested/a/b/c/deep.dat", std::string(100000, 'x'));
    // Names that are not UTF-8, and a "\" inside a name.
    dir.Write("bad\xff\xfe.bin", "raw");
    dir.Write("back\\slash.txt", "bs");
    // Names whose endings look like the "." and ".." entries.
    dir.Write("notes.", "n");
    dir.Write("a..", "a");

    SVolumeInfo volume;
    CVolumeScanner scanner(WithCrc());
    CRecordingSink sink;
    scanner.SetProgress(&sink);
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);

    EXPECT_EQ(volume.CountFiles(true), 8u);
    EXPECT_EQ(volume.CountFolders(true), 5u);
    EXPECT_EQ(scanner.EntriesSoFar(), 13u);
    EXPECT_EQ(volume.m_nSize, 5u + std::strlen("こんにちは") + 100000 + 3 + 2 + 2);
    EXPECT_NE(Child(volume, "notes."), nullptr);
    EXPECT_NE(Child(volume, "a.."), nullptr);

    const SFileInfo* docs = Child(volume, "docs");
    ASSERT_NE(docs, nullptr);
    EXPECT_TRUE(docs->IsDirectory());
    EXPECT_EQ(docs->m_nSize, 5u + std::strlen("こんにちは"));
    const SFileInfo* japanese = Child(*docs, "日本語のファイル.txt");
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(japanese->m_dwExtValue, ZlibCrc("こんにちは"));
    EXPECT_TRUE(japanese->m_wExtFlags & kExtFlagCrc);
    EXPECT_TRUE(japanese->m_dwFlags & kAttrArchive);
    EXPECT_NE(japanese->m_ftLastWrite, 0u);

    // An empty file has CRC 0 and so no CRC flag.
    const SFileInfo* empty = Child(volume, "empty.bin");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->m_dwExtValue, 0u);
    EXPECT_FALSE(empty->m_wExtFlags & kExtFlagCrc);

    // Odd names survive: their records lead back to the same bytes on disk.
    for (const char* osName : {"bad\xff\xfe.bin", "back\\slash.txt"}) {
        const SFileInfo* odd = Child(volume, ModelNameFromOs(osName));
        ASSERT_NE(odd, nullptr) << osName;
        EXPECT_EQ(odd->m_strName.find('\\'), std::string::npos);
        EXPECT_EQ(RecordOsPath(*odd), (dir / osName).string());
        EXPECT_NE(odd->m_dwExtValue, 0u);
    }

    const SFileInfo* deep =
        Child(*Child(*Child(*Child(*Child(volume, "nested"), "a"), "b"), "c"), "deep.dat");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->m_dwExtValue, ZlibCrc(std::string(100000, 'x')));

    // Progress: each folder's walk is announced before its entries, and every
    // record is reported once appended.
    ASSERT_FALSE(sink.m_posts.empty());
    EXPECT_EQ(sink.m_posts.front(), std::make_pair(kScanProgressRecord, (const SFileInfo*)&volume));
    std::size_t crcPosts = 0, recordPosts = 0;
    for (const auto& [code, record] : sink.m_posts) {
        crcPosts += code == kScanProgressCrc;
        recordPosts += code == kScanProgressRecord;
    }
    EXPECT_EQ(crcPosts, 8u);
    EXPECT_EQ(recordPosts, 1u + 5u /* walks */ + 13u /* appends */);
}

TEST(VolumeScanner, NeverFollowsLinksNorOpensSpecialFiles) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "sub");
    dir.Write("sub/file.txt", "data");
    std::filesystem::create_directory_symlink("..", dir / "sub/loop");
    std::filesystem::create_symlink("file.txt", dir / "sub/link.txt");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);

    SVolumeInfo volume;
    CVolumeScanner scanner(WithCrc());
    // A FIFO opened for a CRC would block this scan forever.
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);

    const SFileInfo* sub = Child(volume, "sub");
    ASSERT_NE(sub, nullptr);
    const SFileInfo* loop = Child(*sub, "loop");
    ASSERT_NE(loop, nullptr);
    EXPECT_FALSE(loop->IsDirectory());
    EXPECT_TRUE(loop->m_dwFlags & kAttrReparsePoint);
    EXPECT_EQ(loop->ChildCount(), 0u);
    const SFileInfo* link = Child(*sub, "link.txt");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->m_dwExtValue, 0u) << "a link is recorded, not read through";
    const SFileInfo* pipe = Child(volume, "pipe");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(pipe->m_dwExtValue, 0u);
    EXPECT_EQ(pipe->m_nSize, 0u);
    EXPECT_EQ(volume.CountFiles(true), 4u);

    // The direct CRC call refuses the same things.
    EXPECT_EQ(CVolumeScanner::FileCrc32(AT_FDCWD, (dir / "pipe").c_str()), 0u);
    EXPECT_EQ(CVolumeScanner::FileCrc32(AT_FDCWD, (dir / "sub/link.txt").c_str()), 0u);
    EXPECT_EQ(CVolumeScanner::FileCrc32(AT_FDCWD, "/dev/null"), 0u);
    EXPECT_EQ(CVolumeScanner::FileCrc32(AT_FDCWD, (dir / "sub/file.txt").c_str()), ZlibCrc("data"));
}

TEST(VolumeScanner, UnreadableEntriesStayEmptyAndAreCounted) {
    ScratchDir dir;
    chmod(dir.Path().c_str(), 0755);
    dir.Write("open/ok.txt", "ok");
    dir.Write("open/secret.txt", "secret");
    dir.Write("locked/hidden.txt", "hidden");
    dir.Write("listonly/inner/x.txt", "x");
    chmod((dir / "open").c_str(), 0755);
    chmod((dir / "open/ok.txt").c_str(), 0644);
    chmod((dir / "open/secret.txt").c_str(), 0);
    chmod((dir / "locked").c_str(), 0);
    // Listed but not searchable: its entries' facts and its subfolder cannot be read.
    chmod((dir / "listonly").c_str(), 0444);

    const int result = test::AsOrdinaryUser([&] {
        SVolumeInfo volume;
        CVolumeScanner scanner(WithCrc());
        scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
        const SFileInfo* locked = Child(volume, "locked");
        const SFileInfo* open = Child(volume, "open");
        const SFileInfo* listOnly = Child(volume, "listonly");
        if (!locked || !open || !listOnly || !locked->IsDirectory()) {
            return 1;
        }
        if (locked->ChildCount() != 0) {
            return 2;
        }
        const SFileInfo* ok = Child(*open, "ok.txt");
        const SFileInfo* secret = Child(*open, "secret.txt");
        if (!ok || !secret || ok->m_dwExtValue != ZlibCrc("ok")) {
            return 3;
        }
        if (secret->m_dwExtValue != 0 || (secret->m_wExtFlags & kExtFlagCrc)) {
            return 4;
        }
        // The size of an unreadable file is still known from its folder.
        if (secret->m_nSize != 6) {
            return 5;
        }
        const SFileInfo* inner = Child(*listOnly, "inner");
        if (!inner || !inner->IsDirectory() || inner->ChildCount() != 0) {
            return 6;
        }
        // locked and listonly\inner as folders; secret.txt as a file. The scan as a
        // whole still succeeded.
        const CScanReport& report = scanner.Report();
        if (report.RootFailed() || report.Count(SkipKind::UnreadableFolder) != 2 ||
            report.Count(SkipKind::UnreadableFile) != 1) {
            return 7;
        }
        if (report.Summary() != "2 folders and 1 file could not be read") {
            return 8;
        }
        const auto notRead = report.FoldersNotRead();
        const bool both = notRead.size() == 2 &&
                          std::count(notRead.begin(), notRead.end(), locked) == 1 &&
                          std::count(notRead.begin(), notRead.end(), inner) == 1;
        return both ? 0 : 9;
    });
    if (result == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    EXPECT_EQ(result, 0);
}

TEST(VolumeScanner, ARootThatCannotBeReadFailsTheScan) {
    ScratchDir dir;
    SVolumeInfo missing;
    CVolumeScanner scanner;
    scanner.AddVolume(missing, (dir / "missing").string(), nullptr, nullptr);
    EXPECT_TRUE(scanner.Report().RootFailed());
    EXPECT_EQ(scanner.Report().RootError(), ENOENT);

    dir.Write("locked/file.txt", "x");
    chmod(dir.Path().c_str(), 0755);
    chmod((dir / "locked").c_str(), 0);
    const int result = test::AsOrdinaryUser([&] {
        SVolumeInfo volume;
        CVolumeScanner locked;
        locked.AddVolume(volume, (dir / "locked").string(), nullptr, nullptr);
        if (!locked.Report().RootFailed() || locked.Report().RootError() != EACCES) {
            return 1;
        }
        // A later scan with the same scanner starts from a clean report.
        SVolumeInfo again;
        locked.AddVolume(again, dir.Path().string(), nullptr, nullptr);
        return !locked.Report().RootFailed() &&
                       locked.Report().Count(SkipKind::UnreadableFolder) == 1
                   ? 0
                   : 2;
    });
    if (result == 99) {
        GTEST_SKIP() << "cannot take an ordinary user's permissions here";
    }
    EXPECT_EQ(result, 0);
}

TEST(VolumeScanner, PseudoFileSystemsOnlyWhenAskedAndReadNoFurtherThanTheyReport) {
    SVolumeInfo refused;
    CVolumeScanner plain(WithCrc());
    plain.AddVolume(refused, "/proc/self", nullptr, nullptr);
    EXPECT_TRUE(plain.Report().RootFailed());
    EXPECT_EQ(plain.Report().RootPseudoType(), "proc");
    EXPECT_EQ(refused.ChildCount(), 0u);

    // Asked: /proc files report a size of 0 (pagemap would never end); the scan
    // reads what they report and ends.
    SScanOptions options = WithCrc();
    options.m_scanPseudoFileSystems = true;
    SVolumeInfo proc;
    CVolumeScanner asked(options);
    asked.AddVolume(proc, "/proc/self", nullptr, nullptr);
    EXPECT_FALSE(asked.Report().RootFailed());
    const SFileInfo* pagemap = Child(proc, "pagemap");
    ASSERT_NE(pagemap, nullptr);
    EXPECT_EQ(pagemap->m_dwExtValue, 0u);
    ASSERT_NE(Child(proc, "status"), nullptr);
    EXPECT_EQ(Child(proc, "status")->m_dwExtValue, 0u);
}

TEST(VolumeScanner, MountPointsBelowAreMarkedCountedAndNotEntered) {
    ScratchDir dir;
    dir.Write("own/file.txt", "mine");
    std::filesystem::create_directories(dir / "mnt");
    if (mount("quillora-test", (dir / "mnt").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    dir.Write("mnt/other.txt", "another medium");
    SVolumeInfo volume;
    CVolumeScanner scanner;
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    // The test file system is unmounted before any assertion can end the test.
    const std::string mountPoint = (dir / "mnt").string();
    umount2(mountPoint.c_str(), MNT_DETACH);
    const SFileInfo* mnt = Child(volume, "mnt");
    ASSERT_NE(mnt, nullptr);
    EXPECT_TRUE(mnt->IsDirectory());
    EXPECT_EQ(mnt->ChildCount(), 0u) << "a mount point is another medium";
    EXPECT_TRUE(mnt->HasFlags(kAttrReparsePoint));
    EXPECT_EQ(mnt->AttributeText().back(), 'L');
    EXPECT_FALSE(Child(volume, "own")->HasFlags(kAttrReparsePoint));
    EXPECT_NE(Child(*Child(volume, "own"), "file.txt"), nullptr);
    EXPECT_EQ(scanner.Report().Count(SkipKind::OtherFileSystem), 1u);
    EXPECT_EQ(scanner.Report().Summary(), "1 mounted file system not entered");
}

TEST(VolumeScanner, DeepTreesStopAtTheDepthCaseFilesAcceptAndStillRoundTrip) {
    ScratchDir dir;
    const std::string root = (dir / "deep").string();
    std::filesystem::create_directory(root);
    const int depth = kMaxTreeDepth + 10;
    test::MakeDeepTree(root, "d", depth, "leaf.txt");

    auto volume = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner;
    scanner.AddVolume(*volume, root, nullptr, nullptr);
    EXPECT_EQ(test::TreeDepth(*volume), CVolumeScanner::kMaxScanLevel);
    EXPECT_EQ(volume->CountFiles(true), 0u) << "the leaf lies below the recorded depth";
    EXPECT_EQ(scanner.Report().Count(SkipKind::TooDeep), 1u);
    EXPECT_EQ(scanner.Report().Summary(), "1 folder too deep to enter");

    // Inside a group, the deepest tree the scanner makes is still readable.
    CCDCase root2;
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel("G");
    SFileInfo& g = *root2.AddChild(std::move(group));
    g.AddChild(std::move(volume));
    const std::string casePath = (dir / "deep.cas").string();
    SaveCaseFile(root2, casePath, false);
    bool badPassword = false;
    std::string error;
    auto back = ReadCaseFile(casePath, "", &badPassword, &error);
    ASSERT_NE(back, nullptr) << error;
    EXPECT_EQ(test::TreeDepth(*back->ChildAt(0)->ChildAt(0)), CVolumeScanner::kMaxScanLevel);
    test::RemoveTree(root);
}

TEST(VolumeScanner, FilesBesideDeepFoldersKeepTheirCrc) {
    // Folders more than a few dozen levels up give up their descriptor while the walk
    // is deeper; files listed after a deep subfolder are read through a reopened one.
    ScratchDir dir;
    std::string base = (dir / "t").string();
    std::filesystem::create_directory(base);
    for (int i = 0; i < 10; ++i) {
        base += "/l";
        std::filesystem::create_directory(base);
    }
    for (int i = 0; i < 8; ++i) {
        dir.Write("t/l/l/l/l/l/l/l/l/l/l/f" + std::to_string(i), "file " + std::to_string(i));
    }
    test::MakeDeepTree(base, "x", 120, "bottom.txt");
    for (int i = 8; i < 16; ++i) {
        dir.Write("t/l/l/l/l/l/l/l/l/l/l/f" + std::to_string(i), "file " + std::to_string(i));
    }

    SVolumeInfo volume;
    CVolumeScanner scanner(WithCrc());
    scanner.AddVolume(volume, (dir / "t").string(), nullptr, nullptr);
    const SFileInfo* folder = &volume;
    for (int i = 0; i < 10; ++i) {
        folder = Child(*folder, "l");
        ASSERT_NE(folder, nullptr);
    }
    for (int i = 0; i < 16; ++i) {
        const SFileInfo* file = Child(*folder, "f" + std::to_string(i));
        ASSERT_NE(file, nullptr) << i;
        EXPECT_EQ(file->m_dwExtValue, ZlibCrc("file " + std::to_string(i))) << i;
    }
    const SFileInfo* bottom = Child(*folder, "x");
    for (int i = 1; i < 120 && bottom; ++i) {
        bottom = Child(*bottom, "x");
    }
    ASSERT_NE(bottom, nullptr);
    const SFileInfo* leaf = Child(*bottom, "bottom.txt");
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->m_dwExtValue, ZlibCrc("leaf"));
}

TEST(VolumeScanner, FolderMediumIsNamedBelowItsMountPoint) {
    ScratchDir dir;
    dir.Write("Data/Photos/a.jpg", "jpeg");
    SVolumeFacts facts;
    ASSERT_EQ(CVolumeProbe::ProbePath(dir.Path().string(), facts), 0);
    std::string mount = facts.m_root;
    if (mount.size() > 1 && mount.back() == '/') {
        mount.pop_back();
    }
    const std::string real = std::filesystem::canonical(dir / "Data/Photos").string();
    std::string below = real.substr(mount == "/" ? 1 : mount.size() + 1);
    std::replace(below.begin(), below.end(), '/', '\\');

    // With and without a trailing "/", the same medium.
    for (const std::string& path :
         {(dir / "Data/Photos").string(), (dir / "Data/Photos/").string()}) {
        SVolumeInfo volume;
        CVolumeScanner scanner;
        scanner.AddVolume(volume, path, nullptr, nullptr);
        EXPECT_EQ(volume.m_strRoot, mount) << path;
        EXPECT_EQ(volume.m_strName, below);
        EXPECT_EQ(volume.m_strOrgLabel, "Photos");
        EXPECT_EQ(volume.m_strLabel, "Photos");
        EXPECT_EQ(volume.m_bPresent, 1);
        EXPECT_EQ(volume.m_dwSerial, facts.m_serial);
        EXPECT_EQ(volume.m_strVolText2, facts.m_fileSystem);
        EXPECT_TRUE(volume.HasFlags(kFlagMedium | kAttrDirectory));
        EXPECT_EQ(__builtin_popcount(volume.MediumKind()), 1);
        EXPECT_EQ(volume.m_strLocation, volume.m_strRoot + "\\" + volume.m_strName);
        EXPECT_EQ(MediumOsFolder(volume), real);
        // A folder medium keeps its content size as total; free space is unknown.
        EXPECT_EQ(volume.m_nTotalBytes, 4u);
        EXPECT_EQ(volume.m_nFreeBytes, kUnknownSize);
        ASSERT_EQ(volume.ChildCount(), 1u);
        EXPECT_EQ(RecordOsPath(*volume.ChildAt(0)), real + "/a.jpg");
    }

    // The caller's label and comment win over the proposal.
    SVolumeInfo labelled;
    const std::string label = "写真", comment = "旅行";
    CVolumeScanner::SetVolumeInfo(labelled, (dir / "Data/Photos").string(), &label, &comment);
    EXPECT_EQ(labelled.m_strLabel, "写真");
    EXPECT_EQ(labelled.m_strOrgLabel, "Photos");
    EXPECT_EQ(labelled.Comment(), "旅行");
}

TEST(VolumeScanner, WholeMountPointIsNamedByItsVolume) {
    SVolumeFacts facts;
    ASSERT_EQ(CVolumeProbe::ProbePath("/", facts), 0);
    SVolumeInfo volume;
    CVolumeScanner::SetVolumeInfo(volume, facts.m_root, nullptr, nullptr);
    EXPECT_EQ(volume.m_strRoot, facts.m_root.size() > 1 && facts.m_root.back() == '/'
                                    ? facts.m_root.substr(0, facts.m_root.size() - 1)
                                    : facts.m_root);
    EXPECT_EQ(volume.m_strName, "");
    const std::string expected =
        facts.m_label.empty() ? FormatSerialNumber(facts.m_serial) : facts.m_label;
    EXPECT_EQ(volume.m_strOrgLabel, expected);
    EXPECT_EQ(volume.m_strLocation, volume.m_strRoot);

    // A whole volume takes its capacity from the file system.
    volume.m_nSize = 1;
    CVolumeScanner::UpdateDiskSpace(volume);
    EXPECT_NE(volume.m_nTotalBytes, 1u);
    EXPECT_NE(volume.m_nFreeBytes, kUnknownSize);
    EXPECT_NE(volume.m_dwBytesPerSector, 0u);
    // An absent one keeps its content size and unknown free bytes.
    volume.m_bPresent = 0;
    CVolumeScanner::UpdateDiskSpace(volume);
    EXPECT_EQ(volume.m_nTotalBytes, 1u);
    EXPECT_EQ(volume.m_nFreeBytes, kUnknownSize);
}

TEST(VolumeScanner, MediumFieldsFromVolumeFacts) {
    // A CD without a label is named by its serial number.
    SVolumeFacts cd;
    cd.m_root = "/media/u/CDROM/";
    cd.m_kind = DriveKind::CdRom;
    cd.m_serial = 0x1A2B3C4D;
    cd.m_fileSystem = "CDFS";
    SVolumeInfo disc;
    CVolumeScanner::ApplyVolumeFacts(disc, "/media/u/CDROM", &cd, nullptr, nullptr);
    EXPECT_EQ(disc.m_strOrgLabel, "1A2B-3C4D");
    EXPECT_EQ(disc.m_strRoot, "/media/u/CDROM");
    EXPECT_EQ(disc.m_strName, "");
    EXPECT_EQ(disc.m_strVolText2, "CDFS");
    EXPECT_EQ(disc.m_dwFlags, kFlagMedium | kAttrDirectory | kFlagCdRom);

    // A labelled volume mounted at "/" keeps "/" as its root.
    SVolumeFacts rootFs;
    rootFs.m_root = "/";
    rootFs.m_kind = DriveKind::Fixed;
    rootFs.m_label = "システム";
    SVolumeInfo whole;
    CVolumeScanner::ApplyVolumeFacts(whole, "/", &rootFs, nullptr, nullptr);
    EXPECT_EQ(whole.m_strRoot, "/");
    EXPECT_EQ(whole.m_strOrgLabel, "システム");
    EXPECT_EQ(whole.MediumKind(), kFlagFixed);
    SVolumeInfo below;
    CVolumeScanner::ApplyVolumeFacts(below, "/home/u/写真", &rootFs, nullptr, nullptr);
    EXPECT_EQ(below.m_strName, "home\\u\\写真");
    EXPECT_EQ(below.m_strOrgLabel, "写真");
    EXPECT_EQ(below.m_strLocation, "/\\home\\u\\写真");
    EXPECT_EQ(MediumOsFolder(below), "/home/u/写真") << "no doubled slash";
    EXPECT_EQ(OsPathFromModel(below.m_strLocation + "\\a.txt"), "/home/u/写真/a.txt");

    // A share: named by its network path, server and SMB share upper-cased.
    SVolumeFacts smb;
    smb.m_root = "/mnt/pub";
    smb.m_kind = DriveKind::Remote;
    smb.m_linuxType = "cifs";
    smb.m_networkPath = "\\\\filesrv\\public";
    smb.m_serial = 0x99;
    SVolumeInfo share;
    CVolumeScanner::ApplyVolumeFacts(share, "/mnt/pub/Projects/2024", &smb, nullptr, nullptr);
    EXPECT_EQ(share.m_strName, "\\\\FILESRV\\PUBLIC\\Projects\\2024");
    EXPECT_EQ(share.m_strOrgLabel, "2024");
    EXPECT_EQ(share.m_dwSerial, 0u);
    EXPECT_EQ(share.MediumKind(), kFlagRemote);
    EXPECT_EQ(share.m_strVolText2, "");
    EXPECT_EQ(share.m_strRoot, "/mnt/pub/Projects/2024");
    EXPECT_EQ(MediumOsFolder(share), "/mnt/pub/Projects/2024");
    // NFS export paths are case-sensitive: only the server is upper-cased.
    SVolumeFacts nfs = smb;
    nfs.m_linuxType = "nfs4";
    nfs.m_networkPath = "\\\\nas\\export\\Media";
    SVolumeInfo exported;
    CVolumeScanner::ApplyVolumeFacts(exported, "/mnt/pub", &nfs, nullptr, nullptr);
    EXPECT_EQ(exported.m_strName, "\\\\NAS\\export\\Media");
    EXPECT_EQ(exported.m_strOrgLabel, "Media");
}

TEST(VolumeScanner, UnreadableVolumeIsCalledUnkown) {
    ScratchDir dir;
    SVolumeInfo volume;
    volume.m_dwSerial = 0x12345678;
    CVolumeScanner scanner;
    scanner.AddVolume(volume, (dir / "missing").string(), nullptr, nullptr);
    EXPECT_EQ(volume.m_strOrgLabel, "Unkown");
    EXPECT_EQ(volume.m_strLabel, "Unkown");
    EXPECT_EQ(volume.m_dwSerial, 0u);
    EXPECT_EQ(volume.m_strVolText2, "");
    EXPECT_EQ(volume.MediumKind(), kFlagRemovable);
    EXPECT_EQ(volume.ChildCount(), 0u);
    EXPECT_TRUE(scanner.Report().RootFailed());
}

TEST(VolumeScanner, AddVolumeStartsFromAnEmptyRecord) {
    ScratchDir dir;
    dir.Write("a.txt", "a");
    SVolumeInfo volume;
    volume.SetComment("old");
    volume.SetLink("old link");
    volume.m_byMark = 1;
    volume.m_wExtFlags = kExtFlagCrc;
    volume.m_dwExtValue = 7;
    volume.m_dwFlags |= kFlagCdRom;
    CVolumeScanner scanner;
    scanner.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    EXPECT_EQ(volume.Comment(), "");
    EXPECT_EQ(volume.Link(), "");
    EXPECT_EQ(volume.m_byMark, 0);
    EXPECT_EQ(volume.m_wExtFlags, 0);
    EXPECT_EQ(volume.m_dwExtValue, 0u);
    EXPECT_EQ(__builtin_popcount(volume.MediumKind()), 1) << "exactly one kind bit";
    EXPECT_EQ(volume.CountFiles(true), 1u);
}

TEST(VolumeScanner, CollectCrcOnARegisteredTree) {
    ScratchDir dir;
    dir.Write("a/one.txt", "one");
    dir.Write("a/two.txt", "two");
    dir.Write("zero.txt", "");
    SVolumeInfo volume;
    CVolumeScanner plain; // CRCs off while scanning
    plain.AddVolume(volume, dir.Path().string(), nullptr, nullptr);
    const SFileInfo* a = Child(volume, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Child(*a, "one.txt")->m_dwExtValue, 0u);

    CVolumeScanner scanner;
    CRecordingSink sink;
    scanner.SetProgress(&sink);
    EXPECT_FALSE(scanner.CollectCRC(*const_cast<SFileInfo*>(Child(volume, "zero.txt")), false));
    EXPECT_TRUE(scanner.CollectCRC(volume, true));
    EXPECT_EQ(Child(*a, "one.txt")->m_dwExtValue, ZlibCrc("one"));
    EXPECT_EQ(Child(*a, "two.txt")->m_dwExtValue, ZlibCrc("two"));
    EXPECT_EQ(volume.m_dwExtValue, 0u) << "folders get no CRC";
    // Only files are announced.
    std::size_t crcPosts = 0;
    for (const auto& post : sink.m_posts) {
        crcPosts += post.first == kScanProgressCrc;
    }
    EXPECT_EQ(crcPosts, 4u);

    // After the medium is gone, a file that cannot be opened gets CRC 0.
    std::filesystem::remove(dir / "a/one.txt");
    EXPECT_FALSE(scanner.CollectCRC(*const_cast<SFileInfo*>(Child(*a, "one.txt")), false));
    EXPECT_FALSE(Child(*a, "one.txt")->m_wExtFlags & kExtFlagCrc);
}

} // namespace
} // namespace quillora
