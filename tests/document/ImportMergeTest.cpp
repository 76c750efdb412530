// Merging imported media into the case: added, dropped, or replacing a medium of the
// case in its place (keeping its group, label and the user's data where the import has
// none), and the level a folder medium's path leaves above its files.
#include "document/CCaseDocument.h"

#include "export/CExportFormSets.h"
#include "model/CatalogPath.h"
#include "model/EditingTree.h"
#include "model/SGroupInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CSelectingUi : public IDocumentUi {
public:
    std::vector<SMediaSelectRequest> requests;
    SMediaSelectAnswer answer;
    std::vector<std::string> messages;
    bool goAhead = true;
    std::vector<std::string> compared; // the imported medium's name when asked

    bool ConfirmImportedMedium(const SVolumeInfo&, const SVolumeInfo& imported) override {
        compared.push_back(imported.m_strName);
        return goAhead;
    }

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }
    bool AskOkCancel(const std::string&) override { return false; }
    std::optional<std::string> AskPassword(PasswordMode, const std::string&,
                                           const std::string&) override {
        return std::nullopt;
    }
    std::optional<SAddMediaChoice> RunAddMediaDialog(int, const std::string&) override {
        return std::nullopt;
    }
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest& request) override {
        requests.push_back(request);
        return answer;
    }
    std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string&, const std::string*,
                                                  const std::string*, int) override {
        return nullptr;
    }
    std::optional<std::string> AskFileName(const SFileDialogRequest&) override {
        return std::nullopt;
    }
};

class ImportMergeTest : public ::testing::Test {
protected:
    ImportMergeTest() : presence([] { return std::vector<SDrive>{}; }), doc(ui, drives, presence) {}

    // An import of one medium labelled `label` holding the given files.
    static std::unique_ptr<CCDCase> Imported(const std::string& label,
                                             std::initializer_list<const char*> files) {
        auto root = std::make_unique<CCDCase>();
        SVolumeInfo* medium = AddMedium(*root, label, {}, kFlagFixed);
        medium->m_strName = label;
        for (const char* f : files) {
            AddFile(*medium, f, 7)->SetComment(std::string("imported ") + f);
        }
        return root;
    }

    CScopedModelSettings settings{3};
    CSelectingUi ui;
    CDriveTable drives;
    CMediaPresence presence;
    CCaseDocument doc;
};

TEST_F(ImportMergeTest, IntoAnEmptyCaseTheMediaAreAddedWithoutAsking) {
    auto imported = Imported("CSV", {"a.txt"});
    EXPECT_EQ(doc.MergeImportedMedia(*imported, true), 1);
    EXPECT_TRUE(ui.requests.empty());
    EXPECT_NE(FindByCatalogPath(doc.Case(), "CSV\\a.txt"), nullptr);
    EXPECT_EQ(imported->ChildCount(), 0u);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ImportMergeTest, ReplacingAMediumKeepsItsPlaceGroupLabelAndTheUsersData) {
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel("G");
    SFileInfo* g = doc.Case().AddChild(std::move(group));
    AddMedium(*g, "First");
    SVolumeInfo* old = AddMedium(*g, "Disc", {}, kFlagCdRom);
    old->m_dwSerial = 0x12345678;
    old->m_strOrgLabel = "DISC_ORG";
    SFileInfo* a = AddFile(*old, "a.txt", 1);
    a->SetComment("old comment");
    a->SetCategory("old category");
    a->m_byMark = 1;
    AddFile(*old, "b.txt", 1)->SetComment("only in the case");
    AddMedium(*g, "Last");
    doc.Case().UpdateDisplayNameTree(true);

    ui.answer = {SMediaSelectAnswer::Update, old};
    auto imported = Imported("CSV", {"a.txt", "b.txt", "c.txt"});
    // The import's b.txt has no comment: the case's fills it.
    imported->ChildAt(0)->ChildAt(1)->SetComment("");
    EXPECT_EQ(doc.MergeImportedMedia(*imported, false), 1);
    ASSERT_EQ(ui.requests.size(), 1u);
    EXPECT_EQ(ui.requests[0].m_strLabel, "CSV");
    EXPECT_EQ(ui.requests[0].m_candidates.size(), 3u);

    ASSERT_EQ(g->ChildCount(), 3u);
    auto* updated = static_cast<SVolumeInfo*>(g->ChildAt(1));
    EXPECT_EQ(updated->m_strLabel, "Disc");
    EXPECT_EQ(updated->m_dwSerial, 0x12345678u);
    EXPECT_EQ(updated->MediumKind(), kFlagCdRom);
    EXPECT_EQ(updated->m_strOrgLabel, "DISC_ORG");
    ASSERT_EQ(updated->ChildCount(), 3u);
    SFileInfo* na = FindByCatalogPath(doc.Case(), "G\\Disc\\a.txt");
    ASSERT_NE(na, nullptr);
    EXPECT_EQ(na->Comment(), "imported a.txt");
    EXPECT_EQ(na->Category(), "old category");
    EXPECT_EQ(na->m_byMark, 1);
    EXPECT_EQ(FindByCatalogPath(doc.Case(), "G\\Disc\\b.txt")->Comment(), "only in the case");
    EXPECT_EQ(g->m_nSize, 21u);
}

