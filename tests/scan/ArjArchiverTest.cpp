// The ARJ adapter over the arj program: listing, extraction with and without folders.
#include "scan/ArjArchiver.h"

#include "ArchiveTestData.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

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

TEST(ArjArchiverTest, ParsesTheVerboseListing) {
    const char* text =
        "ARJ32 v 3.10\n"
        "Rev/Host OS    Original Compressed Ratio DateTime modified Attributes/GUA BPMGS\n"
        "------------ ---------- ---------- ----- ----------------- -------------- -----\n"
        "001) \x83\x5c.txt\n"
        " 11 WIN32            6          5 0.833 99-03-04 05:06:08 A---         \n"
        "                                   DTA   21-03-04 05:06:08\n"
        "------------ ---------- ---------- -----\n";
    std::vector<SArjListed> out;
    ASSERT_TRUE(ParseArjListing(text, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].m_nOriginal, 6u);
    EXPECT_EQ(out[0].m_nCompressed, 5u);
    EXPECT_EQ(out[0].m_dwDosDateTime, quillora::test::DosDateTime(1999, 3, 4, 5, 6, 8));
    EXPECT_EQ(out[0].m_strAttributes, "A---");
    std::vector<SArjListed> none;
    EXPECT_FALSE(ParseArjListing("001) cut short\n", none));
}
