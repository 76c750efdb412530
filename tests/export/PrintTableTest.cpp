// Print presets, the printed table and its pages: storage of fonts, items and printer
// settings; rows of each target with the row limit and sub-folders; cell texts and
// alignment; the page arithmetic for long lists.
#include "core/ProfileStore.h"
#include "export/CExportJob.h"
#include "export/CPrintCondition.h"
#include "export/CPrintPageLayout.h"
#include "export/CPrintTable.h"
#include "model/CCDCase.h"
#include "model/SVolumeInfo.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace quillora;

namespace {

std::vector<int> Types(const FormItemList& items) {
    return ItemTypes(items);
}

// A medium "Disc" with `folders` folders of `files` files each.
std::unique_ptr<CCDCase> Case(int folders, int files) {
    auto root = std::make_unique<CCDCase>();
    auto disc = std::make_unique<SVolumeInfo>();
    disc->SetLabel("Disc");
    for (int f = 0; f < folders; ++f) {
        auto folder = std::make_unique<SFileInfo>();
        folder->m_strName = "dir" + std::to_string(f);
        folder->m_dwFlags = kAttrDirectory;
        for (int i = 0; i < files; ++i) {
            auto file = std::make_unique<SFileInfo>();
            file->m_strName = "f" + std::to_string(i) + ".txt";
            file->m_nSize = 1234567;
            folder->AddChild(std::move(file));
        }
        disc->AddChild(std::move(folder));
    }
    root->AddChild(std::move(disc));
    root->RecalcSize(true);
    root->UpdateDisplayNameTree(true);
    return root;
}

} // namespace

TEST(PrintPreset, DefaultsStorageAndOfferedItems) {
    CPrintCondition preset;
    EXPECT_EQ(preset.Name, "新規");
    EXPECT_EQ(Types(preset.Visible), (std::vector<int>{2, 5, 6, 7, 13, 11, 8}));
    EXPECT_EQ(preset.TargetRows, 200);
    EXPECT_EQ(preset.ListTitleFont.FaceName, "ＭＳ Ｐゴシック");
    EXPECT_EQ(FontDescription(preset.ListTitleFont), "ＭＳ Ｐゴシック, 9.0 pt");

    preset.Name = "Wide";
    preset.Target = kPrintWholeCase;
    preset.MarginLeft = 5;
    preset.ListFont = {"IPAGothic", 105, 0x0000FF, 0xEEEEEE};
    preset.Title = "棚の一覧";
    preset.SelectPrinter = "Office";
    preset.PrinterSettings["Office"] = {1, 2, 3};
    preset.PrinterSettings["Home"] = {9};
    CProfileStore store;
    preset.Save(store, "PrintForm\\1");
    EXPECT_EQ(store.GetInt("PrintForm\\1", "List_Point", 0), 105);
    EXPECT_EQ(store.GetInt("PrintForm\\1", "List_Fore", 0), 0xFF);
    CPrintCondition back;
    back.Load(store, "PrintForm\\1");
    EXPECT_EQ(back.Name, "Wide");
    EXPECT_EQ(back.Target, kPrintWholeCase);
    EXPECT_EQ(back.MarginLeft, 5);
    EXPECT_EQ(back.ListFont, preset.ListFont);
    EXPECT_EQ(back.Title, "棚の一覧");
    EXPECT_EQ(back.PrinterSettings, preset.PrinterSettings);

    // Saving again replaces the printers' section: a printer that was dropped goes.
    back.PrinterSettings.erase("Home");
    back.Save(store, "PrintForm\\1");
    EXPECT_EQ(store.ValueNames("PrintForm\\1\\PrinterInfo"), (std::vector<std::string>{"Office"}));

    // A preset saved with an older item list offers the newer items, never 12 or 25.
    store.SetInt("PrintForm\\1", "Invisible_Count", 0);
    CPrintCondition old;
    old.Load(store, "PrintForm\\1");
    std::vector<int> offered = Types(old.Invisible);
    EXPECT_NE(std::find(offered.begin(), offered.end(), 26), offered.end());
    EXPECT_EQ(std::find(offered.begin(), offered.end(), 12), offered.end());
    EXPECT_EQ(std::find(offered.begin(), offered.end(), 25), offered.end());
}

