// A case mounted for real: the tree tools see, the attributes and extended attributes,
// reads through to a present medium and into its archives, no medium, no writes, and a
// case file replaced under the mount.
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/EditingTree.h"
#include "mount/CCaseMount.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace quillora {
namespace {

using test::AddFile;
using test::AddFolder;
using test::AddMedium;
using test::ReadFileBytes;
using test::ScratchDir;

// Serves one case at a folder on its own thread for as long as it lives.
class CServedMount {
public:
    CServedMount(const std::filesystem::path& casePath, const std::filesystem::path& folder,
                 CArchiveExpander* archives = nullptr, const std::string& password = {})
        : m_folder(folder) {
        std::filesystem::create_directories(folder);
        SMountOptions options;
        options.m_strCasePath = casePath.string();
        options.m_strMountPoint = folder.string();
        options.m_strPassword = password;
        options.m_pArchives = archives;
        m_bMounted = m_mount.Mount(options, &m_strError);
        if (m_bMounted) {
            m_thread = std::thread([this] { m_mount.Serve(false); });
        }
    }
    ~CServedMount() {
        if (m_bMounted && !CCaseMount::Unmount(m_folder.string(), false, nullptr)) {
            CCaseMount::Unmount(m_folder.string(), true, nullptr);
        }
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    bool Mounted() const { return m_bMounted; }
    const std::string& Error() const { return m_strError; }
    CCaseMount& Mount() { return m_mount; }

private:
    std::filesystem::path m_folder;
    CCaseMount m_mount;
    bool m_bMounted = false;
    std::string m_strError;
    std::thread m_thread;
};

class CaseMountTest : public testing::Test {
protected:
    void SetUp() override {
        // CI runs as root with /dev/fuse; without it these tests must say why they fail.
        ASSERT_EQ(access("/dev/fuse", F_OK), 0)
            << "FUSE is not available on this machine: /dev/fuse does not exist";
    }
    std::string Xattr(const std::filesystem::path& path, const char* name) {
        char value[4096];
        const ssize_t got = getxattr(path.c_str(), name, value, sizeof value);
        return got < 0 ? "<" + std::string(std::strerror(errno)) + ">" : std::string(value, got);
    }

