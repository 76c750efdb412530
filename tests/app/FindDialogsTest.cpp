// The find dialog and the case-search dialog in the real main window: find-next and
// its selection, batch find, narrowing, the result list's menu and marks, rows that
// go with the case, a long find that can be stopped, and the search across case files
// with its counts, read errors, passwords and opening a hit.
#include "GuiTestApp.h"
#include "QtTestApp.h"
#include "app/FileListModel.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/export/CListCommands.h"
#include "app/find/CCaseFindDlg.h"
#include "app/find/CCaseFindModel.h"
#include "app/find/CFindConditionPanel.h"
#include "app/find/CFindDlg.h"
#include "app/find/CFindResultModel.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "export/IExportOutput.h"
#include "extract/ExtractTextManager.h"
#include "model/CaseEditing.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "search/FindTitle.h"
#include "support/ScratchDir.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <QApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <set>

namespace quillora {
namespace {

namespace fs = std::filesystem;

// Keeps what would go to the clipboard.
class CClipboardCatcher : public IClipboardText {
public:
    bool SetText(const std::string& text, bool) override {
        texts.push_back(text);
        return !text.empty();
    }
    std::vector<std::string> texts;
};

class FindDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        m_casePath = (m_dir / "sample.cas").string();
        SaveCaseFile(*test::MakeSampleCase(), m_casePath, false);
        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_doc->SetUnattended(true);
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
        ASSERT_TRUE(m_doc->OpenPath(m_casePath));
        m_frame->OnFind();
        m_find = m_frame->FindDialog();
        ASSERT_NE(m_find, nullptr);
        m_find->SetMessageSink([this](const std::string& text) { m_messages.push_back(text); });
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
        Config().SetDefaults();
    }

