// Carrying user data from an old copy of a medium to a new scan of it.
#include "model/UserDataTransfer.h"
#include "EditingTree.h"
#include "model/CaseEditing.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

const CPropertyDefinition g_office{"MS-Office", {1, 2, 3}, false};

std::unique_ptr<CPropertySet> Props(std::vector<std::string> values) {
    auto props = std::make_unique<CPropertySet>(&g_office);
    props->Values() = std::move(values);
    return props;
}

// The medium as it was registered, with the user's data on it.
std::unique_ptr<SVolumeInfo> OldDisc() {
    auto disc = std::make_unique<SVolumeInfo>();
    disc->m_strRoot = "/media/u/DISC";
    disc->RecomputeLocation();
    disc->m_strLabel = "My holiday";
    disc->SetComment("disc comment");
    SFileInfo* docs = AddFolder(*disc, "Docs");
    SFileInfo* report = AddFile(*docs, "Report.doc");
    report->m_byMark = 1;
    report->SetComment("old report comment");
    report->SetCategory("Work");
    report->SetProps(Props({"Old title", "Old subject", ""}));
    SFileInfo* gone = AddFile(*docs, "gone.txt");
    gone->m_byMark = 1;
    gone->SetComment("vanished");
    SFileInfo* song = AddFile(*disc, "song.mp3");
    song->SetLink("/home/u/music/song.mp3");
    song->SetCategory("Music");
    return disc;
}

// The same medium scanned again: a name changed case, a file disappeared, one is new,
// and the scan found comments and properties of its own.
std::unique_ptr<SVolumeInfo> NewDisc(const std::string& root = "/media/u/DISC") {
    auto disc = std::make_unique<SVolumeInfo>();
    disc->m_strRoot = root;
    disc->RecomputeLocation();
    disc->m_strLabel = "HOLIDAY_2002";
    SFileInfo* docs = AddFolder(*disc, "DOCS");
    SFileInfo* report = AddFile(*docs, "report.doc");
    report->SetComment("extracted comment");
    report->SetProps(Props({"New title", "", "New author"}));
    AddFile(*docs, "new.txt");
    AddFile(*disc, "song.mp3");
    return disc;
}

SFileInfo& At(SFileInfo& root, std::initializer_list<std::size_t> indexes) {
    SFileInfo* r = &root;
    for (std::size_t i : indexes) {
        r = r->ChildAt(i);
    }
    return *r;
}

} // namespace

TEST(UserDataTransfer, ReplaceModeKeepsDataOfUnchangedPathsAndDropsVanishedFiles) {
    std::unique_ptr<SVolumeInfo> old = OldDisc();
    std::unique_ptr<SVolumeInfo> scanned = NewDisc();
    TransferUserData(*scanned, *old, kTransferReplace);

    SFileInfo& report = At(*scanned, {0, 0});
    EXPECT_EQ(report.m_byMark, 1);
    EXPECT_EQ(report.Comment(), "old report comment");
    EXPECT_EQ(report.Category(), "Work");
    ASSERT_TRUE(report.Props());
    EXPECT_EQ(report.Props()->Values(), (std::vector<std::string>{"Old title", "Old subject", ""}));
    EXPECT_NE(report.Props(), At(*old, {0, 0}).Props()); // a copy, not shared

    SFileInfo& fresh = At(*scanned, {0, 1});
    EXPECT_EQ(fresh.m_byMark, 0);
    EXPECT_EQ(fresh.Comment(), "");
    EXPECT_EQ(Collect(*scanned, kCollectCommented).size(), 2u); // disc and report only

    SFileInfo& song = At(*scanned, {1});
    EXPECT_EQ(song.Link(), "/home/u/music/song.mp3");
    EXPECT_EQ(song.Category(), "Music");

    EXPECT_EQ(scanned->Comment(), "disc comment");
    EXPECT_EQ(scanned->m_strLabel, "My holiday");

    // The old tree is only read.
    EXPECT_EQ(At(*old, {0, 1}).Comment(), "vanished");
    EXPECT_TRUE(At(*old, {0, 0}).Props());
}

