// Comparing a medium with the case: folders the test builds, scans, changes and
// compares again; the matching rule on trees built in memory.
#include "CompareTestTools.h"
#include "model/EditingTree.h"
#include "support/ScratchDir.h"

#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"
#include "search/MediaCompare.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

using test::AddFile;
using test::AddFolder;
using test::Describe;
using test::RowNamed;
using test::ScratchDir;
using test::SetModified;

constexpr std::int64_t kJan2020 = 1577836800;

class MediaCompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Write("disc/keep.txt", "keep");
        m_dir.Write("disc/docs/old.txt", "old");
        m_dir.Write("disc/docs/touched.txt", "touched");
        m_dir.Write("disc/docs/gone.txt", "gone");
        m_dir.Write("disc/Photos/img1.jpg", "jpg");
        for (const char* path :
             {"disc/keep.txt", "disc/docs/old.txt", "disc/docs/touched.txt", "disc/docs/gone.txt",
              "disc/Photos/img1.jpg", "disc/docs", "disc/Photos"}) {
            SetModified(m_dir / path, kJan2020);
        }
        m_case = test::ScanFolder(Disc());
    }

    std::filesystem::path Disc() const { return m_dir / "disc"; }
    CompareRows CompareNow() { return CompareMediumWithCase(*m_case, *test::ScanFolder(Disc())); }

    ScratchDir m_dir;
    std::unique_ptr<SVolumeInfo> m_case;
};

TEST_F(MediaCompareTest, AnUnchangedFolderGivesNoRow) {
    CompareRows rows = CompareNow();
    EXPECT_TRUE(rows.empty()) << Describe(rows);
    EXPECT_EQ(CompareGuidance(kCompareMediaCase, rows), 227);
    EXPECT_EQ(CompareGuidance(kCompareMediaImport, rows), 227);
}

TEST_F(MediaCompareTest, EachChangeOnDiskGivesItsResultWithBothTimes) {
    m_dir.Write("disc/docs/added.txt", "new");
    SetModified(m_dir / "disc/docs/added.txt", kJan2020 + 50);
    std::filesystem::remove(m_dir / "disc/docs/gone.txt");
    SetModified(m_dir / "disc/docs/touched.txt", kJan2020 + 100);
    SetModified(m_dir / "disc/docs/old.txt", kJan2020 - 100);
    // The folder's own time moved with the added and deleted file.
    SetModified(m_dir / "disc/docs", kJan2020);

    CompareRows rows = CompareNow();
    ASSERT_EQ(rows.size(), 4u) << Describe(rows);
    const FileTime jan2020 = FileTimeFromUnix(kJan2020);

    const SCompareRow* touched = RowNamed(rows, "touched.txt");
    ASSERT_NE(touched, nullptr);
    EXPECT_EQ(touched->m_nResult, kResultMediumNewer);
    EXPECT_EQ(touched->m_first, FileTimeFromUnix(kJan2020 + 100));
    EXPECT_EQ(touched->m_second, jan2020);
    EXPECT_EQ(touched->m_strLocation, (Disc() / "docs").string());
    ASSERT_NE(touched->m_pCaseRecord, nullptr);
    EXPECT_EQ(touched->m_pCaseRecord->GetParent()->m_strName, "docs");

    const SCompareRow* old = RowNamed(rows, "old.txt");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->m_nResult, kResultCaseNewer);
    EXPECT_EQ(old->m_first, FileTimeFromUnix(kJan2020 - 100));
    EXPECT_EQ(old->m_second, jan2020);

    const SCompareRow* added = RowNamed(rows, "added.txt");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->m_nResult, kResultMediumOnly);
    EXPECT_EQ(added->m_first, FileTimeFromUnix(kJan2020 + 50));
    EXPECT_FALSE(added->m_second.has_value());
    EXPECT_EQ(added->m_pCaseRecord, nullptr);

    // Records only the case has come last, after the walk over the medium.
    EXPECT_EQ(rows.back().m_strName, "gone.txt");
    EXPECT_EQ(rows.back().m_nResult, kResultCaseOnly);
    EXPECT_FALSE(rows.back().m_first.has_value());
    EXPECT_EQ(rows.back().m_second, jan2020);
    EXPECT_EQ(CompareGuidance(kCompareMediaCase, rows), 228);
    EXPECT_EQ(CompareGuidance(kCompareMediaImport, rows), 520);
}

TEST_F(MediaCompareTest, AFolderAddedOrRemovedListsItselfAndEverythingBelowInTreeOrder) {
    std::filesystem::remove_all(m_dir / "disc/Photos");
    m_dir.Write("disc/music/live/b.mp3", "b");
    SetModified(Disc(), kJan2020);

    CompareRows rows = CompareNow();
    EXPECT_EQ(Describe(rows), "218 music\n218 live\n218 b.mp3\n219 Photos\n219 img1.jpg\n")
        << "the walk over the scan lists the new folder before its files; the case's "
           "left-over records follow in the case's order";
}

