// The compare dialog in its four modes, and the comparison and link-update commands
// of the main window with a scripted user, over folders the test builds.
#include "app/compare/CCompareDlg.h"
#include "GuiTestApp.h"
#include "QtTestApp.h"
#include "app/CaseTreeModel.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseView.h"
#include "app/compare/CQtCompareUi.h"
#include "app/compare/CompareListModel.h"
#include "app/media/CCDInsertDlg.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "document/CCaseDocument.h"
#include "model/CaseEditing.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "scan/VolumeScanner.h"
#include "support/ScratchDir.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillora {
namespace {

namespace fs = std::filesystem;

QString Text(int id) {
    return QString::fromUtf8(Res(id));
}

void SetModified(const fs::path& path, std::int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::unique_ptr<SVolumeInfo> Scan(const fs::path& folder) {
    auto medium = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner{SScanOptions{}};
    scanner.AddVolume(*medium, folder.string(), nullptr, nullptr);
    return medium;
}

class CCompareDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        m_dir.Write("disc/same.txt", "same");
        m_dir.Write("disc/changed.txt", "changed");
        SetModified(m_dir / "disc/same.txt", 1600000000);
        SetModified(m_dir / "disc/changed.txt", 1600000000);
        m_case = Scan(m_dir / "disc");
    }

    // Shows the dialog (not modally) and waits until its comparison has ended.
    void RunShown(CCompareDlg& dialog) {
        dialog.show();
        ASSERT_TRUE(
            test::PumpUntil([&] { return dialog.Guidance() != Text(231) && !dialog.IsBusy(); }));
    }

    test::ScratchDir m_dir;
    std::unique_ptr<SVolumeInfo> m_case;
};

TEST_F(CCompareDlgTest, TitlesHintsColumnsAndButtonsFollowTheMode) {
    CCompareDlg mediaCase(kCompareMediaCase, *m_case, m_case.get());
    EXPECT_EQ(mediaCase.windowTitle(), Text(225));
    EXPECT_EQ(mediaCase.Hint(), Text(223));
    EXPECT_EQ(mediaCase.Model().headerData(2, Qt::Horizontal).toString(), Text(213));
    EXPECT_EQ(mediaCase.CloseButton()->text(), QString::fromUtf8("閉じる"));
    EXPECT_EQ(mediaCase.UpdateButton(), nullptr);
    EXPECT_EQ(mediaCase.List()->header()->sectionSize(CompareListModel::kResult), 160);
    EXPECT_EQ(mediaCase.List()->header()->sectionSize(CompareListModel::kLocation), 200);

    CCompareDlg caseLink(kCompareCaseLink, *m_case, nullptr);
    EXPECT_EQ(caseLink.windowTitle(), Text(226));
    EXPECT_EQ(caseLink.Hint(), Text(224));
    EXPECT_EQ(caseLink.Model().headerData(1, Qt::Horizontal).toString(), Text(211));
    EXPECT_EQ(caseLink.Model().headerData(2, Qt::Horizontal).toString(), Text(212));

    CCompareDlg import(kCompareMediaImport, *m_case, m_case.get());
    EXPECT_EQ(import.windowTitle(), Text(518));
    ASSERT_NE(import.UpdateButton(), nullptr);
    EXPECT_EQ(import.UpdateButton()->text(), QString::fromUtf8("更新"));
    EXPECT_EQ(import.CloseButton()->text(), Text(519));
}