TEST(PrintTable, RowLimitTargetsAndSubFolders) {
    auto root = Case(50, 100); // 5000 files, 50 folders, a medium, the case
    CPrintCondition preset;
    preset.Target = kPrintWholeCase;
    CPrintTable limited(preset);
    ASSERT_TRUE(limited.Build(root.get(), nullptr, {}));
    ASSERT_EQ(limited.RowCount(), 200u);
    EXPECT_EQ(limited.Cell(0, 0), "1");
    EXPECT_EQ(limited.Cell(199, 0), "200");

    preset.TargetRowsMode = 0;
    CPrintTable all(preset);
    all.Build(root.get(), nullptr, {});
    EXPECT_EQ(all.RowCount(), 5052u);
    // Depth first in child order: case, medium, dir0, its files, dir1...
    EXPECT_EQ(all.Cell(2, 2), "dir0");
    EXPECT_EQ(all.Cell(3, 2), "f0.txt");
    EXPECT_EQ(all.Cell(103, 2), "dir1");

    // The folder list's entry without its sub-folders is one row; the file list's
    // entries are rows in their order.
    SFileInfo* disc = root->ChildAt(0);
    preset.Target = kPrintFolderSelection;
    preset.TargetSubFolder = 0;
    CPrintTable one(preset);
    one.Build(root.get(), disc, {});
    EXPECT_EQ(one.RowCount(), 1u);
    preset.Target = kPrintListSelection;
    preset.TargetSubFolder = 1;
    CPrintTable list(preset);
    list.Build(root.get(), disc, {disc->ChildAt(3), disc->ChildAt(1)});
    ASSERT_EQ(list.RowCount(), 202u);
    EXPECT_EQ(list.Cell(0, 2), "dir3");
    EXPECT_EQ(list.Cell(101, 2), "dir1");

    CExportJob job;
    job.Cancel();
    preset.Target = kPrintWholeCase;
    CPrintTable stopped(preset);
    EXPECT_FALSE(stopped.Build(root.get(), nullptr, {}, &job));
}

TEST(PrintTable, CellsAlignmentAndWidths) {
    auto root = Case(1, 1);
    SFileInfo* file = root->ChildAt(0)->ChildAt(0)->ChildAt(0);
    file->SetComment("first\r\nsecond");
    file->m_dwExtValue = 0xABCDEF01;
    file->m_wExtFlags = kExtFlagCrc;
    CPrintCondition preset;
    preset.Visible = MakeFormItems({3, 7, 11, 26});
    preset.Target = kPrintListSelection;
    CPrintTable table(preset);
    table.Build(root.get(), nullptr, {file});
    const auto& columns = table.Columns();
    ASSERT_EQ(columns.size(), 5u);
    EXPECT_EQ(columns[0].m_strTitle, "No.");
    EXPECT_EQ(columns[0].m_nWidth, kNoColumnWidth);
    EXPECT_EQ(columns[1].m_strTitle, "名前");
    EXPECT_EQ(columns[2].m_align, ECellAlign::Right);
    EXPECT_EQ(columns[3].m_nWidth, kCommentColumnWidth);
    EXPECT_EQ(columns[4].m_align, ECellAlign::Right);
    EXPECT_EQ(columns[1].m_align, ECellAlign::Left);
    EXPECT_EQ(table.Cell(0, 1), "Disc/dir0/f0.txt") << "no label brackets";
    EXPECT_EQ(table.Cell(0, 2), "1234567");
    EXPECT_EQ(table.Cell(0, 3), "first second");
    EXPECT_EQ(table.Cell(0, 4), "ABCDEF01");
}

