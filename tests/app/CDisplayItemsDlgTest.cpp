// The column table and the display-items dialog: defaults of the three sets, moving
// columns between shown and offered, order, the name column kept, and Cancel.
#include "app/options/CDisplayItemsDlg.h"
#include "QtTestApp.h"
#include "app/ColumnSets.h"
#include "app/ColumnTitles.h"

#include <QListWidget>
#include <gtest/gtest.h>

#include <set>

using namespace quillora;
using namespace quillora::test;

namespace {

std::vector<int> Ids(const std::vector<SColumnChoice>& entries) {
    std::vector<int> ids;
    for (const auto& entry : entries) {
        ids.push_back(entry.id);
    }
    return ids;
}

} // namespace

TEST(ColumnTitles, ListsAndTheListViewsSetsConvertBothWays) {
    CColumnSets sets;
    ColumnSets lists = ToColumnLists(sets);
    EXPECT_EQ(lists, DefaultColumnSets());
    lists[kColumnSetCase].shown.push_back(lists[kColumnSetCase].offered.front());
    lists[kColumnSetCase].offered.erase(lists[kColumnSetCase].offered.begin());
    ApplyColumnLists(lists, sets);
    EXPECT_EQ(sets.Set(CColumnSets::kCase).Shown().back().m_nId, 13);
    EXPECT_EQ(ToColumnLists(sets), lists);
    EXPECT_STREQ(ColumnTitle(9), "圧縮率");
    EXPECT_EQ(ColumnWidth(17), 25);
    EXPECT_EQ(ColumnWidth(99), 0);
}

TEST(ColumnTitles, DefaultSets) {
    const auto sets = DefaultColumnSets();
    EXPECT_EQ(Ids(sets[kColumnSetNormal].shown), (std::vector<int>{0, 2, 1, 4, 20, 7}));
    EXPECT_EQ(sets[kColumnSetNormal].offered.size(), 4u + 15u);
    EXPECT_EQ(Ids(sets[kColumnSetArchive].shown), (std::vector<int>{0, 2, 1, 8, 9, 20, 7}));
    EXPECT_EQ(Ids(sets[kColumnSetCase].offered), (std::vector<int>{13, 19, 33, 34, 35}));
    EXPECT_EQ(sets[kColumnSetCase].shown[1], (SColumnChoice{10, 1, 130}));
    EXPECT_STREQ(ColumnSetKey(kColumnSetArchive), "Archive");
    EXPECT_STREQ(ColumnSetTitle(kColumnSetCase), "ｹｰｽ・ｸﾞﾙｰﾌﾟ");
    EXPECT_TRUE(ColumnBelongsToSet(kColumnSetNormal, 35));
    EXPECT_FALSE(ColumnBelongsToSet(kColumnSetCase, 2));
}

TEST(CDisplayItemsDlg, AddRemoveAndReorder) {
    TestApp();
    ColumnSets sets = DefaultColumnSets();
    CDisplayItemsDlg dialog(sets, kColumnSetCase);
    dialog.OfferedList()->setCurrentRow(1); // 19
    dialog.AddSelected();
    EXPECT_EQ(Ids(dialog.Sets()[kColumnSetCase].shown),
              (std::vector<int>{0, 10, 12, 11, 20, 7, 19}));
    EXPECT_EQ(dialog.ShownList()->currentRow(), 6);
    dialog.MoveSelectedUp();
    EXPECT_EQ(Ids(dialog.Sets()[kColumnSetCase].shown),
              (std::vector<int>{0, 10, 12, 11, 20, 19, 7}));
    dialog.ShownList()->setCurrentRow(1); // 10
    dialog.RemoveSelected();
    EXPECT_EQ(Ids(dialog.Sets()[kColumnSetCase].offered), (std::vector<int>{13, 33, 34, 35, 10}));
    dialog.ShownList()->setCurrentRow(0);
    dialog.RemoveSelected();
    EXPECT_EQ(dialog.Sets()[kColumnSetCase].shown.front().id, 0) << "the name column stays";

    dialog.ShowSet(kColumnSetNormal);
    EXPECT_EQ(dialog.ShownList()->count(), 6);
    EXPECT_EQ(dialog.ShownList()->item(1)->text().toStdString(), "ﾌｧｲﾙの種類");
    EXPECT_EQ(sets, DefaultColumnSets()) << "the caller's sets change only through Edit";
}

TEST(CDisplayItemsDlg, ShownWidthsAndFlagsTravelWithTheEntry) {
    TestApp();
    ColumnSets sets = DefaultColumnSets();
    sets[kColumnSetNormal].shown[2] = {1, 0, 77};
    CDisplayItemsDlg dialog(sets, kColumnSetNormal);
    dialog.ShownList()->setCurrentRow(2);
    dialog.RemoveSelected();
    EXPECT_EQ(dialog.Sets()[kColumnSetNormal].offered.back(), (SColumnChoice{1, 0, 77}));
}
