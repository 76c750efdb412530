// The main window's search field over the index of every case: hits appear as the user
// types (the newest text wins), and Enter opens the hit's case with the record selected.
#include "GuiTestApp.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/find/CIndexSearchPanel.h"
#include "core/ConfigData.h"
#include "index/CCaseIndex.h"
#include "index/SIndexSettings.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "support/ScratchDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace quillora {
namespace {

// Lets queued answers arrive until `done` holds; false when it never did.
template <class Done> bool Await(Done done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class IndexSearchField : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
        SIndexSettings settings;
        settings.m_strFolder = (m_dir / "index").string();
        settings.Save(Config().Store());
        m_first = (m_dir / "first.cas").string();
        m_second = (m_dir / "second.cas").string();
        SaveCaseFile(*test::MakeSampleCase(), m_first, false);
        std::unique_ptr<CCDCase> other = test::MakeSampleCase();
        auto zebra = std::make_unique<SFileInfo>();
        zebra->m_strName = "Ｚｅｂｒａ notes.txt";
        other->ChildAt(0)->AddChild(std::move(zebra));
        SaveCaseFile(*other, m_second, false);
        CCaseIndex(settings.m_strFolder).Add({m_first, m_second});

        m_doc = std::make_unique<CTobCaseDoc>(m_drives, m_presence);
        m_doc->SetUnattended(true);
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_recent);
        m_frame->show();
        ASSERT_TRUE(m_doc->OpenPath(m_first));
    }
    void TearDown() override {
        m_frame.reset();
        m_doc.reset();
    }

    test::ScratchDir m_dir;
    std::string m_first;
    std::string m_second;
    CDriveTable m_drives;
    CMediaPresence m_presence;
    CRecentFileList m_recent{4};
    std::unique_ptr<CTobCaseDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace

TEST_F(IndexSearchField, HitsAppearAsTheUserTypesAndEnterOpensTheCase) {
    QLineEdit* field = m_frame->IndexSearchField();
    CIndexSearchPanel* panel = m_frame->IndexSearchPanel();
    ASSERT_NE(field, nullptr);
    ASSERT_NE(panel, nullptr);
    // Typed one key at a time: only the last text's hits stay.
    QTest::keyClicks(field, "zebra");
    ASSERT_TRUE(Await([&] { return panel->topLevelItemCount() == 1; }))
        << panel->topLevelItemCount();
    EXPECT_TRUE(panel->isVisible());
    const QTreeWidgetItem* row = panel->topLevelItem(0);
    EXPECT_EQ(row->text(0).toStdString(), m_second);
    EXPECT_EQ(row->text(1).toStdString(), "Disc");
    EXPECT_EQ(row->text(2).toStdString(), "Disc\\Ｚｅｂｒａ notes.txt");

    // Both cases hold readme.txt: the open case's comes first (case order).
    field->setText("README");
    ASSERT_TRUE(Await([&] {
        return panel->topLevelItemCount() == 2 &&
               panel->topLevelItem(0)->text(2).endsWith("readme.txt");
    }));
    EXPECT_EQ(panel->topLevelItem(0)->text(0).toStdString(), m_first);

    field->setText("zebra");
    ASSERT_TRUE(Await([&] { return panel->topLevelItemCount() == 1; }));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(m_doc->Core().PathName(), m_second);
    const std::vector<SFileInfo*> selected = m_frame->List().Selected();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0]->m_strName, "Ｚｅｂｒａ notes.txt");
    EXPECT_EQ(m_frame->Tree().Current(), m_doc->Core().Case().ChildAt(0));

    // Emptied: the list goes away.
    field->clear();
    EXPECT_FALSE(panel->isVisible());
}

} // namespace quillora
