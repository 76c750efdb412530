// The program as a whole: start-up with a case on the command line, the window's
// stored state, the status bar, the command line and the recent-file list.
#include "app/TobCaseApp.h"
#include "GuiTestApp.h"
#include "app/CaseTreeModel.h"
#include "app/DisplayColumns.h"
#include "app/FileListModel.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "core/ConfigData.h"
#include "extract/ExtractTextManager.h"
#include "model/CaseFile.h"
#include "model/PropertyDefinitions.h"
#include "model/SVolumeInfo.h"
#include "support/ScratchDir.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace quillora {
namespace {

class TobCaseApp : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        // Each test starts from an empty settings file of its own process.
        Config().OpenStore();
        Config().Store().Clear();
        Config().SaveStore();
        Config().m_bSaveSettings = true;
        m_casePath = (m_dir / "sample.cas").string();
        auto root = test::MakeSampleCase();
        SaveCaseFile(*root, m_casePath, false);
    }
    // Starts the program without showing its window or asking anything.
    std::unique_ptr<CTobCaseApp> Start(QStringList args) {
        auto app = std::make_unique<CTobCaseApp>();
        app->SetUnattended(true);
        app->SetShowWindow(false);
        args.prepend("quillora");
        m_started = app->InitInstance(args);
        return app;
    }

    test::ScratchDir m_dir;
    std::string m_casePath;
    bool m_started = false;
};

TEST_F(TobCaseApp, StartsWithTheCaseNamedOnTheCommandLineAndFindsItsMedia) {
    auto app = Start({QString::fromStdString(m_casePath)});
    ASSERT_TRUE(m_started);
    CMainFrame& frame = *app->MainFrame();
    QAbstractItemModelTester tester(&frame.Tree().Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    CCaseTreeModel& tree = frame.Tree().Model();
    QModelIndex root = tree.index(0, 0);
    EXPECT_EQ(root.data().toString(), "sample.cas");
    ASSERT_EQ(tree.rowCount(root), 2);
    EXPECT_EQ(tree.index(0, 0, root).data().toString(), "Disc");
    EXPECT_EQ(tree.index(1, 0, root).data().toString(), "Group");
    // The case root is current: the list shows the media in the "Case" columns.
    EXPECT_EQ(frame.List().Model().rowCount(), 2);
    EXPECT_EQ(frame.PaneText(2), QString::fromUtf8("ﾌｧｲﾙ数 : 2"));
    EXPECT_EQ(app->RecentFiles().First(), m_casePath);
    app->ExitInstance();
    CRecentFileList stored(4);
    stored.Load(Config().Store());
    EXPECT_EQ(stored.First(), m_casePath);
}

TEST_F(TobCaseApp, SelectingAFolderListsItsChildrenAndClickingHeadersSorts) {
    auto app = Start({QString::fromStdString(m_casePath)});
    CMainFrame& frame = *app->MainFrame();
    SFileInfo* disc = app->Document()->Case().ChildAt(0);
    ASSERT_TRUE(frame.Tree().Select(disc));
    CTobCaseList& list = frame.List();
    EXPECT_EQ(list.Folder(), disc);
    EXPECT_EQ(list.Model().rowCount(), 3);
    list.ClickColumn(CDisplayColumns::kSize);
    EXPECT_EQ(frame.PaneText(3), QString::fromUtf8("ｿｰﾄ : ｻｲｽﾞ"));
    EXPECT_EQ(frame.PaneText(4), QString::fromUtf8("昇順"));
    list.ClickColumn(CDisplayColumns::kSize);
    EXPECT_EQ(frame.PaneText(4), QString::fromUtf8("降順"));
    EXPECT_EQ(list.Model().RecordAt(0)->GetDisplayName(), "readme.txt");
    // Another column resets every direction to ascending.
    list.ClickColumn(CDisplayColumns::kName);
    EXPECT_EQ(frame.PaneText(4), QString::fromUtf8("昇順"));
    app->ExitInstance();
}

TEST_F(TobCaseApp, AFileThatFailsToOpenLeavesTheRecentListAndANewCaseStands) {
    std::string missing = (m_dir / "gone.cas").string();
    CRecentFileList recent(4);
    recent.Add(missing);
    recent.Save(Config().Store());
    Config().SaveStore();
    auto app = Start({QString::fromStdString(missing)});
    ASSERT_TRUE(m_started);
    EXPECT_EQ(app->Document()->Case().ChildCount(), 0u);
    EXPECT_TRUE(app->RecentFiles().Entries().empty());
    app->ExitInstance();
}

TEST_F(TobCaseApp, StartLoadingReopensTheLastCase) {
    CRecentFileList recent(4);
    recent.Add(m_casePath);
    recent.Save(Config().Store());
    Config().Store().SetInt("OptionView", "StartLoading", 1);
    Config().SaveStore();
    auto app = Start({});
    ASSERT_TRUE(m_started);
    EXPECT_EQ(app->Document()->Core().PathName(), m_casePath);
    app->ExitInstance();
}

TEST_F(TobCaseApp, WindowPosWithNineNumbersKeepsTheDefaultPlacement) {
    Config().Store().SetString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,20,810");
    Config().SaveStore();
    auto app = Start({});
    EXPECT_TRUE(app->MainFrame()->UsedDefaultPlacement());
    app->ExitInstance();
    Config().Store().SetString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,20,810,620");
    Config().SaveStore();
    app = Start({});
    EXPECT_FALSE(app->MainFrame()->UsedDefaultPlacement());
    app->ExitInstance();
}

TEST(WindowPlacement, ParsesTenNumbersAndMendsTheShowCommand) {
    SWindowPlacement p;
    EXPECT_FALSE(SWindowPlacement::Parse("0,1,-1,-1,-1,-1,1,2,3", p));
    EXPECT_FALSE(SWindowPlacement::Parse("0,1,-1,-1,-1,-1,1,2,3,4,5", p));
    EXPECT_FALSE(SWindowPlacement::Parse("", p));
    ASSERT_TRUE(SWindowPlacement::Parse("2,7,-1,-1,-1,-1,10,20,810,620", p));
    EXPECT_EQ(p.m_nShowCmd, 1u);
    EXPECT_EQ(p.m_rcNormal[2], 810);
    EXPECT_EQ(p.Format(), "2,1,-1,-1,-1,-1,10,20,810,620");
}

TEST(MainFrameStatus, ARecordWithACommentShowsNameCategoryAndComment) {
    auto root = test::MakeSampleCase();
    SFileInfo* readme = root->ChildAt(0)->ChildAt(2);
    EXPECT_EQ(CMainFrame::RecordStatusText(*readme),
              QString::fromUtf8("readme.txt (text) [first line second]"));
    SFileInfo* docs = root->ChildAt(0)->ChildAt(0);
    auto* disc = static_cast<SVolumeInfo*>(root->ChildAt(0));
    disc->SetRoot("/media/u/DISC");
    disc->RecomputeLocation();
    EXPECT_EQ(CMainFrame::RecordStatusText(*docs), "/media/u/DISC/Docs");
    EXPECT_EQ(CMainFrame::RecordStatusText(*root->ChildAt(1)), "Group");
}

TEST(CommandLine, FileAndSwitchesAreReadTheFrameworksWay) {
    auto parse = [](QStringList args) {
        args.prepend("quillora");
        return SCommandLine::Parse(args);
    };
    EXPECT_EQ(parse({}).m_kind, SCommandLine::Nothing);
    SCommandLine open = parse({"/home/me/a.cas"});
    EXPECT_EQ(open.m_kind, SCommandLine::Open);
    EXPECT_EQ(open.m_strFile, "/home/me/a.cas");
    EXPECT_EQ(parse({"-p", "a.cas"}).m_kind, SCommandLine::Print);
    EXPECT_EQ(parse({"/p", "a.cas"}).m_kind, SCommandLine::Print);
    SCommandLine printTo = parse({"/pt", "a.cas", "printer", "driver", "port"});
    EXPECT_EQ(printTo.m_kind, SCommandLine::PrintTo);
    EXPECT_EQ(printTo.m_printTo.size(), 3);
    EXPECT_EQ(parse({"/Unregserver"}).m_kind, SCommandLine::Unregister);
    EXPECT_EQ(parse({"-unregister"}).m_kind, SCommandLine::Unregister);
    EXPECT_EQ(parse({"--unregister"}).m_kind, SCommandLine::UnregisterUser);
    EXPECT_EQ(parse({"--register"}).m_kind, SCommandLine::RegisterUser);
    EXPECT_EQ(parse({"-Embedding"}).m_kind, SCommandLine::Embedding);
}

TEST_F(TobCaseApp, PrintingFromTheCommandLineEndsAtOnce) {
    auto app = Start({"-p", QString::fromStdString(m_casePath)});
    EXPECT_FALSE(m_started);
    app->ExitInstance();
}

TEST(RecentFileList, KeepsTheNewestFirstWithinItsLength) {
    CRecentFileList list(2);
    list.Add("/a.cas");
    list.Add("/b.cas");
    list.Add("/a.cas");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a.cas", "/b.cas"}));
    list.Add("/c.cas");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/c.cas", "/a.cas"}));
    list.Remove("/C.CAS");
    EXPECT_EQ(list.First(), "/a.cas");
    CProfileStore store;
    list.Save(store);
    EXPECT_EQ(store.GetString("Recent File List", "File1"), "/a.cas");
    EXPECT_FALSE(store.HasValue("Recent File List", "File2"));
}

} // namespace
} // namespace quillora