TEST_F(CCompareDlgTest, TheMediumIsScannedOnceShownAndOnlyDifferencesAreListed) {
    SetModified(m_dir / "disc/changed.txt", 1600000100);
    std::vector<std::string> scanned;
    CCompareDlg dialog(kCompareMediaCase2, *m_case, nullptr, nullptr,
                       [&](const std::string& osPath) {
                           scanned.push_back(osPath);
                           return Scan(osPath);
                       });
    QAbstractItemModelTester tester(&dialog.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(dialog.Guidance(), QString::fromUtf8("ガイダンス"));
    RunShown(dialog);
    EXPECT_EQ(scanned, std::vector<std::string>{(m_dir / "disc").string()});
    ASSERT_EQ(dialog.Model().rowCount(), 1);
    EXPECT_EQ(dialog.Model().index(0, 0).data().toString(), QString("changed.txt"));
    EXPECT_EQ(dialog.Model().index(0, 3).data().toString(), Text(216));
    EXPECT_EQ(dialog.Model().index(0, 4).data().toString(),
              QString::fromStdString((m_dir / "disc").string()));
    EXPECT_EQ(dialog.Guidance(), Text(228));
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
    EXPECT_EQ(CompareListModel::TimeText(std::nullopt), Text(221));
}

TEST_F(CCompareDlgTest, ACancelledScanListsNothingAndSaysSo) {
    CCompareDlg dialog(kCompareMediaCase, *m_case, nullptr, nullptr,
                       [](const std::string&) { return std::unique_ptr<SVolumeInfo>(); });
    RunShown(dialog);
    EXPECT_TRUE(dialog.IsCancelled());
    EXPECT_EQ(dialog.Model().rowCount(), 0);
    EXPECT_EQ(dialog.Guidance(), Text(289));
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
}

TEST_F(CCompareDlgTest, AnImportIsAcceptedWithUpdate) {
    std::unique_ptr<SVolumeInfo> imported = Scan(m_dir / "disc");
    imported->ChildAt(0)->m_ftLastWrite += 1;
    CCompareDlg dialog(kCompareMediaImport, *m_case, imported.get());
    RunShown(dialog);
    EXPECT_EQ(dialog.Rows().size(), 1u);
    EXPECT_EQ(dialog.Guidance(), Text(520));
    dialog.UpdateButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // No difference: 227, and the close button ("ｷｬﾝｾﾙ") tells the import to stop.
    CCompareDlg same(kCompareMediaImport, *m_case, m_case.get());
    RunShown(same);
    EXPECT_EQ(same.Guidance(), Text(227));
    same.CloseButton()->click();
    EXPECT_EQ(same.result(), QDialog::Rejected);
}

// Answers the compare dialog and message boxes as a user would.
class CScriptedUser {
public:
    CScriptedUser() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Step(); });
        m_timer.start();
    }
    std::vector<QString> m_messages;
    std::vector<QString> m_guidance;
    std::vector<CompareRows> m_rows;
    std::deque<QMessageBox::StandardButton> m_answers;
    // What each loading dialog that ended on a summary said; each is answered OK.
    std::vector<QString> m_scanReports;

private:
    void Step() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("answered").toBool()) {
            return;
        }
        if (auto* dialog = qobject_cast<CCompareDlg*>(modal)) {
            if (dialog->IsBusy() || dialog->Guidance() == Text(231)) {
                return;
            }
            modal->setProperty("answered", true);
            m_guidance.push_back(dialog->Guidance());
            m_rows.push_back(dialog->Rows());
            dialog->CloseButton()->click();
        } else if (auto* loading = qobject_cast<CCDInsertDlg*>(modal)) {
            if (loading->IsShowingReport()) {
                modal->setProperty("answered", true);
                m_scanReports.push_back(loading->PathLine());
                loading->AcceptReport();
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            modal->setProperty("answered", true);
            m_messages.push_back(box->text());
            QAbstractButton* button = box->defaultButton();
            if (!m_answers.empty()) {
                button = box->button(m_answers.front());
                m_answers.pop_front();
            }
            (button ? button : box->buttons().front())->click();
        }
    }
    QTimer m_timer;
};

class CompareCommands : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
        m_dir.Write("disc/a.txt", "on the disc");
        m_dir.Write("disc/docs/b.txt", "b");
        SetModified(m_dir / "disc/a.txt", 1600000000);
        m_medium =
            m_doc->Core().DoSetCD((m_dir / "disc").string(), nullptr, nullptr, nullptr, kAddFolder);
        ASSERT_NE(m_medium, nullptr);
        // Whatever the scratch folder's file system, the mount check finds it.
        m_medium->m_dwFlags = (m_medium->m_dwFlags & ~kFlagMediumKindMask) | kFlagFixed;
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
        Config().SetDefaults();
    }

    void Trigger(int command) {
        QCoreApplication::processEvents();
        QAction* action = m_frame->Action(command);
        ASSERT_TRUE(action && action->isEnabled());
        action->trigger();
    }

    test::ScratchDir m_dir;
    CDriveTable m_drives;
    CMediaPresence m_presence{[] { return std::vector<SDrive>{}; }};
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    SVolumeInfo* m_medium = nullptr;
};

