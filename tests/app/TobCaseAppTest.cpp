// The program as a whole: start-up with a case on the command line, the window's
// stored state, the status bar, the command line and the recent-file list.
#include "app/TobCaseApp.h"
#include "GuiTestApp.h"
#include "Mnemonics.h"
#include "ScriptedUser.h"
#include "app/CaseTreeModel.h"
#include "app/DisplayColumns.h"
#include "app/FileListModel.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "extract/ExtractTextManager.h"
#include "model/CaseFile.h"
#include "model/PropertyDefinitions.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "support/ScratchDir.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QToolButton>
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

TEST_F(TobCaseApp, AFirstGroupInAnEmptyCaseShowsAtOnceWithItsNameBeingEdited) {
    auto app = Start({});
    CMainFrame& frame = *app->MainFrame();
    frame.show();
    CTobCaseView& tree = frame.Tree();
    QAbstractItemModelTester tester(&tree.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    frame.Action(CMainFrame::kAddGroup)->trigger();
    ASSERT_EQ(app->Document()->Case().ChildCount(), 1u);
    SFileInfo* group = app->Document()->Case().ChildAt(0);
    QModelIndex index = tree.Model().IndexOf(group);
    ASSERT_TRUE(index.isValid());
    EXPECT_TRUE(tree.isExpanded(index.parent())) << "the case opens to show it";
    EXPECT_FALSE(tree.visualRect(index).isEmpty());
    EXPECT_EQ(tree.Current(), group);
    auto* editor = tree.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "its name is being edited";
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QString::fromUtf8(Res(531)));
    app->ExitInstance();
}

TEST_F(TobCaseApp, TheWindowTitleNamesTheCaseAsTheTreeDoes) {
    auto app = Start({QString::fromStdString(m_casePath)});
    CMainFrame& frame = *app->MainFrame();
    Config().m_nFileDispMode = 1; // capitals, chosen in the options
    Config().m_nViewChangeMask = 1;
    frame.ApplyOptions();
    const QString tree = QString::fromStdString(app->Document()->Case().GetDisplayName());
    EXPECT_EQ(tree, "SAMPLE.CAS");
    EXPECT_TRUE(frame.windowTitle().startsWith(tree + " - ")) << frame.windowTitle().toStdString();
    Config().m_nFileDispMode = 2;
    frame.ApplyOptions();
    EXPECT_EQ(app->Document()->Case().GetDisplayName(), "sample.cas");
    EXPECT_TRUE(frame.windowTitle().startsWith("sample.cas - "))
        << frame.windowTitle().toStdString();
    Config().m_nFileDispMode = 0;
    Config().m_nViewChangeMask = 0;
    app->ExitInstance();
}

TEST_F(TobCaseApp, AddingToTheTreeKeepsOpenNodesOpen) {
    auto app = Start({QString::fromStdString(m_casePath)});
    CMainFrame& frame = *app->MainFrame();
    frame.show();
    CTobCaseView& tree = frame.Tree();
    SFileInfo* disc = app->Document()->Case().ChildAt(0);
    SFileInfo* docs = disc->ChildAt(0);
    tree.expand(tree.Model().IndexOf(disc));
    tree.expand(tree.Model().IndexOf(docs));
    tree.expand(tree.Model().IndexOf(app->Document()->Case().ChildAt(1)));
    tree.Select(&app->Document()->Case());
    frame.Action(CMainFrame::kAddGroup)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(app->Document()->Case().ChildCount(), 3u);
    EXPECT_TRUE(tree.isExpanded(tree.Model().IndexOf(disc)));
    EXPECT_TRUE(tree.isExpanded(tree.Model().IndexOf(docs)));
    EXPECT_TRUE(tree.isExpanded(tree.Model().IndexOf(app->Document()->Case().ChildAt(1))));
    app->ExitInstance();
}

