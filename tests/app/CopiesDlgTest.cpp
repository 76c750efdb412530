// The copies report window in the real main window: the media table after a run over
// a folder of case files, sorting it, a medium's sole copies, opening one in the case;
// every case of the index when no folder is given; a run stopped at once leaves the
// window usable.
#include "GuiTestApp.h"
#include "QtTestApp.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/report/CCopiesDlg.h"
#include "core/ConfigData.h"
#include "index/CCaseIndex.h"
#include "index/SIndexSettings.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"
#include "support/ShelfCase.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace quillora {
namespace {

class CopiesDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        test::WriteShelfCase((m_dir / "shelf/a.cas").string(),
                             {{"Alpha", "", 1, "", {{"x.jpg", 10, 7}, {"dir\\only.txt", 5, 8}}}});
        test::WriteShelfCase((m_dir / "shelf/b.cas").string(),
                             {{"Beta", "", 2, "", {{"x.jpg", 10, 7}, {"big.iso", 900, 9}}}});
        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_doc->SetUnattended(true);
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
        ASSERT_TRUE(m_doc->OpenPath((m_dir / "shelf/b.cas").string()));
        m_frame->OnCopiesReport();
        m_dlg = m_frame->CopiesDialog();
        ASSERT_NE(m_dlg, nullptr);
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
        Config().SetDefaults();
    }
    void RunReport(const QString& folder) {
        m_dlg->Start(folder);
        ASSERT_TRUE(test::PumpUntil([this] { return !m_dlg->IsRunning(); }));
        QCoreApplication::processEvents();
    }
    void RunReport() { RunReport(QString::fromStdString((m_dir / "shelf").string())); }
    int RowOf(QTableWidget* table, const QString& text) {
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->item(r, 0)->text() == text) {
                return r;
            }
        }
        return -1;
    }
    QPushButton* Button(const char* text) {
        for (QPushButton* b : m_dlg->findChildren<QPushButton*>()) {
            if (b->text() == QString::fromUtf8(text)) {
                return b;
            }
        }
        return nullptr;
    }

    test::ScratchDir m_dir;
    CDriveTable m_drives;
    CMediaPresence m_presence;
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CCopiesDlg* m_dlg = nullptr;
};

TEST_F(CopiesDlgTest, MediaTableSortsAndListsSoleCopiesThatOpenInTheirCase) {
    RunReport();
    QTableWidget* media = m_dlg->MediaTable();
    ASSERT_EQ(media->rowCount(), 2);
    media->sortItems(4, Qt::DescendingOrder); // sole bytes: Beta's 900 first
    EXPECT_EQ(media->item(0, 0)->text(), "Beta");
    EXPECT_EQ(media->item(0, 4)->data(Qt::DisplayRole).toULongLong(), 900u);
    const int alpha = RowOf(media, "Alpha");
    ASSERT_GE(alpha, 0);
    EXPECT_EQ(media->item(alpha, 1)->data(Qt::DisplayRole).toULongLong(), 2u);
    EXPECT_EQ(media->item(alpha, 3)->data(Qt::DisplayRole).toULongLong(), 1u);

    media->selectRow(alpha);
    QTableWidget* sole = m_dlg->SoleTable();
    ASSERT_EQ(sole->rowCount(), 1);
    EXPECT_EQ(sole->item(0, 0)->text(), "Alpha\\dir\\only.txt");

    sole->selectRow(0);
    QPushButton* open = Button("ｹｰｽで開く(&O)");
    ASSERT_NE(open, nullptr);
    ASSERT_TRUE(open->isEnabled());
    open->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_doc->Case().m_strName, (m_dir / "shelf/a.cas").string());
}

TEST_F(CopiesDlgTest, WithoutAFolderTheCasesOfTheIndexAreRead) {
    SIndexSettings settings;
    settings.m_strFolder = (m_dir / "index").string();
    settings.Save(Config().Store());
    // An empty index: nothing to read, and the window says so.
    m_dlg->Start(QString());
    EXPECT_FALSE(m_dlg->IsRunning());
    const QString said = m_dlg->findChild<QLabel*>("CopiesStatus")->text();
    EXPECT_TRUE(said.contains(QString::fromUtf8("ｲﾝﾃﾞｯｸｽ"))) << said.toStdString();

    test::WriteShelfCase((m_dir / "other/c.cas").string(),
                         {{"Gamma", "", 3, "", {{"x.jpg", 10, 7}}}});
    CCaseIndex(settings.m_strFolder).Add({(m_dir / "shelf").string()});
    RunReport(QString());
    QTableWidget* media = m_dlg->MediaTable();
    ASSERT_EQ(media->rowCount(), 2);
    EXPECT_GE(RowOf(media, "Alpha"), 0);
    EXPECT_GE(RowOf(media, "Beta"), 0);
    EXPECT_EQ(RowOf(media, "Gamma"), -1); // not in the index
}

TEST_F(CopiesDlgTest, ARunStoppedAtOnceLeavesTheWindowUsable) {
    m_dlg->Start(QString::fromStdString((m_dir / "shelf").string()));
    m_dlg->Cancel();
    EXPECT_FALSE(m_dlg->IsRunning());
    RunReport();
    EXPECT_EQ(m_dlg->MediaTable()->rowCount(), 2);
}

} // namespace
} // namespace quillora