TEST_F(ImportMergeTest, AFolderNamedLikeTheMediumIsStrippedAndCancelDropsTheImport) {
    SVolumeInfo* old = AddMedium(doc.Case(), "Share");
    old->m_strOrgLabel = "share";
    doc.Case().UpdateDisplayNameTree(true);
    // A listing of \\server\share\docs\x.txt arrives as share\docs\x.txt.
    auto imported = std::make_unique<CCDCase>();
    SVolumeInfo* m = AddMedium(*imported, "CSV", {}, kFlagFixed);
    AddFile(*AddFolder(*AddFolder(*m, "SHARE"), "docs"), "x.txt");
    ui.answer = {SMediaSelectAnswer::Update, old};
    EXPECT_EQ(doc.MergeImportedMedia(*imported, false), 1);
    EXPECT_NE(FindByCatalogPath(doc.Case(), "Share\\docs\\x.txt"), nullptr);

    // With the comparison asked for, the user sees the import already named like the
    // medium it replaces, and may drop it.
    SVolumeInfo* replaced = static_cast<SVolumeInfo*>(doc.Case().ChildAt(0));
    replaced->m_strName = "sub\\share";
    ui.answer = {SMediaSelectAnswer::Update, replaced};
    ui.goAhead = false;
    auto declined = Imported("CSV", {"new.txt"});
    EXPECT_EQ(doc.MergeImportedMedia(*declined, true), 0);
    ASSERT_EQ(ui.compared.size(), 1u);
    EXPECT_EQ(ui.compared[0], "sub\\share");
    EXPECT_NE(FindByCatalogPath(doc.Case(), "Share\\docs\\x.txt"), nullptr);
    EXPECT_EQ(FindByCatalogPath(doc.Case(), "Share\\new.txt"), nullptr);

    ui.answer = {SMediaSelectAnswer::Cancel, nullptr};
    auto dropped = Imported("Other", {"y.txt"});
    EXPECT_EQ(doc.MergeImportedMedia(*dropped, false), 0);
    EXPECT_EQ(doc.Case().ChildCount(), 1u);
    ui.answer = {SMediaSelectAnswer::Add, nullptr};
    auto added = Imported("Other", {"y.txt"});
    EXPECT_EQ(doc.MergeImportedMedia(*added, false), 1);
    EXPECT_EQ(doc.Case().ChildCount(), 2u);
}

TEST_F(ImportMergeTest, AFileThatDoesNotReadChangesNothingAndSaysWhere) {
    ScratchDir dir;
    const auto path = dir.Write("bad.csv", "\"ﾌｫﾙﾀﾞ名\"\r\nx.txt\r\n\"y.txt\r\n");
    EXPECT_FALSE(doc.ImportList(EFormFormat::Csv, path.string(), false));
    EXPECT_EQ(doc.Case().ChildCount(), 0u);
    EXPECT_FALSE(doc.IsModified());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("3行目"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find(path.string()), std::string::npos);
}

} // namespace