TEST_F(CompareCommands, TheMediumIsComparedWithTheCaseThroughTheLoadingDialog) {
    m_dir.Write("disc/docs/new.txt", "new");
    m_frame->Tree().setCurrentIndex(m_frame->Tree().Model().IndexOf(m_medium));
    CScriptedUser user;
    Trigger(CQtCompareUi::kCompareMediumCase);
    ASSERT_EQ(user.m_rows.size(), 1u);
    // The folder changed with the file added to it.
    ASSERT_EQ(user.m_rows[0].size(), 2u);
    EXPECT_EQ(user.m_rows[0][0].m_strName, "docs");
    EXPECT_EQ(user.m_rows[0][0].m_nResult, kResultMediumNewer);
    EXPECT_EQ(user.m_rows[0][1].m_strName, "new.txt");
    EXPECT_EQ(user.m_rows[0][1].m_nResult, kResultMediumOnly);
    EXPECT_EQ(user.m_guidance[0], Text(228));
}

TEST_F(CompareCommands, LinkedFilesAreComparedAndCopiedOntoTheMedium) {
    m_dir.Write("links/a.txt", "newer in the link folder");
    SetModified(m_dir / "links/a.txt", 1600000100);
    SFileInfo* a = nullptr;
    for (const auto& child : m_medium->Children()) {
        if (child->m_strName == "a.txt") {
            a = child.get();
        }
    }
    ASSERT_NE(a, nullptr);
    SetLink(*a, (m_dir / "links/a.txt").string(), true);
    m_frame->Tree().setCurrentIndex(m_frame->Tree().Model().IndexOf(m_medium));

    CScriptedUser user;
    Trigger(CQtCompareUi::kCompareCaseLink);
    ASSERT_EQ(user.m_rows.size(), 1u);
    ASSERT_EQ(user.m_rows[0].size(), 1u);
    EXPECT_EQ(user.m_rows[0][0].m_nResult, kResultLinkNewer);
    EXPECT_EQ(user.m_guidance[0], Text(230));

    user.m_answers = {QMessageBox::Yes};
    Trigger(CQtCompareUi::kUpdateMediumFromLinks);
    EXPECT_EQ(test::ReadFileBytes(m_dir / "disc/a.txt"), "newer in the link folder");
    ASSERT_EQ(user.m_messages.size(), 1u);
    EXPECT_EQ(user.m_messages[0], Text(241));
    // Registered again: the case now holds the copied file's time and keeps the link.
    SVolumeInfo* again = static_cast<SVolumeInfo*>(m_doc->Case().ChildAt(0));
    SFileInfo* copied = FindByPath(*again, again->GetPath() + "\\a.txt");
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Link(), (m_dir / "links/a.txt").string());
    EXPECT_EQ(copied->m_ftLastWrite, FileTimeFromUnix(1600000100));
}

TEST_F(CompareCommands, MediumToCaseRegistersTheMediumOfAnySelectedFolderAgain) {
    SFileInfo* docs = FindByPath(*m_medium, m_medium->GetPath() + "\\docs");
    ASSERT_NE(docs, nullptr);
    m_dir.Write("disc/docs/later.txt", "later");
    m_frame->Tree().setCurrentIndex(m_frame->Tree().Model().IndexOf(docs));
    CScriptedUser user;
    // The re-scan found a file added: the loading dialog says so and waits for OK.
    Trigger(CMainFrame::kUpdateFromDrive);
    EXPECT_TRUE(user.m_messages.empty());
    ASSERT_EQ(user.m_scanReports.size(), 1u);
    EXPECT_TRUE(user.m_scanReports[0].contains(QString::fromUtf8("ﾌｧｲﾙ 追加 1  削除 0")))
        << user.m_scanReports[0].toStdString();
    auto* again = static_cast<SVolumeInfo*>(m_doc->Case().ChildAt(0));
    EXPECT_NE(FindByPath(*again, again->GetPath() + "\\docs\\later.txt"), nullptr);
}

} // namespace
} // namespace quillora