TEST_F(TobCaseApp, ALabelEditedInPlaceTakesItsPlaceInTheListAndTheStatus) {
    auto root = test::MakeSampleCase();
    auto zulu = std::make_unique<SVolumeInfo>();
    zulu->SetLabel("Zulu");
    zulu->UpdateDisplayName();
    root->AddChild(std::move(zulu));
    SaveCaseFile(*root, m_casePath, false);
    auto app = Start({QString::fromStdString(m_casePath)});
    CMainFrame& frame = *app->MainFrame();
    CTobCaseList& list = frame.List();
    ASSERT_EQ(list.Folder(), &app->Document()->Case());
    ASSERT_EQ(list.Model().RecordAt(1)->GetDisplayName(), "Zulu");
    SFileInfo* medium = list.Model().RecordAt(1);
    QModelIndex index = frame.Tree().Model().IndexOf(medium);
    ASSERT_TRUE(frame.Tree().Model().setData(index, "Able", Qt::EditRole));
    QCoreApplication::processEvents();
    EXPECT_EQ(list.Model().RecordAt(0), medium);
    EXPECT_EQ(list.Model().RecordAt(0)->GetDisplayName(), "Able");
    EXPECT_EQ(frame.PaneText(1), "Able");
    EXPECT_TRUE(app->Document()->Core().IsModified());
    app->ExitInstance();
}

TEST_F(TobCaseApp, EditingACommentShowsItInTheStatusBar) {
    auto app = Start({QString::fromStdString(m_casePath)});
    CMainFrame& frame = *app->MainFrame();
    frame.show();
    SFileInfo* disc = app->Document()->Case().ChildAt(0);
    ASSERT_TRUE(frame.Tree().Select(disc));
    frame.Tree().setFocus();
    QCoreApplication::processEvents();
    test::CScriptedUser user;
    user.m_comments = {std::string("borrowed by Ann")};
    frame.Action(CMainFrame::kEditComment)->trigger();
    EXPECT_EQ(disc->Comment(), "borrowed by Ann");
    EXPECT_EQ(frame.PaneText(1), QString::fromUtf8("Disc () [borrowed by Ann]"));
    app->ExitInstance();
}