TEST_F(MediaCompareTest, NamesThatDifferOnlyInLetterCaseAreTheSameRecord) {
    std::filesystem::rename(m_dir / "disc/docs", m_dir / "disc/DOCS");
    std::filesystem::rename(m_dir / "disc/DOCS/old.txt", m_dir / "disc/DOCS/OLD.txt");
    for (const char* path : {"disc/DOCS", "disc/DOCS/OLD.txt"}) {
        SetModified(m_dir / path, kJan2020);
    }
    SetModified(Disc(), kJan2020);
    CompareRows rows = CompareNow();
    EXPECT_TRUE(rows.empty()) << Describe(rows);
}

TEST_F(MediaCompareTest, AScanOfAnotherMediumNameMatchesNothing) {
    std::unique_ptr<SVolumeInfo> other = test::ScanFolder(Disc());
    other->m_strName = "somewhere\\else";
    CompareRows rows = CompareMediumWithCase(*m_case, *other);
    // Every record shows twice: once as only on the medium, once as only in the case.
    EXPECT_EQ(rows.size(), 2 * (m_case->CountFiles(true) + m_case->CountFolders(true)));
    EXPECT_EQ(rows.front().m_nResult, kResultMediumOnly);
    EXPECT_EQ(rows.back().m_nResult, kResultCaseOnly);
}

// Linux keeps "Docs" and "DOCS" apart; the comparison, like the catalogue, does not.
// At each level the first folder of that name under which the rest of the path is
// found is the one taken.
TEST(MediaCompareMatching, TheFirstOfEqualNamesUnderWhichTheRestMatchesIsTaken) {
    SVolumeInfo caseMedium;
    SFileInfo* first = AddFolder(caseMedium, "Docs");
    AddFile(*first, "a.txt")->m_ftLastWrite = 10;
    SFileInfo* second = AddFolder(caseMedium, "DOCS");
    SFileInfo* inner = AddFolder(*second, "inner");
    AddFile(*inner, "b.txt")->m_ftLastWrite = 20;
    AddFile(*second, "a.txt")->m_ftLastWrite = 99;

    SVolumeInfo scanned;
    SFileInfo* docs = AddFolder(scanned, "docs");
    AddFile(*docs, "A.TXT")->m_ftLastWrite = 10;
    SFileInfo* scannedInner = AddFolder(*docs, "INNER");
    AddFile(*scannedInner, "b.txt")->m_ftLastWrite = 21;

    CompareRows rows = CompareMediumWithCase(caseMedium, scanned);
    // "docs" and a.txt matched the first "Docs" (equal times, no row); INNER and
    // b.txt exist only below "DOCS" and are found there, which leaves "DOCS" itself
    // and its a.txt unmatched.
    ASSERT_EQ(Describe(rows), "216 b.txt\n219 DOCS\n219 a.txt\n");
    EXPECT_EQ(rows[0].m_pCaseRecord->GetParent(), inner);
    EXPECT_EQ(rows[2].m_pCaseRecord, second->ChildAt(1));
}

TEST(MediaCompareMatching, ARecordOnTheMediumTwiceMatchesTheSameCaseRecordTwice) {
    SVolumeInfo caseMedium;
    AddFile(caseMedium, "readme.txt")->m_ftLastWrite = 5;
    SVolumeInfo scanned;
    AddFile(scanned, "readme.txt")->m_ftLastWrite = 5;
    AddFile(scanned, "README.TXT")->m_ftLastWrite = 6;
    CompareRows rows = CompareMediumWithCase(caseMedium, scanned);
    ASSERT_EQ(rows.size(), 1u) << Describe(rows);
    EXPECT_EQ(rows[0].m_nResult, kResultMediumNewer);
}

TEST(MediaCompareMatching, TreesDeeperThanTheMachineStackCompare) {
    SVolumeInfo caseMedium;
    SVolumeInfo scanned;
    SFileInfo* c = &caseMedium;
    SFileInfo* s = &scanned;
    for (int level = 0; level < 2000; ++level) {
        // A second folder of the same name at every level sends the look-up down the
        // long way round.
        AddFolder(*c, "d");
        c = AddFolder(*c, "D");
        s = AddFolder(*s, "d");
    }
    AddFile(*c, "leaf")->m_ftLastWrite = 1;
    AddFile(*s, "leaf")->m_ftLastWrite = 2;
    CompareRows rows = CompareMediumWithCase(caseMedium, scanned);
    // Each scanned "d" matched the case's first folder of that name, the empty one;
    // only the leaf had to be found through the "D" folders, which stay unmatched.
    ASSERT_EQ(rows.front().m_nResult, kResultMediumNewer);
    EXPECT_EQ(rows.front().m_strName, "leaf");
    EXPECT_EQ(rows.size(), 1u + 2000u);
}

} // namespace
} // namespace quillora