    SFileInfo* Record(const std::string& path) { return FindByCatalogPath(m_doc->Case(), path); }
    void SetName(const char* pattern) {
        m_find->Panel().NameBox()->setEditText(QString::fromUtf8(pattern));
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> names;
        for (const SFileInfo* r : m_find->Results().Records()) {
            names.push_back(r->GetDisplayName());
        }
        return names;
    }
    void Batch() {
        m_find->BatchFind();
        ASSERT_TRUE(test::PumpUntil([this] { return !m_find->IsRunning(); }));
    }
    void SelectRows(std::initializer_list<int> rows) {
        QTreeView* view = m_find->ResultView();
        view->clearSelection();
        for (int row : rows) {
            view->selectionModel()->select(m_find->Results().index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QAction* MenuItem(QMenu& menu, const char* text) {
        for (QAction* action : menu.actions()) {
            if (action->text() == QString::fromUtf8(text)) {
                return action;
            }
        }
        return nullptr;
    }

    test::ScratchDir m_dir;
    std::string m_casePath;
    CDriveTable m_drives;
    CMediaPresence m_presence;
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CFindDlg* m_find = nullptr;
    std::vector<std::string> m_messages;
};

} // namespace

TEST_F(FindDialogs, FindNextSelectsEachMatchAndSaysWhenTheCaseEnds) {
    EXPECT_TRUE(m_frame->Action(CMainFrame::kFindNext)->isEnabled());
    EXPECT_EQ(m_find->Button(CFindDlg::kFindNext)->text().toStdString(), Res(206));
    SetName("*.txt");
    m_find->NoCloseBox()->setChecked(true);
    m_find->FindNext(true);
    ASSERT_TRUE(test::PumpUntil([this] { return !m_find->IsRunning(); }));
    // A file: its folder in the tree, itself in the list, which becomes active.
    EXPECT_EQ(m_frame->Tree().Current(), Record("Disc\\Docs"));
    EXPECT_EQ(m_frame->List().Current(), Record("Disc\\Docs\\a.txt"));
    EXPECT_TRUE(m_find->isVisible()) << "閉じない keeps it open";
    EXPECT_EQ(m_find->Button(CFindDlg::kFindNext)->text().toStdString(), Res(207));
    EXPECT_EQ(m_find->windowTitle().toStdString(), FindTitle(Config().m_find, false));
    // F3: from the list's selection, with the stored conditions.
    m_frame->OnFindNext();
    ASSERT_TRUE(test::PumpUntil([this] { return !m_find->IsRunning(); }));
    EXPECT_EQ(m_frame->Tree().Current(), Record("Disc"));
    EXPECT_EQ(m_frame->List().Current(), Record("Disc\\readme.txt"));
    m_frame->OnFindNext();
    ASSERT_TRUE(test::PumpUntil([this] { return !m_find->IsRunning(); }));
    EXPECT_EQ(m_messages, std::vector<std::string>{Res(141)});
    EXPECT_EQ(m_frame->List().Current(), Record("Disc\\readme.txt")) << "selection unchanged";
    // A folder is selected in the tree; without 閉じない the dialog goes away.
    m_find->ShowDialog();
    EXPECT_EQ(m_find->Button(CFindDlg::kFindNext)->text().toStdString(), Res(206));
    m_frame->Tree().Select(&m_doc->Case());
    m_frame->Tree().setFocus();
    SetName("Docs");
    m_find->NoCloseBox()->setChecked(false);
    m_find->FindNext(true);
    ASSERT_TRUE(test::PumpUntil([this] { return !m_find->IsRunning(); }));
    EXPECT_EQ(m_frame->Tree().Current(), Record("Disc\\Docs"));
    EXPECT_FALSE(m_find->isVisible());
    EXPECT_EQ(Config().m_find.m_nameHistory.Entries()[0], "Docs");
    EXPECT_EQ(Config().m_find.m_nameHistory.Entries()[1], "*.txt");
}

TEST_F(FindDialogs, BatchFindListsMatchesAndNarrowingFiltersThem) {
    QAbstractItemModelTester tester(&m_find->Results(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    m_frame->Tree().Select(&m_doc->Case());
    EXPECT_FALSE(m_find->ResultAreaOpen());
    EXPECT_FALSE(m_find->Button(CFindDlg::kNarrow)->isEnabled());
    const int before = m_find->height();
    SetName("*");
    Batch();
    EXPECT_TRUE(m_find->ResultAreaOpen());
    EXPECT_GT(m_find->height(), before);
    // No condition: every record, the case root included, in pre-order.
    EXPECT_EQ(Rows(), (std::vector<std::string>{"sample.cas", "Disc", "Docs", "a.txt", "b.jpg",
                                                "Sub", "readme.txt", "Group", "Card"}));
    EXPECT_EQ(m_find->Results().columnCount(), 8);
    // The second column shows a folder itself and a file's folder.
    EXPECT_EQ(CFindResultModel::LocationText(*Record("Disc\\Docs\\a.txt")),
              CFindResultModel::LocationText(*Record("Disc\\Docs")));
    // Narrowing keeps the order; unchanged conditions keep every row.
    SetName("*.txt;*.jpg");
    m_find->Narrow();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.txt", "b.jpg", "readme.txt"}));
    ASSERT_TRUE(m_find->Button(CFindDlg::kNarrow)->isEnabled());
    m_find->Narrow();
    EXPECT_EQ(Rows().size(), 3u);
    m_find->Panel().BoundBox(0, false)->setChecked(true);
    m_find->Panel().BoundField(0, false)->setText("1000");
    m_find->Narrow();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"b.jpg", "readme.txt"}));
    EXPECT_EQ(m_find->windowTitle().toStdString(), FindTitle(Config().m_find, false));
    // Sorting by size (the third column), descending on the second click.
    m_find->ResultView()->header()->sectionClicked(2);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"b.jpg", "readme.txt"}));
    m_find->ResultView()->header()->sectionClicked(2);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"readme.txt", "b.jpg"}));
    // A size that does not parse is refused with a message and keeps its old value.
    m_find->Panel().BoundField(0, false)->setText("12x");
    m_find->Narrow();
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(Config().m_find.m_dwSizeMin, 1000u);
    EXPECT_EQ(m_find->Panel().BoundField(0, false)->text(), "1000");
}