TEST_F(TobCaseApp, TheTreeAndPropertyPanesComeBackInPixels) {
    Config().Store().SetInt("ColumnInfo", "TreeView", 230);
    Config().Store().SetInt("ColumnInfo", "TreeViewHeight", 340);
    Config().Store().SetString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,0,0,1400,900");
    Config().SaveStore();
    auto app = Start({});
    CMainFrame& frame = *app->MainFrame();
    frame.show();
    QCoreApplication::processEvents();
    auto* outer = frame.findChild<QSplitter*>("TreeListSplitter");
    auto* inner = frame.findChild<QSplitter*>("TreePropSplitter");
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(outer->sizes().front(), 230);
    EXPECT_EQ(inner->sizes().front(), 340);
    // A larger window gives the room to the list and the property view.
    frame.resize(1600, 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(outer->sizes().front(), 230);
    EXPECT_EQ(inner->sizes().front(), 340);
    frame.close();
    EXPECT_EQ(Config().Store().GetInt("ColumnInfo", "TreeView", 0), 230);
    EXPECT_EQ(Config().Store().GetInt("ColumnInfo", "TreeViewHeight", 0), 340);
    app->ExitInstance();
}

TEST_F(TobCaseApp, QtsOwnDialogsSpeakJapanese) {
    auto app = Start({});
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    app->ExitInstance();
    app.reset();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes")
        << "the translation goes with the program object";
}

TEST_F(TobCaseApp, MenuEntriesHaveMnemonicsOfTheirOwnAndContextMenusOfferTheEditors) {
    auto app = Start({});
    CMainFrame& frame = *app->MainFrame();
    // These entries are named so by the system itself and keep their letters.
    const QStringList named = {
        QString::fromUtf8("ﾏｰｸ一括CSVｺﾋﾟｰ(&B) / ﾗﾍﾞﾙの編集(&B)... / ﾃﾞｰﾀ埋め込み(&B)"),
        QString::fromUtf8("更新 ﾘﾝｸ先->ﾒﾃﾞｨｱ(&L) / ﾘﾝｸ先ﾌｧｲﾙを開く(&L)"),
        QString::fromUtf8("ﾒﾃﾞｨｱの取り出し(&T) / 抽出(&T)")};
    for (QAction* top : frame.menuBar()->actions()) {
        ASSERT_NE(top->menu(), nullptr);
        for (const QString& clash : test::MenuMnemonicClashes(*top->menu())) {
            EXPECT_TRUE(named.contains(clash)) << clash.toStdString();
        }
    }
    // ｺﾒﾝﾄ編集 for every record, ﾗﾍﾞﾙの編集 where media or groups are listed.
    auto root = test::MakeSampleCase();
    SFileInfo* disc = root->ChildAt(0);
    auto has = [](const std::vector<int>& commands, int command) {
        return std::find(commands.begin(), commands.end(), command) != commands.end();
    };
    const std::vector<const SFileInfo*> records = {root->ChildAt(1), disc, disc->ChildAt(0),
                                                   disc->ChildAt(2)};
    for (const SFileInfo* record : records) {
        EXPECT_TRUE(has(CMainFrame::ContextCommands(record), CMainFrame::kEditComment))
            << record->GetDisplayName();
    }
    EXPECT_TRUE(has(CMainFrame::ContextCommands(root.get()), CMainFrame::kEditLabels));
    EXPECT_TRUE(has(CMainFrame::ContextCommands(root->ChildAt(1)), CMainFrame::kEditLabels));
    app->ExitInstance();
}

TEST_F(TobCaseApp, ToolBarButtonsOfOneGroupLookDifferent) {
    auto app = Start({});
    CMainFrame& frame = *app->MainFrame();
    auto image = [&frame](int command) -> QImage {
        if (command == CMainFrame::kEjectDefault) {
            for (auto* button : frame.findChildren<QToolButton*>()) {
                if (button->popupMode() == QToolButton::MenuButtonPopup) {
                    return button->icon().pixmap(16, 16).toImage();
                }
            }
            return {};
        }
        auto* action = frame.findChild<QAction*>(QString("ToolButton%1").arg(command));
        return action ? action->icon().pixmap(16, 16).toImage() : QImage();
    };
    for (const auto& group :
         {std::vector<int>{CMainFrame::kFileNew, CMainFrame::kFileOpen, CMainFrame::kFileSave},
          std::vector<int>{CMainFrame::kInsertMedia, CMainFrame::kCheckMounts,
                           CMainFrame::kEjectDefault}}) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            ASSERT_FALSE(image(group[i]).isNull()) << group[i];
            for (std::size_t j = i + 1; j < group.size(); ++j) {
                // Not only different: different in more than a few pixels.
                QImage a = image(group[i]).convertToFormat(QImage::Format_ARGB32);
                QImage b = image(group[j]).convertToFormat(QImage::Format_ARGB32);
                int differing = 0;
                for (int y = 0; y < 16; ++y) {
                    for (int x = 0; x < 16; ++x) {
                        differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
                    }
                }
                EXPECT_GT(differing, 40) << group[i] << " and " << group[j];
            }
        }
    }
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
    // Help and version win, wherever they stand, and open nothing.
    EXPECT_EQ(parse({"a.cas", "--help"}).m_kind, SCommandLine::Help);
    EXPECT_EQ(parse({"-h"}).m_kind, SCommandLine::Help);
    SCommandLine version = parse({"--register", "--version", "a.cas"});
    EXPECT_EQ(version.m_kind, SCommandLine::Version);
    EXPECT_TRUE(version.m_strFile.empty());
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