    ScratchDir m_dir;
    std::filesystem::path m_at = m_dir / "mnt";
};

// A case of one absent disc with a folder, files of the same name, texts and times.
std::filesystem::path WriteSampleCase(const ScratchDir& dir, const char* name = "shelf.cas",
                                      const char* fileName = "a.txt") {
    CCDCase root;
    SVolumeInfo* cd = AddMedium(root, "CD1");
    cd->m_dwSerial = 0x12345678;
    SFileInfo* folder = AddFolder(*cd, "dir");
    folder->m_ftLastWrite = FileTimeFromUnix(1000000000, 500);
    SFileInfo* a = AddFile(*cd, fileName, 1234567);
    a->m_dwFlags |= kAttrReadOnly;
    a->m_ftLastWrite = FileTimeFromUnix(1015218367, 123456700);
    a->m_ftCreation = FileTimeFromUnix(1015218000);
    a->m_ftLastAccess = FileTimeFromUnix(1015219000);
    a->m_wExtFlags = kExtFlagCrc;
    a->m_dwExtValue = 0xDEADBEEF;
    a->SetComment("line1\r\nline2");
    a->SetCategory("テキスト");
    AddFile(*folder, "b.txt", 10);
    AddFile(*cd, fileName, 7);
    root.RecalcSize(true);
    const auto path = dir / name;
    SaveCaseFile(root, path.string(), false);
    return path;
}

TEST_F(CaseMountTest, AttributesNamesAndExtendedAttributes) {
    const auto casePath = WriteSampleCase(m_dir);
    CServedMount served(casePath, m_at);
    ASSERT_TRUE(served.Mounted()) << served.Error();

    struct stat st {};
    ASSERT_EQ(stat((m_at / "CD1" / "a.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0444u) << "a read-only file has no write bits";
    EXPECT_EQ(st.st_size, 1234567);
    EXPECT_EQ(st.st_mtim.tv_sec, 1015218367);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456700);
    EXPECT_EQ(st.st_ctim.tv_sec, 1015218000) << "the creation time";
    EXPECT_EQ(st.st_atim.tv_sec, 1015219000);
    // The case, CD1, dir, b.txt in dir, then a.txt: its place in the file, plus one.
    EXPECT_EQ(st.st_ino, 5u);
    ASSERT_EQ(stat((m_at / "CD1" / "a.txt (2)").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 7);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(stat((m_at / "CD1" / "dir").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0555u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);

    const auto a = m_at / "CD1" / "a.txt";
    EXPECT_EQ(Xattr(a, "user.quillora.crc"), "deadbeef");
    EXPECT_EQ(Xattr(a, "user.quillora.comment"), "line1\r\nline2");
    EXPECT_EQ(Xattr(a, "user.quillora.category"), "テキスト");
    EXPECT_EQ(Xattr(a, "user.quillora.medium"), "CD1");
    EXPECT_EQ(Xattr(a, "user.quillora.case"), casePath.string());
    EXPECT_EQ(Xattr(m_at / "CD1" / "dir", "user.quillora.crc"), "<No data available>");
    char list[1024];
    const ssize_t got = listxattr(a.c_str(), list, sizeof list);
    ASSERT_GT(got, 0);
    static const char kNames[] = "user.quillora.crc\0user.quillora.comment\0"
                                 "user.quillora.category\0user.quillora.medium\0"
                                 "user.quillora.case";
    EXPECT_EQ(std::string(list, got), std::string(kNames, sizeof kNames));
    struct statvfs vfs {};
    ASSERT_EQ(statvfs(m_at.c_str(), &vfs), 0);
    EXPECT_EQ(vfs.f_files, 6u);
    EXPECT_EQ(vfs.f_blocks * vfs.f_frsize, (1234567u + 7 + 10 + 4095) / 4096 * 4096);
    EXPECT_TRUE(vfs.f_flag & ST_RDONLY);
}

TEST_F(CaseMountTest, AbsentMediaAnswerNoMediumAndNothingIsWritable) {
    const auto casePath = WriteSampleCase(m_dir);
    CServedMount served(casePath, m_at);
    ASSERT_TRUE(served.Mounted()) << served.Error();
    const auto a = m_at / "CD1" / "a.txt";
    errno = 0;
    EXPECT_LT(open(a.c_str(), O_RDONLY), 0);
    EXPECT_EQ(errno, ENOMEDIUM);

    auto fails = [](int result) { return result < 0 ? errno : 0; };
    EXPECT_EQ(fails(open((m_at / "CD1" / "a.txt (2)").c_str(), O_WRONLY)), EROFS);
    EXPECT_EQ(fails(open((m_at / "CD1" / "new").c_str(), O_WRONLY | O_CREAT, 0644)), EROFS);
    EXPECT_EQ(fails(mkdir((m_at / "CD1" / "x").c_str(), 0755)), EROFS);
    EXPECT_EQ(fails(unlink(a.c_str())), EROFS);
    EXPECT_EQ(fails(rmdir((m_at / "CD1" / "dir").c_str())), EROFS);
    EXPECT_EQ(fails(rename(a.c_str(), (m_at / "CD1" / "b").c_str())), EROFS);
    EXPECT_EQ(fails(chmod(a.c_str(), 0777)), EROFS);
    EXPECT_EQ(fails(truncate(a.c_str(), 0)), EROFS);
    EXPECT_EQ(fails(setxattr(a.c_str(), "user.x", "1", 1, 0)), EROFS);
    EXPECT_EQ(fails(symlink("a", (m_at / "CD1" / "l").c_str())), EROFS);
}

TEST_F(CaseMountTest, ReadsPassThroughToAPresentFolderAndIntoItsArchives) {
    m_dir.Write("disc/top.txt", "top bytes\n");
    m_dir.Write("disc/sub/deep.txt", "deep\n");
    m_dir.Write("pack/in.txt", "inside the zip\n");
    ASSERT_EQ(test::RunProgram({"sh", "-c",
                                "cd '" + (m_dir / "pack").string() + "' && zip -q -r '" +
                                    (m_dir / "disc" / "pack.zip").string() + "' in.txt"})
                  .exitCode,
              0);
    const auto casePath = m_dir / "disc.cas";
    const test::CliResult scan =
        test::RunCli({"scan", casePath.string(), (m_dir / "disc").string(), "--label", "D"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;

    CArchiverSet archivers;
    archivers.LoadAll();
    CArchiveExpander expander(archivers);
    CServedMount served(casePath, m_at, &expander);
    ASSERT_TRUE(served.Mounted()) << served.Error();
    EXPECT_EQ(ReadFileBytes(m_at / "D" / "top.txt"), "top bytes\n");
    EXPECT_EQ(ReadFileBytes(m_at / "D" / "sub" / "deep.txt"), "deep\n");
    EXPECT_EQ(ReadFileBytes(m_at / "D" / "pack.zip" / "in.txt"), "inside the zip\n");
    // The file goes: its medium is still there, the file is not.
    std::filesystem::remove(m_dir / "disc" / "top.txt");
    errno = 0;
    EXPECT_LT(open((m_at / "D" / "top.txt").c_str(), O_RDONLY), 0);
    EXPECT_EQ(errno, ENOENT);
    // The whole folder goes: the medium is not present any more.
    std::filesystem::remove_all(m_dir / "disc");
    errno = 0;
    EXPECT_LT(open((m_at / "D" / "sub" / "deep.txt").c_str(), O_RDONLY), 0);
    EXPECT_EQ(errno, ENOMEDIUM);
}

TEST_F(CaseMountTest, TheMountedMediumListsAsTheRealFolderDoes) {
    m_dir.Write("disc/readme.txt", "hello");
    m_dir.Write("disc/写真/旅行 1.jpg", std::string(3000, 'j'));
    m_dir.Write("disc/a/b/c/empty", "");
    m_dir.Write("disc/.hidden", "h");
    const auto casePath = m_dir / "disc.cas";
    ASSERT_EQ(test::RunCli({"scan", casePath.string(), (m_dir / "disc").string(), "--label", "D",
                            "--no-archives"})
                  .exitCode,
              0);
    CServedMount served(casePath, m_at);
    ASSERT_TRUE(served.Mounted()) << served.Error();
    // tree's JSON, flattened to "type size mtime path" lines; folder sizes differ by nature.
    const std::string flatten = "import json,sys\n"
                                "def walk(items, prefix):\n"
                                "  for i in items:\n"
                                "    p = prefix + '/' + i['name']\n"
                                "    size = i['size'] if i['type'] == 'file' else '-'\n"
                                "    print(i['type'], size, i['time'], p)\n"
                                "    walk(i.get('contents', []), p)\n"
                                "walk(json.load(sys.stdin)[0].get('contents', []), '')\n";
    auto listing = [&](const std::filesystem::path& folder) {
        const test::CliResult tree = test::RunProgram(
            {"tree", "-J", "-a", "-s", "-D", "--timefmt", "%s", "--noreport", folder.string()});
        EXPECT_EQ(tree.exitCode, 0) << tree.err;
        const test::CliResult flat = test::RunProgram({"python3", "-c", flatten}, tree.out);
        EXPECT_EQ(flat.exitCode, 0) << flat.err;
        return flat.out;
    };
    const std::string real = listing(m_dir / "disc");
    EXPECT_NE(real.find("旅行 1.jpg"), std::string::npos) << real;
    EXPECT_EQ(listing(m_at / "D"), real);
}

TEST_F(CaseMountTest, AChangedCaseShowsItsNewTree) {
    const auto casePath = WriteSampleCase(m_dir);
    CServedMount served(casePath, m_at);
    ASSERT_TRUE(served.Mounted()) << served.Error();
    struct stat st {};
    ASSERT_EQ(stat((m_at / "CD1" / "a.txt").c_str(), &st), 0);
    // Written beside and renamed over, as every save does.
    WriteSampleCase(m_dir, "shelf.cas", "renamed.txt");
    const std::uint64_t before = served.Mount().Generation();
    for (int i = 0; i < 500 && served.Mount().Generation() == before; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(served.Mount().Generation(), before) << "the case was not read again";
    EXPECT_NE(stat((m_at / "CD1" / "a.txt").c_str(), &st), 0) << "the kernel kept the old name";
    EXPECT_EQ(stat((m_at / "CD1" / "renamed.txt").c_str(), &st), 0);
    EXPECT_EQ(stat((m_at / "CD1" / "renamed.txt (2)").c_str(), &st), 0);
    // A damaged file is never shown: the last good tree stays.
    std::string error;
    m_dir.Write("shelf.cas", "garbage");
    EXPECT_FALSE(served.Mount().Reload(&error));
    EXPECT_EQ(stat((m_at / "CD1" / "renamed.txt").c_str(), &st), 0);
}

TEST_F(CaseMountTest, AProtectedCaseNeedsItsPassword) {
    CCDCase root;
    root.m_strPassword = "pw";
    AddFile(*AddMedium(root, "CD"), "f", 1);
    const auto casePath = m_dir / "locked.cas";
    SaveCaseFile(root, casePath.string(), false);
    {
        CServedMount served(casePath, m_at, nullptr, "pw");
        ASSERT_TRUE(served.Mounted()) << served.Error();
        struct stat st {};
        EXPECT_EQ(stat((m_at / "CD" / "f").c_str(), &st), 0);
    }
    EXPECT_ANY_THROW(CServedMount(casePath, m_at, nullptr, "wrong"));
}

} // namespace
} // namespace quillora
