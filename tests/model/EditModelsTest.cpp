// The data behind the comment edit and label dialogs: category choices, the kept
// comment around automatic extraction, the label work list and its application to
// the case, checked through a written and re-read case file.
#include "EditingTree.h"
#include "model/CCDCase.h"
#include "model/CCommentEditModel.h"
#include "model/CLabelEditModel.h"
#include "model/SGroupInfo.h"
#include "support/MemoryStream.h"

#include <clocale>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace quillora;
using namespace quillora::test;

namespace {

std::vector<std::string> Labels(const CLabelEditModel& model) {
    std::vector<std::string> labels;
    for (const auto& entry : model.Entries()) {
        labels.push_back(entry.m_strLabel);
    }
    return labels;
}

std::vector<std::string> ChildLabels(const SFileInfo& container) {
    std::vector<std::string> labels;
    for (const auto& child : container.Children()) {
        labels.push_back(static_cast<const SVolumeInfo&>(*child).m_strLabel);
    }
    return labels;
}

// Sorting follows the process's collation; the tests pin it to byte order.
class CScopedCollation {
public:
    explicit CScopedCollation(const char* locale)
        : m_previous(std::setlocale(LC_COLLATE, nullptr)) {
        std::setlocale(LC_COLLATE, locale);
    }
    ~CScopedCollation() { std::setlocale(LC_COLLATE, m_previous.c_str()); }

private:
    std::string m_previous;
};

} // namespace

TEST(CommentEditModel, CategoryChoicesAreUniqueAndANewOneJoinsTheList) {
    SVolumeInfo disc;
    SFileInfo* file = AddFile(disc, "song.mp3");
    file->SetComment("old");
    file->SetCategory("Music");
    std::vector<std::string> configured{"Music", "", "Work", "MUSIC", "Photos"};
    CCommentEditModel model(*file, configured);
    EXPECT_EQ(model.CategoryChoices(), (std::vector<std::string>{"Music", "Work", "Photos"}));
    EXPECT_EQ(model.m_strComment, "old");
    EXPECT_EQ(model.m_strCategory, "Music");

    model.m_strCategory = "work"; // already offered
    model.Accept();
    EXPECT_EQ(configured.size(), 5u);
    model.m_strCategory = "Podcasts";
    model.Accept();
    model.Accept();
    EXPECT_EQ(configured.back(), "Podcasts");
    EXPECT_EQ(configured.size(), 6u);
    model.m_strCategory.clear();
    model.Accept();
    EXPECT_EQ(configured.size(), 6u);

    model.m_strComment = "new";
    EXPECT_EQ(file->Comment(), "old"); // nothing stored before the caller applies
    model.ApplyTo(*file);
    EXPECT_EQ(file->Comment(), "new");
    EXPECT_EQ(file->Category(), "");
}

TEST(CommentEditModel, CaptionAndWhichRecordsOfferExtraction) {
    CScopedModelSettings settings(0);
    CCDCase root;
    SVolumeInfo* disc = AddMedium(root, "Disc");
    auto* group = static_cast<SGroupInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    SFileInfo* file = AddFile(*disc, "README.TXT");
    SFileInfo* folder = AddFolder(*disc, "DIR");
    root.UpdateDisplayNameTree(true);
    std::vector<std::string> categories;
    EXPECT_EQ(CCommentEditModel(*file, categories).Caption("ｺﾒﾝﾄ編集"), "ｺﾒﾝﾄ編集 (Readme.txt)");
    EXPECT_TRUE(CCommentEditModel(*file, categories).CanExtract());
    EXPECT_TRUE(CCommentEditModel(*folder, categories).CanExtract());
    for (SFileInfo* container : std::initializer_list<SFileInfo*>{&root, disc, group}) {
        CCommentEditModel model(*container, categories);
        EXPECT_FALSE(model.CanExtract());
        EXPECT_FALSE(model.AutoExtract([](SFileInfo&) { return true; }));
    }
}

TEST(CommentEditModel, AutomaticExtractionKeepsTheRecordsOwnComment) {
    SVolumeInfo disc;
    SFileInfo* file = AddFile(disc, "doc.pdf");
    file->SetComment("mine");
    std::vector<std::string> categories;
    CCommentEditModel model(*file, categories);
    model.m_strComment = "typed";

    std::string seen = "unset";
    EXPECT_TRUE(model.AutoExtract([&](SFileInfo& record) {
        seen = record.Comment();
        record.SetComment("Title: Report");
        return true;
    }));
    EXPECT_EQ(seen, ""); // the extraction starts from an empty comment
    EXPECT_EQ(model.m_strComment, "Title: Report");
    EXPECT_EQ(file->Comment(), "mine");

    EXPECT_FALSE(model.AutoExtract([](SFileInfo& record) {
        record.SetComment("partial");
        return false;
    }));
    EXPECT_EQ(model.m_strComment, "Title: Report");
    EXPECT_EQ(file->Comment(), "mine");

    EXPECT_THROW(model.AutoExtract([](SFileInfo& record) -> bool {
        record.SetComment("partial");
        throw std::runtime_error("plug-in failed");
    }),
                 std::runtime_error);
    EXPECT_EQ(file->Comment(), "mine");
}

