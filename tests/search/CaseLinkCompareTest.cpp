// Comparing linked records with their link targets.
#include "CompareTestTools.h"
#include "model/EditingTree.h"
#include "support/ScratchDir.h"

#include "model/CaseEditing.h"
#include "search/LinkTarget.h"
#include "search/MediaCompare.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

using test::AddFile;
using test::AddFolder;
using test::Describe;
using test::ScratchDir;
using test::SetModified;

constexpr std::int64_t kT = 1600000000;

TEST(CaseLinkCompare, EveryLinkedRecordGetsARowTheEqualOnesIncluded) {
    ScratchDir dir;
    for (const char* name : {"older.txt", "equal.txt", "newer.txt"}) {
        dir.Write(std::string("links/") + name, name);
    }
    SetModified(dir / "links/older.txt", kT - 10);
    SetModified(dir / "links/equal.txt", kT);
    SetModified(dir / "links/newer.txt", kT + 10);

    SVolumeInfo medium;
    const std::string links = (dir / "links").string();
    for (const char* name :
         {"missing.txt", "older.txt", "unlinked.txt", "equal.txt", "newer.txt"}) {
        SFileInfo* file = AddFile(medium, name);
        file->m_ftLastWrite = FileTimeFromUnix(kT);
        if (std::string(name) != "unlinked.txt") {
            // Links are kept with "\" like every catalogue path.
            SetLink(*file, links + "\\" + name, true);
        }
    }
    CompareRows rows = CompareCaseWithLinks(medium);
    EXPECT_EQ(Describe(rows), "220 missing.txt\n215 older.txt\n222 equal.txt\n217 newer.txt\n");
    EXPECT_EQ(rows[0].m_first, FileTimeFromUnix(kT));
    EXPECT_FALSE(rows[0].m_second.has_value());
    EXPECT_EQ(rows[1].m_second, FileTimeFromUnix(kT - 10));
    EXPECT_EQ(rows[3].m_second, FileTimeFromUnix(kT + 10));
    EXPECT_EQ(rows[3].m_pCaseRecord, medium.ChildAt(4));
    EXPECT_EQ(CompareGuidance(kCompareCaseLink, rows), 230);
    EXPECT_EQ(CompareGuidance(kCompareCaseLink, {}), 227);
}

TEST(CaseLinkCompare, ALinkedFolderChecksItselfAndTheFilesBelowInTreeOrder) {
    ScratchDir dir;
    dir.Write("backup/sub/a.txt", "a");
    SetModified(dir / "backup/sub/a.txt", kT);
    SetModified(dir / "backup/sub", kT);
    SVolumeInfo medium;
    SFileInfo* sub = AddFolder(medium, "sub");
    sub->m_ftLastWrite = FileTimeFromUnix(kT);
    AddFile(*sub, "a.txt")->m_ftLastWrite = FileTimeFromUnix(kT);
    AddFile(*sub, "b.txt")->m_ftLastWrite = FileTimeFromUnix(kT);
    SetLink(*sub, (dir / "backup/sub").string(), true);
    EXPECT_EQ(Describe(CompareCaseWithLinks(medium)), "222 sub\n222 a.txt\n220 b.txt\n");
    // Linking the whole medium links everything below it, and the medium gets its row
    // too: with no time of its own it says whether its target is there.
    medium.m_strLabel = "Disc";
    medium.UpdateDisplayName();
    SetLink(medium, (dir / "backup").string(), true);
    CompareRows rows = CompareCaseWithLinks(medium);
    EXPECT_EQ(Describe(rows), "222 Disc\n222 sub\n222 a.txt\n220 b.txt\n");
    EXPECT_EQ(rows[0].m_pCaseRecord, &medium);
    EXPECT_FALSE(rows[0].m_first.has_value());
    ASSERT_TRUE(rows[0].m_second.has_value());
    SetLink(medium, (dir / "gone").string(), true);
    EXPECT_EQ(Describe(CompareCaseWithLinks(medium)), "220 Disc\n220 sub\n220 a.txt\n220 b.txt\n");
    // A medium that does carry a time compares it like any record.
    medium.m_ftLastWrite = FileTimeFromUnix(kT - 100);
    SetLink(medium, (dir / "backup").string(), true);
    EXPECT_EQ(Describe(CompareCaseWithLinks(medium)).substr(0, 9), "217 Disc\n");
}

// A case made on Windows carries links such as "D:\Backup\a.txt"; here they name
// nothing, and must not be taken for a relative path that happens to exist.
TEST(CaseLinkCompare, WindowsLinksAreMissingTargets) {
    ScratchDir dir;
    dir.Write("D:/Backup/a.txt", "relative to the working folder");
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    SVolumeInfo medium;
    SetLink(*AddFile(medium, "a.txt"), "D:\\Backup\\a.txt", true);
    SetLink(*AddFile(medium, "b.txt"), "\\\\server\\share\\b.txt", true);
    SetLink(*AddFile(medium, "c.txt"), "relative\\c.txt", true);
    CompareRows rows = CompareCaseWithLinks(medium);
    std::filesystem::current_path(previous);
    EXPECT_EQ(Describe(rows), "220 a.txt\n220 b.txt\n220 c.txt\n");
    EXPECT_EQ(LinkOsPath("\\tmp\\x\\y.txt"), "/tmp/x/y.txt");
    EXPECT_EQ(LinkOsPath("/tmp/x\\y.txt"), "/tmp/x/y.txt");
}

} // namespace
} // namespace quillora