TEST(PrintPageLayout, ColumnsFillTheWidthAndRowsFillThePages) {
    SPageMetrics m;
    m.m_dPageWidth = 2480; // A4 at 300 dpi
    m.m_dPageHeight = 3508;
    m.m_dMarginTop = m.m_dMarginBottom = m.m_dMarginLeft = m.m_dMarginRight = 236;
    m.m_dCharHeight = 40;
    m.m_dTitleHeight = 50;
    m.m_dRowHeight = 52;
    m.m_dHeaderHeight = 52;
    CPrintPageLayout layout(m, {40, 80, 100}, 100000);
    EXPECT_DOUBLE_EQ(layout.ColumnX(0), 236);
    EXPECT_DOUBLE_EQ(layout.TableRight(), 2480 - 236);
    EXPECT_DOUBLE_EQ(layout.ColumnWidth(2) / layout.ColumnWidth(0), 2.5);
    // (3508 - 5*40 - 50 - 52 - 236 - 236) / 52 = 52.3 -> 52 rows.
    EXPECT_EQ(layout.RowsPerPage(), 52u);
    EXPECT_EQ(layout.PageCount(), (100000u + 51) / 52);
    EXPECT_EQ(layout.FirstRow(1), 52u);
    EXPECT_EQ(layout.EndRow(layout.PageCount() - 1), 100000u);
    EXPECT_LE(layout.TableTop() + m.m_dHeaderHeight + 52 * m.m_dRowHeight, layout.FooterRuleY());

    CPrintPageLayout empty(m, {40}, 0);
    EXPECT_EQ(empty.PageCount(), 1u);
    EXPECT_EQ(empty.EndRow(0), 0u);
    // Margins larger than the page still give one row a page, never a division by 0.
    m.m_dMarginTop = 4000;
    EXPECT_EQ(CPrintPageLayout(m, {40}, 10).RowsPerPage(), 1u);
}

TEST(PrintPageLayout, WidthGoesWhereValuesNeedItAndTallRowsEndPages) {
    // Everything fits: each column grows in proportion.
    std::vector<double> w = CPrintPageLayout::ShareWidths({10, 30}, 80);
    EXPECT_DOUBLE_EQ(w[0], 20);
    EXPECT_DOUBLE_EQ(w[1], 60);
    // Too wide: short columns (a date, an empty comment) keep what they need, the two long
    // ones split the rest evenly.
    w = CPrintPageLayout::ShareWidths({400, 30, 12, 500, 40}, 300);
    EXPECT_DOUBLE_EQ(w[1], 30);
    EXPECT_DOUBLE_EQ(w[2], 12);
    EXPECT_DOUBLE_EQ(w[4], 40);
    EXPECT_DOUBLE_EQ(w[0], 109);
    EXPECT_DOUBLE_EQ(w[3], 109);
    // A column that wants a little more than its even share is not given it at the cost
    // of making another smaller than its share.
    w = CPrintPageLayout::ShareWidths({50, 50, 50}, 120);
    EXPECT_DOUBLE_EQ(w[0] + w[1] + w[2], 120);
    EXPECT_DOUBLE_EQ(w[0], 40);
    EXPECT_TRUE(CPrintPageLayout::ShareWidths({}, 100).empty());
    w = CPrintPageLayout::ShareWidths({0, 0}, 100);
    EXPECT_DOUBLE_EQ(w[0], 50) << "empty columns split the page rather than vanish";

    EXPECT_EQ(CPrintPageLayout::RowsThatFit({10, 10, 30, 10}, 50), 3u);
    EXPECT_EQ(CPrintPageLayout::RowsThatFit({10, 10, 30, 10}, 49), 2u);
    EXPECT_EQ(CPrintPageLayout::RowsThatFit({500, 10}, 50), 1u) << "a tall row still gets a page";
    EXPECT_EQ(CPrintPageLayout::RowsThatFit({}, 50), 0u);
}