TEST_F(FindDialogs, ReopeningClosesTheResultAreaAndTheDialogStaysOnTheScreen) {
    m_frame->Tree().Select(&m_doc->Case());
    const int compact = m_find->height();
    SetName("*");
    Batch();
    ASSERT_TRUE(m_find->ResultAreaOpen());
    m_find->close();
    m_frame->OnFind();
    EXPECT_FALSE(m_find->ResultAreaOpen()) << "showing the dialog closes the list";
    EXPECT_EQ(m_find->height(), compact);

    // Near the bottom of the screen the opening list moves the dialog up.
    const QRect room = m_find->screen()->availableGeometry();
    m_find->move(m_find->x(), room.bottom() - m_find->frameGeometry().height() + 1);
    ASSERT_TRUE(room.contains(m_find->frameGeometry()));
    Batch();
    ASSERT_TRUE(m_find->ResultAreaOpen());
    EXPECT_GT(m_find->height(), compact);
    EXPECT_TRUE(room.contains(m_find->frameGeometry()))
        << "frame " << m_find->frameGeometry().top() << "-" << m_find->frameGeometry().bottom()
        << " screen " << room.top() << "-" << room.bottom();
    // Shown again where it was left half off the screen, it comes back onto it.
    m_find->close();
    m_find->move(room.right() - 20, room.bottom() - 20);
    m_frame->OnFind();
    EXPECT_TRUE(room.contains(m_find->frameGeometry()));
}

TEST_F(FindDialogs, BatchFindFromAFileThatDoesNotMatchListsNothing) {
    m_frame->Tree().Select(Record("Disc\\Docs"));
    m_frame->List().setCurrentIndex(m_frame->List().Model().index(
        m_frame->List().Model().RowOf(Record("Disc\\Docs\\a.txt")), 0));
    m_frame->activateWindow();
    m_frame->List().setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(m_frame->FindStartRecord(), Record("Disc\\Docs\\a.txt"));
    SetName("*.jpg;*.txt");
    Batch();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.txt", "b.jpg", "readme.txt"}));
    SetName("b.jpg");
    Batch();
    EXPECT_TRUE(Rows().empty()) << "b.jpg follows, but a.txt's own subtree has no match";
    // A pattern that is no regular expression: the user is told, nothing matches.
    m_find->Panel().RegexButton()->setChecked(true);
    SetName("a(");
    Batch();
    EXPECT_TRUE(Rows().empty());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("a("), std::string::npos);
    // A back reference would make the matcher's work exponential: refused and said.
    SetName("(a*)*\\1[^a]a");
    Batch();
    EXPECT_TRUE(Rows().empty());
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_NE(m_messages[1].find("後方参照"), std::string::npos) << m_messages[1];
}

TEST_F(FindDialogs, TellingCapitalsApartSeesNamesAsStored) {
    SFileInfo* picture = Record("Disc\\Docs\\b.jpg");
    picture->m_strName = "B.JPG";
    picture->UpdateDisplayName();
    ASSERT_EQ(picture->GetDisplayName(), "B.jpg");
    m_frame->Tree().Select(&m_doc->Case());
    m_find->Panel().UpperBox()->setChecked(false);
    SetName("B.JPG");
    Batch();
    EXPECT_EQ(Rows(), std::vector<std::string>{"B.jpg"});
    // Narrowing matches the same text.
    m_find->Narrow();
    EXPECT_EQ(Rows(), std::vector<std::string>{"B.jpg"});
    SetName("B.jpg");
    m_find->Narrow();
    EXPECT_TRUE(Rows().empty());
}

