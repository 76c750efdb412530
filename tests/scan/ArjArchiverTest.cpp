// The ARJ adapter over the arj program: listing, extraction with and without folders.
#include "scan/ArjArchiver.h"

#include "ArchiveTestData.h"
#include "support/ScratchDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using namespace quillora;
namespace fs = std::filesystem;

TEST(ArjArchiverTest, ListsAndExtractsWithAndWithoutFolders) {
    CArjArchiver arj;
    if (!arj.Load()) {
        GTEST_SKIP() << "arj is not installed";
    }
    EXPECT_EQ(arj.GetVersion() >> 24, 3u);
    quillora::test::ScratchDir dir;
    dir.Write("src/a.txt", "alpha");
    dir.Write("src/sub/b.txt", std::string(4000, 'b'));
    ASSERT_EQ(quillora::test::RunTool({"arj", "a", "-r", "../t.arj", "a.txt", "sub"}, dir / "src"),
              0);
    fs::path archive = dir / "t.arj";
    ASSERT_TRUE(arj.Open(archive.string(), 0)) << arj.LastError();
    std::vector<std::string> names;
    SArcListEntry entry;
    for (bool more = arj.FindFirst("*.*", entry); more; more = arj.FindNext(entry)) {
        names.emplace_back(entry.Name());
        if (entry.Name() == "sub/b.txt") {
            EXPECT_EQ(entry.m_nOriginalSize64, 4000u);
            EXPECT_LT(entry.m_nPackedSize64, 4000u);
            EXPECT_NE(entry.m_ftLastWrite, 0u);
        }
    }
    arj.CloseArchive();
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/b.txt"}));

    fs::path withFolders = dir / "with";
    ASSERT_TRUE(arj.Extract(archive.string(), withFolders.string(), {"sub\\b.txt"}, true));
    EXPECT_EQ(quillora::test::ReadFileBytes(withFolders / "sub" / "b.txt").size(), 4000u);
    EXPECT_FALSE(fs::exists(withFolders / "a.txt"));
    fs::path flat = dir / "flat";
    ASSERT_TRUE(arj.Extract(archive.string(), flat.string(), {}, false));
    EXPECT_EQ(quillora::test::ReadFileBytes(flat / "a.txt"), "alpha");
    EXPECT_TRUE(fs::exists(flat / "b.txt"));
    EXPECT_FALSE(arj.Extract(archive.string(), flat.string(), {"missing.txt"}, true));

    fs::path cut = dir.Write("cut.arj", quillora::test::ReadFileBytes(archive).substr(0, 60));
    EXPECT_FALSE(arj.Open(cut.string(), 0));
}

TEST(ArjArchiverTest, MembersWithFileCommentsAreListedAndReadForTheirCrc) {
    CArjArchiver arj;
    if (!arj.Load()) {
        GTEST_SKIP() << "arj is not installed";
    }
    quillora::test::ScratchDir dir;
    dir.Write("src/a.txt", "alpha");
    dir.Write("src/b.txt", std::string(3000, 'b'));
    dir.Write("src/sub/a.txt", "another alpha");
    const struct timespec stamp[2] = {{1600000000, 0}, {1600000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "src" / "a.txt").c_str(), stamp, 0), 0);
    // The comment imitates the lines arj prints for a member.
    dir.Write("comment.txt", "002) fake.txt\n 11 UNIX 99 99 1.000 99-01-01 00:00:00 -rw-r--r--\n");
    ASSERT_EQ(quillora::test::RunTool({"arj", "a", "../t.arj", "a.txt", "b.txt", "sub/a.txt"},
                                      dir / "src"),
              0);
    ASSERT_EQ(
        quillora::test::RunTool({"arj", "c", "t.arj", "a.txt", "-jzcomment.txt", "-y"}, dir.Path()),
        0);
    const std::string archive = (dir / "t.arj").string();
    ASSERT_TRUE(arj.OpenArchiveWithCrc(archive, CArcCrcChoice())) << arj.LastError();
    std::map<std::string, SArcListEntry> listed;
    SArcListEntry entry;
    for (bool more = arj.FindFirst("*", entry); more; more = arj.FindNext(entry)) {
        listed[std::string(entry.Name())] = entry;
    }
    arj.CloseArchive();
    ASSERT_EQ(listed.size(), 3u) << (listed.empty() ? "" : listed.begin()->first);
    EXPECT_EQ(listed.at("a.txt").m_nOriginalSize64, 5u);
    // Made on Unix: the stored time is a Unix time.
    EXPECT_EQ(listed.at("a.txt").m_ftLastWrite, FileTimeFromUnix(1600000000));
    EXPECT_EQ(listed.at("b.txt").m_nOriginalSize64, 3000u);
    // Two members of one name in different folders are read in separate runs.
    EXPECT_TRUE(listed.at("a.txt").m_bHasCrc);
    EXPECT_EQ(listed.at("a.txt").m_dwCrc, 0xD0E0396Au); // CRC-32 of "alpha"
    EXPECT_TRUE(listed.at("sub/a.txt").m_bHasCrc);
    EXPECT_NE(listed.at("sub/a.txt").m_dwCrc, listed.at("a.txt").m_dwCrc);
    EXPECT_TRUE(listed.at("b.txt").m_bHasCrc);

    const fs::path out = dir / "out";
    ASSERT_TRUE(arj.Extract(archive, out.string(), {"a.txt", "sub\\a.txt"}, true))
        << arj.LastError();
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "a.txt"), "alpha");
    EXPECT_EQ(quillora::test::ReadFileBytes(out / "sub" / "a.txt"), "another alpha");
}

TEST(ArjArchiverTest, DamagedHeadersFailTheListing) {
    CArjArchiver arj;
    if (!arj.Load()) {
        GTEST_SKIP() << "arj is not installed";
    }
    quillora::test::ScratchDir dir;
    dir.Write("src/a.txt", "alpha");
    ASSERT_EQ(quillora::test::RunTool({"arj", "a", "../t.arj", "a.txt"}, dir / "src"), 0);
    std::string bytes = quillora::test::ReadFileBytes(dir / "t.arj");
    const std::size_t name = bytes.find("a.txt");
    ASSERT_NE(name, std::string::npos);
    bytes[name] = 'b'; // the member's header no longer matches its CRC
    const fs::path bad = dir.Write("bad.arj", bytes);
    EXPECT_FALSE(arj.Open(bad.string(), 0));
    EXPECT_NE(arj.LastError().find("damaged"), std::string::npos);
    const fs::path garbage = dir.Write("garbage.arj", std::string("\x60\xEA\xFF\xFF", 4) + "x");
    EXPECT_FALSE(arj.Open(garbage.string(), 0));
}
