// The label dialog: button enabling, moves, sort, in-place edit and revert, and that
// OK changes labels and order of the case's children while Cancel changes nothing.
#include "app/edit/CLabelEditDlg.h"
#include "QtTestApp.h"
#include "model/EditingTree.h"

#include <QPushButton>
#include <QTreeWidget>
#include <clocale>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

std::vector<std::string> ChildLabels(const SFileInfo& container) {
    std::vector<std::string> labels;
    for (const auto& child : container.Children()) {
        labels.push_back(static_cast<const SVolumeInfo&>(*child).m_strLabel);
    }
    return labels;
}

std::vector<std::string> Rows(const CLabelEditDlg& dialog) {
    std::vector<std::string> rows;
    for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i) {
        rows.push_back(dialog.List()->topLevelItem(i)->text(0).toStdString());
    }
    return rows;
}

class CLabelEditDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        m_previous = std::setlocale(LC_COLLATE, nullptr);
        std::setlocale(LC_COLLATE, "C");
        AddMedium(m_case, "Charlie");
        AddMedium(m_case, "Alpha");
        AddMedium(m_case, "Bravo");
    }
    void TearDown() override { std::setlocale(LC_COLLATE, m_previous.c_str()); }

    CScopedModelSettings m_settings{3};
    SFileInfo m_case;
    std::string m_previous;
};

} // namespace

TEST_F(CLabelEditDlgTest, ButtonsFollowTheSelection) {
    CLabelEditModel model(m_case);
    CLabelEditDlg dialog(model);
    EXPECT_EQ(dialog.SelectedRow(), 0u);
    EXPECT_TRUE(dialog.EditButton()->isEnabled());
    EXPECT_TRUE(dialog.SortButton()->isEnabled());
    EXPECT_FALSE(dialog.UpButton()->isEnabled());
    EXPECT_TRUE(dialog.DownButton()->isEnabled());
    dialog.SelectRow(2);
    EXPECT_TRUE(dialog.UpButton()->isEnabled());
    EXPECT_FALSE(dialog.DownButton()->isEnabled());
    EXPECT_EQ(dialog.List()->topLevelItem(0)->text(1).toStdString(), "Charlie_ORG");

    SFileInfo single;
    AddMedium(single, "Only");
    CLabelEditModel oneModel(single);
    CLabelEditDlg one(oneModel);
    EXPECT_FALSE(one.SortButton()->isEnabled()) << "sorting needs two rows";
}

TEST_F(CLabelEditDlgTest, MovesSortAndEditsThenApplies) {
    CLabelEditModel model(m_case);
    CLabelEditDlg dialog(model);
    dialog.SelectRow(2);
    dialog.MoveSelectedUp();
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{"Charlie", "Bravo", "Alpha"}));
    EXPECT_EQ(dialog.SelectedRow(), 1u) << "the selection stays on the moved row";
    dialog.MoveSelectedDown();
    EXPECT_EQ(dialog.SelectedRow(), 2u);

    dialog.SortLabels();
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));

    // An in-place edit lands in the work list, and a revert takes the original name.
    dialog.List()->topLevelItem(1)->setText(0, QStringLiteral("Bravo 2"));
    dialog.SelectRow(0);
    dialog.RevertSelected();
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{"Alpha_ORG", "Bravo 2", "Charlie"}));
    EXPECT_EQ(ChildLabels(m_case), (std::vector<std::string>{"Charlie", "Alpha", "Bravo"}))
        << "nothing changes before OK";

    dialog.accept();
    ASSERT_TRUE(model.Apply());
    EXPECT_EQ(ChildLabels(m_case), (std::vector<std::string>{"Alpha_ORG", "Bravo 2", "Charlie"}));
}

TEST_F(CLabelEditDlgTest, CancelChangesNothing) {
    CLabelEditModel model(m_case);
    {
        CLabelEditDlg dialog(model);
        dialog.SortLabels();
        dialog.reject();
    }
    EXPECT_EQ(ChildLabels(m_case), (std::vector<std::string>{"Charlie", "Alpha", "Bravo"}));
}