TEST_F(FindDialogs, TheResultMenuMarksRowsAndFollowsTheSelection) {
    m_frame->Tree().Select(&m_doc->Case());
    SetName("*");
    Batch();
    SelectRows({1}); // the medium alone
    std::unique_ptr<QMenu> menu = m_find->ResultMenu();
    QStringList texts;
    for (QAction* a : menu->actions()) {
        texts << (a->isSeparator() ? "-" : a->text());
    }
    EXPECT_EQ(texts.join("|").toStdString(),
              "全てを選択(&A)|-|抽出(&T)|ｺﾒﾝﾄ自動抽出(&A)|ｺﾒﾝﾄ編集(&W)...|ﾃﾞｰﾀ埋め込み(&B)|-|"
              "ﾏｰｸを設定(&M)|ﾏｰｸを解除(&F)|-|CSV形式でｺﾋﾟｰ(&C)");
    EXPECT_FALSE(MenuItem(*menu, "抽出(&T)")->isEnabled());
    EXPECT_FALSE(MenuItem(*menu, "ﾏｰｸを設定(&M)")->isEnabled());
    EXPECT_FALSE(MenuItem(*menu, "ﾃﾞｰﾀ埋め込み(&B)")->isEnabled());
    EXPECT_TRUE(MenuItem(*menu, "ｺﾒﾝﾄ編集(&W)...")->isEnabled());
    // Without comment extractors (none were loaded here) there is nothing to run.
    EXPECT_FALSE(MenuItem(*menu, "ｺﾒﾝﾄ自動抽出(&A)")->isEnabled());
    EXPECT_TRUE(MenuItem(*menu, "CSV形式でｺﾋﾟｰ(&C)")->isEnabled());

    SelectRows({1, 3, 4}); // the medium, a.txt and b.jpg
    menu = m_find->ResultMenu();
    EXPECT_TRUE(MenuItem(*menu, "ﾏｰｸを設定(&M)")->isEnabled());
    EXPECT_TRUE(MenuItem(*menu, "ﾃﾞｰﾀ埋め込み(&B)")->isEnabled());
    const QVariant iconBefore = m_find->Results().index(3, 0).data(Qt::DecorationRole);
    MenuItem(*menu, "ﾏｰｸを設定(&M)")->trigger();
    EXPECT_TRUE(IsMarked(*Record("Disc\\Docs\\a.txt")));
    EXPECT_TRUE(IsMarked(*Record("Disc\\Docs\\b.jpg")));
    EXPECT_FALSE(IsMarked(*Record("Disc"))) << "media keep no mark";
    EXPECT_TRUE(m_doc->Core().IsModified());
    EXPECT_NE(m_find->Results().index(3, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey(),
              iconBefore.value<QIcon>().cacheKey());
    // The selected rows in the CSV form, with the current preset.
    CClipboardCatcher clipboard;
    m_frame->Lists().SetClipboard(&clipboard);
    menu = m_find->ResultMenu();
    MenuItem(*menu, "CSV形式でｺﾋﾟｰ(&C)")->trigger();
    ASSERT_EQ(clipboard.texts.size(), 1u);
    EXPECT_NE(clipboard.texts[0].find("a.txt"), std::string::npos) << clipboard.texts[0];
    EXPECT_NE(clipboard.texts[0].find("b.jpg"), std::string::npos);
    EXPECT_EQ(clipboard.texts[0].find("readme.txt"), std::string::npos);
    SelectRows({3});
    menu = m_find->ResultMenu();
    EXPECT_FALSE(MenuItem(*menu, "ﾏｰｸを設定(&M)")->isEnabled()) << "already marked";
    EXPECT_TRUE(MenuItem(*menu, "ﾏｰｸを解除(&F)")->isEnabled());
    MenuItem(*menu, "ﾏｰｸを解除(&F)")->trigger();
    EXPECT_FALSE(IsMarked(*Record("Disc\\Docs\\a.txt")));
    // Double-click shows the record in the views and hides the dialog.
    m_find->ResultView()->doubleClicked(m_find->Results().index(4, 0));
    EXPECT_EQ(m_frame->List().Current(), Record("Disc\\Docs\\b.jpg"));
    EXPECT_FALSE(m_find->isVisible());
}

TEST_F(FindDialogs, RowsGoWithTheCaseOrTheMediumTheyBelongTo) {
    m_frame->Tree().Select(&m_doc->Case());
    SetName("*");
    Batch();
    ASSERT_EQ(Rows().size(), 9u);
    // A re-scanned medium replaces the old one, whose records are deleted.
    // (As the document does it: the new medium goes in first, the old one is deleted
    // after the views were told.)
    SFileInfo* disc = Record("Disc");
    auto fresh = std::make_unique<SVolumeInfo>();
    fresh->SetLabel("Disc 2");
    fresh->UpdateDisplayName();
    SFileInfo* added = m_doc->Case().InsertBefore(disc, std::move(fresh));
    m_doc->RecordReplaced(*disc, *added);
    m_doc->Case().RemoveChild(disc);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"sample.cas", "Group", "Card"}));
    m_doc->OnFileNew();
    EXPECT_TRUE(Rows().empty());
}