TEST(LabelEditModel, WorkListMovesAndButtons) {
    CCDCase root;
    AddMedium(root, "Beta");
    AddMedium(root, "alpha", {}, kFlagRemovable);
    auto* group = static_cast<SGroupInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    group->SetLabel("Gamma");
    CLabelEditModel model(root);
    EXPECT_EQ(Labels(model), (std::vector<std::string>{"Beta", "alpha", "Gamma"}));

    EXPECT_FALSE(model.CanEdit(CLabelEditModel::npos));
    EXPECT_TRUE(model.CanEdit(0));
    EXPECT_FALSE(model.CanMoveUp(0));
    EXPECT_TRUE(model.CanMoveDown(0));
    EXPECT_FALSE(model.CanMoveDown(2));
    EXPECT_FALSE(model.CanMoveUp(CLabelEditModel::npos));
    EXPECT_FALSE(model.CanMoveDown(CLabelEditModel::npos));
    EXPECT_TRUE(model.CanSort());

    EXPECT_EQ(model.MoveDown(0), 1u);
    EXPECT_EQ(Labels(model), (std::vector<std::string>{"alpha", "Beta", "Gamma"}));
    EXPECT_EQ(model.MoveUp(0), 0u); // already at the top
    EXPECT_EQ(model.MoveDown(2), 2u);
    EXPECT_EQ(model.MoveUp(2), 1u);
    EXPECT_EQ(Labels(model), (std::vector<std::string>{"alpha", "Gamma", "Beta"}));

    model.SetLabel(2, "Renamed");
    model.RevertToOriginal(0);
    EXPECT_EQ(Labels(model), (std::vector<std::string>{"alpha_ORG", "Gamma", "Renamed"}));
    EXPECT_EQ(ChildLabels(root), (std::vector<std::string>{"Beta", "alpha", "Gamma"}));

    EXPECT_EQ(CLabelEditModel::ImageIndex(*root.ChildAt(0)), 4);
    EXPECT_EQ(CLabelEditModel::ImageIndex(*root.ChildAt(1)), 12);
    EXPECT_EQ(CLabelEditModel::ImageIndex(*group), 20);
    SVolumeInfo remote;
    remote.m_dwFlags |= kFlagRemote;
    EXPECT_EQ(CLabelEditModel::ImageIndex(remote), 24);
    SVolumeInfo fixed;
    fixed.m_dwFlags |= kFlagFixed;
    EXPECT_EQ(CLabelEditModel::ImageIndex(fixed), 22);

    SGroupInfo lonely;
    AddMedium(lonely, "only");
    EXPECT_FALSE(CLabelEditModel(lonely).CanSort());
}

TEST(LabelEditModel, SortsByCollation) {
    CScopedCollation collation("C");
    CCDCase root;
    for (const char* label : {"b", "C", "a", "B", "\xE8\xA1\xA8", "A"}) {
        AddMedium(root, label);
    }
    CLabelEditModel model(root);
    model.Sort();
    EXPECT_EQ(Labels(model), (std::vector<std::string>{"A", "B", "C", "a", "b", "\xE8\xA1\xA8"}));
}

TEST(LabelEditModel, AppliedOrderIsTheOrderOfTheCaseFile) {
    CScopedModelSettings settings(3);
    CCDCase root;
    auto* group = static_cast<SGroupInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    group->SetLabel("Group");
    SVolumeInfo* first = AddMedium(*group, "First");
    AddFile(*first, "f.txt", 10);
    AddMedium(*group, "Second");
    AddMedium(*group, "Third");

    CLabelEditModel model(*group);
    model.MoveUp(2); // Third above Second
    model.MoveUp(1); // and above First
    model.SetLabel(1, "First (renamed)");
    ASSERT_TRUE(model.Apply());
    EXPECT_EQ(ChildLabels(*group),
              (std::vector<std::string>{"Third", "First (renamed)", "Second"}));
    EXPECT_EQ(group->ChildAt(1), first);
    EXPECT_EQ(first->GetParent(), group);
    EXPECT_EQ(first->GetDisplayName(), "First (renamed)");

    MemoryStream stream;
    root.Write(stream);
    MemoryStream readBack(stream.Bytes());
    std::unique_ptr<CCDCase> loaded = CCDCase::Read(readBack, "memory.cas");
    ASSERT_EQ(loaded->ChildCount(), 1u);
    EXPECT_EQ(ChildLabels(*loaded->ChildAt(0)),
              (std::vector<std::string>{"Third", "First (renamed)", "Second"}));
    EXPECT_EQ(loaded->ChildAt(0)->ChildAt(1)->ChildAt(0)->m_strName, "f.txt");
}

TEST(LabelEditModel, ApplyRefusesAContainerThatChangedMeanwhile) {
    CCDCase root;
    AddMedium(root, "One");
    AddMedium(root, "Two");
    CLabelEditModel model(root);
    model.MoveDown(0);
    model.SetLabel(0, "changed");
    std::unique_ptr<SFileInfo> two = root.DetachChild(root.ChildAt(1));
    AddMedium(root, "Three");
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(ChildLabels(root), (std::vector<std::string>{"One", "Three"}));
}
