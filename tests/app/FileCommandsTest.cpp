// The File menu with a scripted user: what the open dialog offers, and the question
// about unsaved changes, asked once before a new case, another case or the end.
#include "GuiTestApp.h"
#include "ScriptedUser.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "model/CaseFile.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"

#include <QAction>
#include <gtest/gtest.h>

namespace quillora {
namespace {

using test::CScriptedUser;

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
        m_casePath = (m_dir / "shelf.cas").string();
        SaveCaseFile(*test::MakeSampleCase(), m_casePath, false);
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
        Config().SetDefaults();
    }

    void Trigger(int command) { m_frame->Action(command)->trigger(); }

    static int SaveQuestions(const CScriptedUser& user) {
        int count = 0;
        for (const QString& text : user.m_messages) {
            count += text.contains(QString::fromUtf8("変更を保存")) ? 1 : 0;
        }
        return count;
    }

    test::ScratchDir m_dir;
    CDriveTable m_drives{[] { return std::vector<SDrive>{}; }};
    CMediaPresence m_presence{[] { return std::vector<SDrive>{}; }};
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::string m_casePath;
};

} // namespace

TEST_F(FileCommands, TheOpenDialogOffersBothKindsOfCaseFileUnderItsOwnLabel) {
    CScriptedUser user;
    user.m_files = {std::nullopt, std::nullopt, std::nullopt};
    m_doc->Core().SetArchivedCasesAvailable(true);
    m_doc->Core().SetModifiedFlag(true);
    Trigger(CMainFrame::kFileOpen);
    ASSERT_EQ(user.m_shownFilters.size(), 1u);
    EXPECT_EQ(user.m_shownFilters[0], QStringList({QString::fromUtf8("Caseﾌｧｲﾙ(*.caz,*.cas)"),
                                                   QString::fromUtf8(Res(61442))}));
    EXPECT_EQ(user.m_appliedPatterns[0], QStringList({"*.caz", "*.cas"}));
    EXPECT_EQ(SaveQuestions(user), 0) << "a cancelled dialog asks nothing";

    // Merging offers the same; without the LHA archiver only ".cas" files are offered.
    Trigger(CMainFrame::kMergeCase);
    ASSERT_EQ(user.m_shownFilters.size(), 2u);
    EXPECT_EQ(user.m_shownFilters[1][0], QString::fromUtf8("Caseﾌｧｲﾙ(*.caz,*.cas)"));
    m_doc->Core().SetArchivedCasesAvailable(false);
    Trigger(CMainFrame::kFileOpen);
    ASSERT_EQ(user.m_shownFilters.size(), 3u);
    EXPECT_EQ(user.m_shownFilters[2][0], QString::fromUtf8("Caseﾌｧｲﾙ(*.cas)"));
    EXPECT_EQ(user.m_appliedPatterns[2], QStringList({"*.cas"}));
    for (const QStringList& shown : user.m_shownFilters) {
        for (const QString& label : shown) {
            EXPECT_EQ(label.count('('), 1)
                << "the pattern is not repeated: " << label.toStdString();
        }
    }
}

TEST_F(FileCommands, OpeningAnotherCaseAsksOnceAboutUnsavedChanges) {
    CScriptedUser user;
    m_doc->Core().SetModifiedFlag(true);
    user.m_files = {m_casePath};
    user.m_answers = {QMessageBox::No};
    Trigger(CMainFrame::kFileOpen);
    EXPECT_EQ(SaveQuestions(user), 1);
    EXPECT_EQ(m_doc->Core().PathName(), m_casePath);
    EXPECT_EQ(m_doc->Case().ChildCount(), 2u);
}

TEST_F(FileCommands, ANewCaseAsksOnceAboutUnsavedChanges) {
    CScriptedUser user;
    ASSERT_TRUE(m_doc->OpenPath(m_casePath));
    m_doc->Core().SetModifiedFlag(true);
    user.m_answers = {QMessageBox::Cancel, QMessageBox::No};
    Trigger(CMainFrame::kFileNew);
    EXPECT_EQ(SaveQuestions(user), 1);
    EXPECT_EQ(m_doc->Case().ChildCount(), 2u) << "Cancel keeps the case";
    Trigger(CMainFrame::kFileNew);
    EXPECT_EQ(SaveQuestions(user), 2);
    EXPECT_EQ(m_doc->Case().ChildCount(), 0u);
    EXPECT_TRUE(m_doc->Core().PathName().empty());
}

TEST_F(FileCommands, ClosingTheWindowAsksOnceAboutUnsavedChanges) {
    CScriptedUser user;
    m_doc->Core().SetModifiedFlag(true);
    user.m_answers = {QMessageBox::Cancel, QMessageBox::No};
    EXPECT_FALSE(m_frame->close()) << "Cancel keeps the window";
    EXPECT_EQ(SaveQuestions(user), 1);
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_TRUE(m_frame->close());
    EXPECT_EQ(SaveQuestions(user), 2);
}

} // namespace quillora