TEST_F(FindDialogs, ALongFindRunsInSlicesAndCanBeStopped) {
    // 150,000 files, far more than one slice of a few steps looks at. The slices are
    // counted in steps, not left to the clock, so the run is mid-way whatever the
    // machine's speed.
    SFileInfo* docs = Record("Disc\\Docs");
    for (int i = 0; i < 150000; ++i) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "ファイル" + std::to_string(i) + (i % 2 ? "aa" : "ab");
        file->UpdateDisplayName();
        docs->AddChild(std::move(file));
    }
    m_frame->Tree().Select(&m_doc->Case());
    m_find->SetSliceSteps(1);
    m_find->Panel().RegexButton()->setChecked(true);
    SetName("aa$");
    // Stopped by the first rows that come, from inside the slice that brings them.
    bool stopAsked = false;
    QMetaObject::Connection stopper =
        QObject::connect(&m_find->Results(), &QAbstractItemModel::rowsInserted, [&] {
            stopAsked = true;
            m_find->StopRun();
        });
    m_find->BatchFind();
    EXPECT_TRUE(m_find->IsRunning()) << "the first slice returned before the end";
    EXPECT_TRUE(m_find->Button(CFindDlg::kStop)->isVisible());
    EXPECT_FALSE(m_find->Button(CFindDlg::kBatch)->isEnabled());
    ASSERT_TRUE(test::PumpUntil([&] { return stopAsked; }));
    QObject::disconnect(stopper);
    EXPECT_FALSE(m_find->IsRunning());
    EXPECT_FALSE(m_find->Button(CFindDlg::kStop)->isVisible());
    EXPECT_TRUE(m_find->Button(CFindDlg::kBatch)->isEnabled());
    const std::size_t stopped = Rows().size();
    EXPECT_GT(stopped, 0u);
    EXPECT_LE(stopped, 2048u) << "one step of records at most";
    for (const std::string& row : Rows()) {
        EXPECT_TRUE(row.ends_with("aa")) << row;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows().size(), stopped) << "no slice runs after the stop";
    // Run to the end: every match.
    m_find->SetSliceSteps(1000000);
    m_find->BatchFind();
    ASSERT_TRUE(test::PumpUntil([this] { return !m_find->IsRunning(); }));
    EXPECT_EQ(Rows().size(), 75000u);
}

TEST_F(FindDialogs, EachFindSeesTheCaseAsItIsNowAndStopsWhenItChangesUnderIt) {
    SetName("zebra");
    Batch();
    EXPECT_EQ(Rows(), std::vector<std::string>{});
    // Changes after a find: the next one reads the case again, not the names it saw.
    SFileInfo* docs = Record("Disc\\Docs");
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = "ZEBRA.TXT";
    SFileInfo* zebra = docs->AddChild(std::move(file));
    zebra->UpdateDisplayName();
    Batch();
    EXPECT_EQ(Rows(), std::vector<std::string>{"Zebra.txt"});
    auto* disc = static_cast<SVolumeInfo*>(Record("Disc"));
    disc->SetLabel("Zebra disc");
    disc->UpdateDisplayName();
    Batch();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Zebra disc", "Zebra.txt"}));
    docs->RemoveChild(zebra);
    Batch();
    EXPECT_EQ(Rows(), std::vector<std::string>{"Zebra disc"});

    // A medium added while a long find runs: the run stops before its next slice.
    for (int i = 0; i < 150000; ++i) {
        auto many = std::make_unique<SFileInfo>();
        many->m_strName = "ファイル" + std::to_string(i) + "aa";
        docs->AddChild(std::move(many));
    }
    m_find->SetSliceSteps(1);
    m_find->Panel().RegexButton()->setChecked(true);
    SetName("(.?){10}[a]a$");
    m_find->BatchFind();
    ASSERT_TRUE(m_find->IsRunning());
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_strLabel = "Added";
    m_doc->Case().AddChild(std::move(medium));
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_find->IsRunning());
    EXPECT_LT(Rows().size(), 150000u);
}

namespace {

void WriteCase(const fs::path& path, int files, const std::string& password = {}) {
    auto root = test::MakeSampleCase();
    root->m_strPassword = password;
    SFileInfo* medium = root->ChildAt(0);
    for (int i = 0; i < files; ++i) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "photo" + std::to_string(i) + ".jpg";
        file->UpdateDisplayName();
        medium->AddChild(std::move(file));
    }
    fs::create_directories(path.parent_path());
    SaveCaseFile(*root, path.string(), false);
}

} // namespace