TEST(UserDataTransfer, ReplaceModeDropsAPropertySetTheOldRecordLacked) {
    std::unique_ptr<SVolumeInfo> old = OldDisc();
    At(*old, {0, 0}).SetProps(nullptr);
    std::unique_ptr<SVolumeInfo> scanned = NewDisc();
    TransferUserData(*scanned, *old, kTransferReplace);
    EXPECT_EQ(At(*scanned, {0, 0}).Props(), nullptr);
}

TEST(UserDataTransfer, FillModeFillsOnlyEmptyTextsAndMergesPropertySets) {
    std::unique_ptr<SVolumeInfo> old = OldDisc();
    std::unique_ptr<SVolumeInfo> scanned = NewDisc();
    TransferUserData(*scanned, *old, kTransferFill);

    SFileInfo& report = At(*scanned, {0, 0});
    EXPECT_EQ(report.m_byMark, 1);
    EXPECT_EQ(report.Comment(), "extracted comment"); // not empty: kept
    EXPECT_EQ(report.Category(), "Work");             // empty: filled
    ASSERT_TRUE(report.Props());
    // The new values win where they are not empty; the old fill the rest.
    EXPECT_EQ(report.Props()->Values(),
              (std::vector<std::string>{"New title", "Old subject", "New author"}));
    EXPECT_EQ(At(*scanned, {1}).Category(), "Music");
    EXPECT_EQ(scanned->m_strLabel, "My holiday");
}

TEST(UserDataTransfer, OtherModesCarryMarksAndLinksOnly) {
    std::unique_ptr<SVolumeInfo> old = OldDisc();
    std::unique_ptr<SVolumeInfo> scanned = NewDisc();
    TransferUserData(*scanned, *old, 0);
    EXPECT_EQ(At(*scanned, {0, 0}).m_byMark, 1);
    EXPECT_EQ(At(*scanned, {0, 0}).Category(), "");
    EXPECT_EQ(At(*scanned, {1}).Link(), "/home/u/music/song.mp3");
    EXPECT_EQ(At(*scanned, {1}).Category(), "");
}

TEST(UserDataTransfer, EachOldRecordIsUsedOnceInTreeOrder) {
    // Two old files whose paths differ only in case, and two new ones likewise: the
    // first new takes the first old, the second the second.
    SVolumeInfo old;
    AddFile(old, "a.txt")->SetComment("first");
    AddFile(old, "A.TXT")->SetComment("second");
    SVolumeInfo scanned;
    AddFile(scanned, "A.txt");
    AddFile(scanned, "a.TXT");
    AddFile(scanned, "a.txt");
    TransferUserData(scanned, old, kTransferReplace);
    EXPECT_EQ(scanned.ChildAt(0)->Comment(), "first");
    EXPECT_EQ(scanned.ChildAt(1)->Comment(), "second");
    EXPECT_EQ(scanned.ChildAt(2)->Comment(), "");
}

TEST(UserDataTransfer, AnOldRecordWithoutDataLeavesTheNewOneAsScanned) {
    // Neither record of the same path as a record with data is skipped in the order:
    // the second old "a.txt" without data still takes the second new one.
    SVolumeInfo old;
    AddFile(old, "a.txt")->SetComment("first");
    AddFile(old, "A.txt");
    AddFile(old, "plain.txt");
    SVolumeInfo scanned;
    AddFile(scanned, "a.txt");
    SFileInfo* second = AddFile(scanned, "a.TXT");
    second->SetComment("extracted");
    second->m_byMark = 1;
    AddFile(scanned, "plain.txt")->SetComment("extracted too");
    TransferUserData(scanned, old, kTransferReplace);
    EXPECT_EQ(scanned.ChildAt(0)->Comment(), "first");
    EXPECT_EQ(second->Comment(), "extracted");
    EXPECT_EQ(second->m_byMark, 1);
    EXPECT_EQ(scanned.ChildAt(2)->Comment(), "extracted too");
    EXPECT_TRUE(HasUserData(*old.ChildAt(0)));
    EXPECT_FALSE(HasUserData(*old.ChildAt(1)));

    // A medium nobody wrote on: nothing of the new scan is touched, the label is.
    SVolumeInfo bare;
    bare.m_strLabel = "Old label";
    AddFile(bare, "plain.txt");
    SVolumeInfo again;
    AddFile(again, "plain.txt")->SetComment("extracted");
    TransferUserData(again, bare, kTransferReplace);
    EXPECT_EQ(again.ChildAt(0)->Comment(), "extracted");
    EXPECT_EQ(again.m_strLabel, "Old label");
}