namespace quillora {
namespace {

TEST_F(TobCaseApp, LoadsTheExtractorsAndKeepsTheirSettings) {
    Config().Store().SetInt("Comment\\TEXT", "DocLine", 4);
    Config().SaveStore();
    auto app = Start({});
    ASSERT_TRUE(m_started);
    CExtractTextManager* extractors = app->Document()->Extractors();
    ASSERT_NE(extractors, nullptr);
    // The build's plug-ins are found from the build tree.
    EXPECT_NE(extractors->FindExtractor("AUDIO"), nullptr);
    EXPECT_EQ(extractors->FindExtractor("TEXT")->m_nDocLine, 4);
    // Case files now find definitions through the extractors.
    EXPECT_EQ(PropertyDefinitions()->FindByName("html"),
              &extractors->FindExtractor("HTML")->Definition());
    EXPECT_EQ(PropertyDefinitions()->FindByName("NoSuchExtractor"), nullptr);
    extractors->FindExtractor("HTML")->m_bEnable = 0;
    app->ExitInstance();
    app.reset();
    CProfileStore saved;
    ASSERT_EQ(saved.Load(Config().Store().Path()), EProfileLoad::Ok);
    EXPECT_EQ(saved.GetInt("Comment\\HTML", "Enable", 1), 0);
    EXPECT_EQ(saved.GetInt("Comment\\TEXT", "DocLine", 0), 4);
    // Without the program, unknown sets are kept again until extractors come back.
    EXPECT_NE(PropertyDefinitions()->FindByName("NoSuchExtractor"), nullptr);
}

} // namespace
} // namespace quillora