TEST_F(FindDialogs, CaseSearchCountsEachFileAndOpensTheChosenOneAtItsFirstHit) {
    WriteCase(m_dir / "shelf/one.cas", 3);
    WriteCase(m_dir / "shelf/sub/two.cas", 0);
    WriteCase(m_dir / "shelf/locked.cas", 5, "letmein");
    m_dir.Write("shelf/broken.cas", "not a case");
    CCaseFindDlg dialog(m_frame.get());
    QAbstractItemModelTester tester(&dialog.Results(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<std::string> messages;
    dialog.SetMessageSink([&](const std::string& text) { messages.push_back(text); });
    std::vector<std::string> asked;
    dialog.SetPasswordAsker([&](const std::string& path, const std::string& filePassword) {
        asked.push_back(fs::path(path).filename().string());
        return std::optional<std::string>(filePassword); // the user types it correctly
    });
    // The path takes the list's width; the count keeps room for its own texts.
    dialog.resize(700, 500);
    dialog.show();
    QCoreApplication::processEvents();
    QTreeView* list = dialog.ResultView();
    EXPECT_GT(list->columnWidth(0), list->viewport()->width() / 2);
    EXPECT_GE(list->columnWidth(1),
              QFontMetrics(list->font()).horizontalAdvance(QString::fromUtf8(Res(280))));
    EXPECT_LE(list->columnWidth(0) + list->columnWidth(1), list->viewport()->width() + 1);
    dialog.FolderEdit()->setText("");
    dialog.StartSearch();
    EXPECT_EQ(messages, std::vector<std::string>{Res(273)});
    EXPECT_FALSE(dialog.IsSearching());

    dialog.FolderEdit()->setText(QString::fromStdString((m_dir / "shelf/").string()));
    dialog.Panel().NameBox()->setEditText("photo*");
    dialog.StartSearch();
    EXPECT_TRUE(dialog.IsSearching());
    EXPECT_FALSE(dialog.Button(CCaseFindDlg::kClose)->isEnabled());
    ASSERT_TRUE(test::PumpUntil([&] { return !dialog.IsSearching(); }));
    EXPECT_TRUE(dialog.windowTitle().startsWith(QString::fromUtf8(Res(395))));
    std::map<std::string, QString> counts;
    for (int row = 0; row < dialog.Results().rowCount(); ++row) {
        counts[dialog.Results().index(row, 0).data().toString().toStdString()] =
            dialog.Results().index(row, 1).data().toString();
    }
    EXPECT_EQ(counts,
              (std::map<std::string, QString>{{"one.cas", "3"},
                                              {"sub/two.cas", "0"},
                                              {"locked.cas", "5"},
                                              {"broken.cas", QString::fromUtf8(Res(280))}}));
    EXPECT_EQ(asked, std::vector<std::string>{"locked.cas"});
    EXPECT_EQ(TryPassword(), "letmein") << "the password given opens the file without asking";
    // Sorting by count: the unreadable file compares equal to every other.
    dialog.ResultView()->header()->sectionClicked(1);
    EXPECT_EQ(dialog.Results().rowCount(), 4);
    // Opening a row ends the dialog with the file and its count.
    for (int row = 0; row < dialog.Results().rowCount(); ++row) {
        if (dialog.Results().index(row, 0).data().toString() == "one.cas") {
            dialog.ResultView()->setCurrentIndex(dialog.Results().index(row, 0));
        }
    }
    std::string started;
    dialog.SetWindowStarter([&](const std::string& path) {
        started = path;
        return true;
    });
    dialog.OpenInNewWindow();
    EXPECT_EQ(started, (m_dir / "shelf/one.cas").string());
    dialog.OpenSelected();
    ASSERT_TRUE(dialog.Choice());
    EXPECT_EQ(dialog.Choice()->path, (m_dir / "shelf/one.cas").string());
    EXPECT_EQ(dialog.Choice()->count, 3);
    EXPECT_EQ(Config().m_find.m_strFolder, (m_dir / "shelf/").string());
    SetTryPassword("");
}

TEST_F(FindDialogs, TheTwoAItemsOfTheResultMenuAreBothReached) {
    // The result menu has two "A" items: the key moves between them, Enter runs one.
    CExtractTextManager extractors;
    m_doc->SetExtractors(&extractors);
    m_frame->Tree().Select(&m_doc->Case());
    SetName("*");
    Batch();
    SelectRows({3});
    std::unique_ptr<QMenu> menu = m_find->ResultMenu();
    m_doc->SetExtractors(nullptr);
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(test::PumpUntil([&] { return menu->isVisible(); }));
    QTest::keyClick(menu.get(), Qt::Key_A);
    EXPECT_EQ(menu->activeAction(), MenuItem(*menu, "全てを選択(&A)"));
    QTest::keyClick(menu.get(), Qt::Key_A);
    EXPECT_EQ(menu->activeAction(), MenuItem(*menu, "ｺﾒﾝﾄ自動抽出(&A)"));
    QTest::keyClick(menu.get(), Qt::Key_A);
    QTest::keyClick(menu.get(), Qt::Key_Return);
    EXPECT_EQ(m_find->ResultView()->selectionModel()->selectedRows().size(),
              m_find->Results().rowCount());
}

TEST_F(FindDialogs, AltYOpensTheCaseSearchRowFromTheListAndReachesBothTargetsElsewhere) {
    // Alt+Y is both 分類(Y) and 読み込み(Y).
    WriteCase(m_dir / "shelf/one.cas", 3);
    CCaseFindDlg dialog(m_frame.get());
    std::vector<std::string> messages;
    dialog.SetMessageSink([&](const std::string& text) { messages.push_back(text); });
    dialog.show();
    ASSERT_TRUE(test::PumpUntil([&] { return dialog.isVisible(); }));
    dialog.activateWindow();
    dialog.Panel().Load(Config().m_find);
    dialog.FolderEdit()->setText(QString::fromStdString((m_dir / "shelf/").string()));
    dialog.Panel().NameBox()->setEditText("photo*");
    dialog.StartSearch();
    ASSERT_TRUE(test::PumpUntil([&] { return !dialog.IsSearching(); }));
    ASSERT_TRUE(messages.empty()) << messages.front();
    dialog.FolderEdit()->setFocus();
    std::set<QWidget*> reached;
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::AltModifier);
        reached.insert(QApplication::focusWidget());
    }
    EXPECT_TRUE(reached.count(dialog.Button(CCaseFindDlg::kOpen))) << "the button is reached";
    EXPECT_EQ(reached.size(), 2u) << "and so is the category field";
    EXPECT_FALSE(dialog.Choice());
    dialog.ResultView()->setCurrentIndex(dialog.Results().index(0, 0));
    dialog.ResultView()->setFocus();
    QTest::keyClick(dialog.ResultView(), Qt::Key_Y, Qt::AltModifier);
    ASSERT_TRUE(dialog.Choice());
    EXPECT_EQ(dialog.Choice()->path, (m_dir / "shelf/one.cas").string());
}

TEST_F(FindDialogs, OpeningACaseSearchHitSelectsTheFirstMatch) {
    WriteCase(m_dir / "shelf/one.cas", 3);
    Config().m_find.m_strFolder = (m_dir / "shelf").string();
    Config().m_find.m_strName = "photo1*";
    m_frame->Tree().Select(&m_doc->Case());
    // Driven like a user at the keyboard: search, wait, choose the row.
    QTimer::singleShot(0, [this] {
        CCaseFindDlg* dialog = m_frame->CaseFindDialog();
        QObject::connect(dialog, &CCaseFindDlg::SearchFinished, dialog, [dialog] {
            dialog->ResultView()->setCurrentIndex(dialog->Results().index(0, 0));
            dialog->OpenSelected();
        });
        dialog->StartSearch();
    });
    m_frame->OnCaseFind();
    EXPECT_EQ(m_doc->Core().PathName(), (m_dir / "shelf/one.cas").string());
    ASSERT_NE(m_frame->FindDialog(), nullptr);
    ASSERT_TRUE(test::PumpUntil([this] { return !m_frame->FindDialog()->IsRunning(); }));
    EXPECT_EQ(m_frame->List().Current(), Record("Disc\\photo1.jpg"));
}

} // namespace quillora
