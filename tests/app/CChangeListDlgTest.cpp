// The list of a re-scan's changes: rows for every kind of change, sorted by kind and
// folder by folder by path (either way), and copied as text (all rows, or the
// selected ones with the copy key).
#include "app/media/CChangeListDlg.h"
#include "QtTestApp.h"
#include "app/media/CChangeListModel.h"
#include "model/SVolumeInfo.h"
#include "scan/MediumChanges.h"
#include "scan/VolumeScanner.h"
#include "support/ScratchDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CChangeListTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        // Sizes all differ, so that only the renamed file pairs as a move.
        m_scratch.Write("b.txt", "x");
        m_scratch.Write("A/c.txt", "cc");
        m_scratch.Write("Z.txt", "zzz");
        m_scratch.Write("gone/old.txt", "olddd");
        m_before = Scan(nullptr);
        m_scratch.Write("b.txt", "xxxx");
        m_scratch.Write("A/new.txt", "newnew");
        m_scratch.Write("a b.txt", "seven..");
        std::filesystem::create_directories(m_scratch / "d");
        std::filesystem::rename(m_scratch / "A/c.txt", m_scratch / "d/c.txt");
        std::filesystem::remove(m_scratch / "Z.txt");
        std::filesystem::remove_all(m_scratch / "gone");
        m_after = Scan(m_before.get());
    }

    std::unique_ptr<SVolumeInfo> Scan(const SVolumeInfo* previous) {
        auto medium = std::make_unique<SVolumeInfo>();
        CVolumeScanner scanner{SScanOptions()};
        scanner.SetPrevious(previous);
        scanner.AddVolume(*medium, m_scratch.Path().string(), nullptr, nullptr);
        m_changes = scanner.Changes();
        return medium;
    }

    // Column `column` of every row, in the order shown.
    static std::vector<std::string> Column(const CChangeListModel& model, int column) {
        std::vector<std::string> cells;
        for (int row = 0; row < model.rowCount(); ++row) {
            cells.push_back(model.index(row, column).data().toString().toStdString());
        }
        return cells;
    }

    ScratchDir m_scratch;
    std::unique_ptr<SVolumeInfo> m_before;
    std::unique_ptr<SVolumeInfo> m_after;
    CMediumChanges m_changes;
};

} // namespace

TEST_F(CChangeListTest, SortsByKindAndFolderByFolderByPath) {
    CChangeListModel model(m_changes);
    ASSERT_EQ(model.rowCount(), 8) << model.Text();
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString().toStdString(), "種類");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString().toStdString(), "ﾊﾟｽ");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString().toStdString(), "移動元");

    model.sort(CChangeListModel::kKind);
    EXPECT_EQ(Column(model, CChangeListModel::kKind),
              (std::vector<std::string>{"追加", "追加", "削除", "削除", "変更", "移動", "ﾌｫﾙﾀﾞ追加",
                                        "ﾌｫﾙﾀﾞ削除"}));
    // Within a kind by path: the folder "A" before the file "a b.txt" beside it (a
    // plain comparison of the whole paths would put "a b.txt" first), letter case
    // not counting first.
    EXPECT_EQ(Column(model, CChangeListModel::kPath),
              (std::vector<std::string>{"A\\new.txt", "a b.txt", "gone\\old.txt", "Z.txt", "b.txt",
                                        "d\\c.txt", "d", "gone"}));

    const std::vector<std::string> byPath{"A\\new.txt", "a b.txt", "b.txt",         "d",
                                          "d\\c.txt",   "gone",    "gone\\old.txt", "Z.txt"};
    model.sort(CChangeListModel::kPath);
    EXPECT_EQ(Column(model, CChangeListModel::kPath), byPath);
    model.sort(CChangeListModel::kPath, Qt::DescendingOrder);
    EXPECT_EQ(Column(model, CChangeListModel::kPath),
              std::vector<std::string>(byPath.rbegin(), byPath.rend()));

    // By old path: the move first, the rows without one after it by path.
    model.sort(CChangeListModel::kFrom);
    EXPECT_EQ(Column(model, CChangeListModel::kFrom)[0], "A\\c.txt");
    EXPECT_EQ(Column(model, CChangeListModel::kPath)[0], "d\\c.txt");
    EXPECT_EQ(Column(model, CChangeListModel::kPath)[1], "A\\new.txt");
}

TEST_F(CChangeListTest, TextHasOneLinePerRowInTheOrderShown) {
    CChangeListModel model(m_changes);
    model.sort(CChangeListModel::kPath);
    EXPECT_EQ(model.Text(), "追加\tA\\new.txt\n"
                            "追加\ta b.txt\n"
                            "変更\tb.txt\n"
                            "ﾌｫﾙﾀﾞ追加\td\n"
                            "移動\td\\c.txt\tA\\c.txt\n"
                            "ﾌｫﾙﾀﾞ削除\tgone\n"
                            "削除\tgone\\old.txt\n"
                            "削除\tZ.txt\n");
    EXPECT_EQ(model.Text({4, 0, 99}), "移動\td\\c.txt\tA\\c.txt\n追加\tA\\new.txt\n");
    EXPECT_EQ(CChangeListModel(CMediumChanges()).Text(), "");
}

TEST_F(CChangeListTest, TheWindowSortsByItsHeaderAndCopiesRows) {
    CChangeListDlg dialog(m_changes, "Photos");
    EXPECT_EQ(dialog.windowTitle().toStdString(), "変更一覧 - Photos");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // Opens by kind.
    EXPECT_EQ(Column(dialog.Model(), CChangeListModel::kKind).front(), "追加");
    EXPECT_EQ(Column(dialog.Model(), CChangeListModel::kKind).back(), "ﾌｫﾙﾀﾞ削除");

    QHeaderView* header = dialog.View().horizontalHeader();
    const QPoint pathTitle(header->sectionViewportPosition(CChangeListModel::kPath) + 5,
                           header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pathTitle);
    EXPECT_EQ(header->sortIndicatorSection(), CChangeListModel::kPath);
    EXPECT_EQ(Column(dialog.Model(), CChangeListModel::kPath).back(), "Z.txt");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pathTitle);
    EXPECT_EQ(Column(dialog.Model(), CChangeListModel::kPath).front(), "Z.txt");

    QClipboard* clipboard = QGuiApplication::clipboard();
    dialog.CopyAll();
    EXPECT_EQ(clipboard->text().toStdString(), dialog.Model().Text());

    // The copy key copies the selected rows, whole, in the order shown.
    clipboard->setText(QStringLiteral("before"));
    dialog.View().setFocus();
    QTest::keyClick(&dialog.View(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text().toStdString(), "before") << "nothing selected, nothing copied";
    QItemSelectionModel* selection = dialog.View().selectionModel();
    const auto rows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    selection->select(dialog.Model().index(2, 0), rows);
    selection->select(dialog.Model().index(0, 0), rows);
    QTest::keyClick(&dialog.View(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text().toStdString(), dialog.Model().Text({0, 2}));
    dialog.accept();
}
