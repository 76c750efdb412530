// The same-medium dialog: rows with group names and serials, and its three answers;
// "update" without a selection shows 513 and keeps the dialog open.
#include "app/media/CMediaSelectDlg.h"
#include "QtTestApp.h"
#include "core/Resources.h"
#include "model/EditingTree.h"
#include "model/SGroupInfo.h"

#include <QLabel>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CMediaSelectDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        auto outer = std::make_unique<SGroupInfo>();
        outer->SetLabel("Archive");
        auto* outerGroup = m_case.AddChild(std::move(outer));
        auto inner = std::make_unique<SGroupInfo>();
        inner->SetLabel("2002");
        auto* innerGroup = outerGroup->AddChild(std::move(inner));
        m_top = AddMedium(m_case, "DISC");
        m_nested = AddMedium(*innerGroup, "DISC copy");
        m_top->m_dwSerial = 0x12AB00CD;
        m_nested->m_dwSerial = 0x12AB00CD;
        m_request.m_strLabel = "DISC";
        m_request.m_strDriveName = "DISC";
        m_request.m_dwSerial = 0x12AB00CD;
        m_request.m_candidates = {m_top, m_nested};
    }

    CScopedModelSettings m_settings{3};
    SFileInfo m_case;
    SVolumeInfo* m_top = nullptr;
    SVolumeInfo* m_nested = nullptr;
    SMediaSelectRequest m_request;
};

} // namespace

TEST_F(CMediaSelectDlgTest, RowsShowNamesSerialsAndGroups) {
    CMediaSelectDlg dialog(m_request);
    ASSERT_EQ(dialog.List()->topLevelItemCount(), 2);
    const auto* nested = dialog.List()->topLevelItem(1);
    EXPECT_EQ(nested->text(1).toStdString(), "DISC copy_ORG");
    EXPECT_EQ(nested->text(2).toStdString(), "12AB-00CD");
    EXPECT_EQ(nested->text(3).toStdString(), "Archive\\2002");
    EXPECT_EQ(dialog.List()->topLevelItem(0)->text(3).toStdString(), "");
    auto* serial = dialog.findChild<QLabel*>("Serial");
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->text().toStdString(), "12AB-00CD") << "no spaces inside the number";
    m_request.m_dwSerial = 0;
    CMediaSelectDlg folder(m_request);
    EXPECT_EQ(folder.findChild<QLabel*>("Serial")->text().toStdString(), "0000-0000");
}

TEST_F(CMediaSelectDlgTest, UpdateAnswersTheSelectedMedium) {
    CMediaSelectDlg dialog(m_request);
    EXPECT_EQ(dialog.List()->currentItem(), dialog.List()->topLevelItem(0)) << "first row selected";
    dialog.List()->setCurrentItem(dialog.List()->topLevelItem(1));
    dialog.ChooseUpdate();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Answer().m_kind, SMediaSelectAnswer::Update);
    EXPECT_EQ(dialog.Answer().m_pMedium, m_nested);
}

TEST_F(CMediaSelectDlgTest, UpdateWithoutSelectionStaysOpen) {
    CMediaSelectDlg dialog(m_request);
    std::vector<std::string> messages;
    dialog.SetMessageSink([&messages](const std::string& text) { messages.push_back(text); });
    dialog.List()->clearSelection();
    dialog.setResult(-1);
    dialog.ChooseUpdate();
    EXPECT_EQ(dialog.result(), -1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], Res(513));
    EXPECT_EQ(dialog.Answer().m_kind, SMediaSelectAnswer::Cancel);
}

TEST_F(CMediaSelectDlgTest, AddAndCancel) {
    CMediaSelectDlg add(m_request);
    add.ChooseAdd();
    EXPECT_EQ(add.Answer().m_kind, SMediaSelectAnswer::Add);
    EXPECT_EQ(add.Answer().m_pMedium, nullptr);

    CMediaSelectDlg cancel(m_request);
    cancel.reject();
    EXPECT_EQ(cancel.result(), QDialog::Rejected);
    EXPECT_EQ(cancel.Answer().m_kind, SMediaSelectAnswer::Cancel);
}