TEST(UserDataTransfer, AMediumMountedElsewhereStillFindsItsFiles) {
    std::unique_ptr<SVolumeInfo> old = OldDisc();
    std::unique_ptr<SVolumeInfo> scanned = NewDisc("/run/media/u/DISC1");
    TransferUserData(*scanned, *old, kTransferReplace);
    EXPECT_EQ(At(*scanned, {0, 0}).Comment(), "old report comment");
}

TEST(UserDataTransfer, ALinkedOldFolderLinksTheNewSubtree) {
    SVolumeInfo old;
    SFileInfo* folder = AddFolder(old, "Photos");
    AddFile(*folder, "a.jpg");
    SetLink(*folder, "/backup/Photos", false);
    SVolumeInfo scanned;
    SFileInfo* newFolder = AddFolder(scanned, "Photos");
    AddFile(*newFolder, "a.jpg");
    AddFile(*newFolder, "b.jpg"); // new in this scan: inherits the folder's link
    TransferUserData(scanned, old, kTransferReplace);
    EXPECT_EQ(newFolder->Link(), "/backup/Photos");
    EXPECT_EQ(newFolder->ChildAt(0)->Link(), "/backup/Photos\\a.jpg");
    EXPECT_EQ(newFolder->ChildAt(1)->Link(), "/backup/Photos\\b.jpg");
    EXPECT_EQ(newFolder->ChildAt(1)->m_bLinkInherited, 1);
}

TEST(UserDataTransfer, TreesOtherThanMediaTransferToo) {
    SFileInfo oldFolder;
    oldFolder.m_dwFlags = kAttrDirectory;
    oldFolder.m_strName = "x";
    AddFile(oldFolder, "f")->SetComment("kept");
    SFileInfo newFolder;
    newFolder.m_dwFlags = kAttrDirectory;
    newFolder.m_strName = "x";
    AddFile(newFolder, "F");
    TransferUserData(newFolder, oldFolder, kTransferReplace);
    EXPECT_EQ(newFolder.ChildAt(0)->Comment(), "kept");
}

// A re-scan that could not read a folder keeps what the old copy held below it, with
// the user's data, and never adds what the new scan already saw there.
TEST(UserDataTransfer, FoldersNotReadKeepTheOldRecordsBelowThem) {
    auto old = OldDisc();
    SFileInfo* deep = AddFolder(At(*old, {0}), "Deep");
    AddFile(*deep, "kept.txt")->SetComment("deep note");
    auto scanned = NewDisc();
    SFileInfo& docs = At(*scanned, {0}); // read only in part: report.doc and new.txt
    scanned->AddChild(std::make_unique<SFileInfo>())->m_strName = "Missing"; // not in old

    TransferUserData(*scanned, *old, kTransferReplace);
    const std::size_t moved = KeepUnreadFolders(*scanned, *old, {&docs, scanned->ChildAt(2)});

    // gone.txt and the Deep folder came over whole; Report.doc was seen again and
    // stays the new record, with the data TransferUserData carried to it.
    EXPECT_EQ(moved, 2u);
    ASSERT_EQ(docs.ChildCount(), 4u);
    EXPECT_EQ(docs.ChildAt(0)->m_strName, "report.doc");
    EXPECT_EQ(docs.ChildAt(0)->Comment(), "old report comment");
    EXPECT_EQ(docs.ChildAt(2)->m_strName, "gone.txt");
    EXPECT_EQ(docs.ChildAt(2)->Comment(), "vanished");
    EXPECT_EQ(docs.ChildAt(2)->GetParent(), &docs);
    const SFileInfo* keptDeep = docs.ChildAt(3);
    ASSERT_EQ(keptDeep->ChildCount(), 1u);
    EXPECT_EQ(keptDeep->ChildAt(0)->Comment(), "deep note");
    // The old tree gave them up; what it still holds is untouched.
    EXPECT_EQ(At(*old, {0}).ChildCount(), 1u);
}
