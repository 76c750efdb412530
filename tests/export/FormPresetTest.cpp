// Export presets: the defaults of each format, storage round trips, the load-time offer of
// items added later, Select and Count repairs, and the per-format forcing on load.
#include "export/CExportFormSets.h"

#include "core/ProfileStore.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quillora;

namespace {

CFormCondition& Cond(CFormConditionSet& set, std::size_t i) {
    return dynamic_cast<CFormCondition&>(set.At(i));
}

// A store that went through its text form, as the settings file does.
CProfileStore Reread(const CProfileStore& store) {
    CProfileStore copy;
    EXPECT_TRUE(copy.FromText(store.ToText()));
    return copy;
}

TEST(FormPresetTest, FirstStartHasOneStandardPresetPerFormatWithItsDefaults) {
    CExportFormSets sets;
    CProfileStore empty;
    sets.Load(empty);
    for (EFormFormat format : kAllFormFormats) {
        const CFormConditionSet& set = sets.Set(format);
        ASSERT_EQ(set.Count(), 1u);
        EXPECT_EQ(set.Select, 0);
        EXPECT_EQ(set.At(0).Name, "標準");
        EXPECT_EQ(set.ImportShowDiff, 1);
    }
    CFormCondition* csv = sets.Current(EFormFormat::Csv);
    EXPECT_EQ(ItemTypes(csv->Visible), (std::vector<int>{2, 5, 6, 7, 13, 11, 8, 9, 10, 12}));
    EXPECT_EQ(csv->StrDQoute, 1);
    EXPECT_EQ(csv->RelRoot, "./");
    EXPECT_EQ(sets.Current(EFormFormat::Html)->StrDQoute, 0);
    CFormCondition* tree = sets.Current(EFormFormat::Tree);
    EXPECT_EQ(ItemTypes(tree->Visible), (std::vector<int>{5, 13, 11}));
    EXPECT_EQ(tree->PutTitle, 0);
    CFormCondition* mm = sets.Current(EFormFormat::MediaMax);
    EXPECT_EQ(ItemTypes(mm->Visible), (std::vector<int>{25, 14, 15, 11}));
    EXPECT_EQ(mm->Target, kTargetFiles);
    EXPECT_EQ(mm->FolderSep, 1);
    EXPECT_EQ(mm->StrDQoute, 0);
    EXPECT_EQ(mm->TitleEmpty, "タイトル無し");
    // Every offered item of every format is in exactly one of its lists.
    for (EFormFormat format : kAllFormFormats) {
        CFormCondition* c = sets.Current(format);
        std::vector<int> all = ItemTypes(c->Visible);
        for (int t : ItemTypes(c->Invisible)) {
            all.push_back(t);
        }
        std::sort(all.begin(), all.end());
        EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    }
}

TEST(FormPresetTest, SaveAndLoadKeepEveryFieldAndDropRemovedPresets) {
    CExportFormSets sets;
    CFormConditionSet& csv = sets.Set(EFormFormat::Csv);
    csv.Add(csv.NewPreset()).Name = "二番目";
    csv.Add(csv.NewPreset()).Name = "third";
    csv.Select = 2;
    csv.ImportPath = "/home/me/in.csv";
    csv.ImportShowDiff = 0;
    csv.ExportPath = "/home/me/out.csv";
    CFormCondition& c = Cond(csv, 1);
    c.Target = 2;
    c.FolderSep = 1;
    c.SubFolder = 0;
    c.PutTitle = 0;
    c.RelPath = 1;
    c.StrDQoute = 0;
    c.OrgName = 0;
    c.LabelSep = 3;
    c.RCode = 2;
    c.RelRootSpec = 1;
    c.RelRoot = "C:\\root";
    c.ItemSep = 2;
    c.SpecSubLayer = 1;
    c.SubLayer = 7;
    c.ConvCommentRCode = 1;
    c.CommentRCode = "<br>";
    c.Encoding = EExportEncoding::Utf8;
    c.Visible = MakeFormItems({26, 1});
    c.Invisible = MakeFormItems(
        {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25});
    Cond(sets.Set(EFormFormat::MediaMax), 0).TitleEmpty = "無題";

    CProfileStore store;
    sets.Save(store);
    CExportFormSets back;
    back.Load(Reread(store));
    CFormConditionSet& loaded = back.Set(EFormFormat::Csv);
    ASSERT_EQ(loaded.Count(), 3u);
    EXPECT_EQ(loaded.Select, 2);
    EXPECT_EQ(loaded.ImportPath, "/home/me/in.csv");
    EXPECT_EQ(loaded.ImportShowDiff, 0);
    EXPECT_EQ(loaded.ExportPath, "/home/me/out.csv");
    EXPECT_EQ(loaded.At(1).Name, "二番目");
    const CFormCondition& l = Cond(loaded, 1);
    EXPECT_EQ(l.Target, 2);
    EXPECT_EQ(l.FolderSep, 1);
    EXPECT_EQ(l.SubFolder, 0);
    EXPECT_EQ(l.PutTitle, 0);
    EXPECT_EQ(l.RelPath, 1);
    EXPECT_EQ(l.StrDQoute, 0);
    EXPECT_EQ(l.OrgName, 0);
    EXPECT_EQ(l.LabelSep, 3);
    EXPECT_EQ(l.RCode, 2);
    EXPECT_EQ(l.RelRootSpec, 1);
    EXPECT_EQ(l.RelRoot, "C:\\root");
    EXPECT_EQ(l.ItemSep, 2);
    EXPECT_EQ(l.SpecSubLayer, 1);
    EXPECT_EQ(l.SubLayer, 7);
    EXPECT_EQ(l.ConvCommentRCode, 1);
    EXPECT_EQ(l.CommentRCode, "<br>");
    EXPECT_EQ(l.Encoding, EExportEncoding::Utf8);
    EXPECT_EQ(ItemTypes(l.Visible), (std::vector<int>{26, 1}));
    EXPECT_EQ(l.Invisible.size(), 24u);
    EXPECT_EQ(Cond(back.Set(EFormFormat::MediaMax), 0).TitleEmpty, "無題");

    // Saving fewer presets leaves no stale sub-section behind.
    csv.Remove(2);
    EXPECT_EQ(csv.Select, 1);
    csv.Remove(0);
    EXPECT_EQ(csv.Select, 0);
    sets.Save(store);
    EXPECT_FALSE(store.HasSection("CSVForm\\2"));
    EXPECT_EQ(store.GetInt("CSVForm", "Count", 0), 1);
}

TEST(FormPresetTest, LoadingAnOldPresetOffersTheItemsAddedSinceAndRepairsTheSet) {
    CProfileStore store;
    store.SetInt("CSVForm", "Count", 3);
    store.SetInt("CSVForm", "Select", 7);
    // Preset 1: written before the relative name and the CRC existed; one of its items
    // is the CRC under another spelling, and one has lost its name.
    store.SetString("CSVForm\\1", "Name", "old");
    store.SetInt("CSVForm\\1", "Visible_Count", 3);
    store.SetString("CSVForm\\1", "Visible_Name_1", "名前(ﾌｧｲﾙ)");
    store.SetInt("CSVForm\\1", "Visible_Data_1", 5);
    store.SetString("CSVForm\\1", "Visible_Name_2", "crc");
    store.SetInt("CSVForm\\1", "Visible_Data_2", 26);
    store.SetInt("CSVForm\\1", "Visible_Data_3", 7);
    store.SetInt("CSVForm\\1", "Invisible_Count", 0);
    CFormConditionSet set("CSVForm",
                          [] { return std::make_unique<CFormCondition>(EFormFormat::Csv); });
    ASSERT_TRUE(set.Load(Reread(store)));
    ASSERT_EQ(set.Count(), 3u);
    EXPECT_EQ(set.Select, 0);
    const CFormCondition& old = Cond(set, 0);
    EXPECT_EQ(ItemTypes(old.Visible), (std::vector<int>{5, 26}));
    std::vector<int> offered = ItemTypes(old.Invisible);
    EXPECT_EQ(offered, (std::vector<int>{13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25}));
    // A missing root folder reads as ".", a missing encoding as CP932, a missing name as
    // "新規"; presets 2 and 3 have no keys at all.
    EXPECT_EQ(old.RelRoot, ".");
    EXPECT_EQ(old.Encoding, EExportEncoding::Cp932);
    EXPECT_EQ(set.At(2).Name, "新規");

    store.SetInt("CSVForm", "Count", 0);
    EXPECT_FALSE(set.Load(Reread(store)));
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.Select, -1);
}

TEST(FormPresetTest, HtmlNeverQuotesTheTreeNeverTitlesAndResetsKeepWhatTheFormatIgnores) {
    CProfileStore store;
    store.SetInt("HTMLForm", "Count", 1);
    store.SetInt("HTMLForm\\1", "StrDQoute", 1);
    store.SetInt("TreeForm", "Count", 1);
    store.SetInt("TreeForm\\1", "PutTitle", 1);
    CExportFormSets sets;
    sets.Load(store);
    EXPECT_EQ(sets.Current(EFormFormat::Html)->StrDQoute, 0);
    EXPECT_EQ(sets.Current(EFormFormat::Tree)->PutTitle, 0);

    CFormCondition tree(EFormFormat::Tree);
    tree.Name = "mine";
    tree.RelRoot = "X";
    tree.ItemSep = 2;
    tree.CommentRCode = "|";
    tree.Target = 1;
    tree.Visible.clear();
    tree.Reset();
    EXPECT_EQ(tree.Name, "mine");
    EXPECT_EQ(tree.RelRoot, "X");
    EXPECT_EQ(tree.ItemSep, 2);
    EXPECT_EQ(tree.CommentRCode, "|");
    EXPECT_EQ(tree.Target, 0);
    EXPECT_EQ(tree.Visible.size(), 3u);

    CFormCondition mm(EFormFormat::MediaMax);
    mm.ItemSep = 3;
    mm.CommentRCode = "|";
    mm.TitleEmpty = "";
    mm.Reset();
    EXPECT_EQ(mm.ItemSep, 3);
    EXPECT_EQ(mm.CommentRCode, "^n");
    EXPECT_EQ(mm.TitleEmpty, "タイトル無し");

    CFormCondition csv(EFormFormat::Csv);
    csv.RelRoot = "X";
    csv.Encoding = EExportEncoding::Utf8;
    csv.Reset();
    EXPECT_EQ(csv.RelRoot, "./");
    EXPECT_EQ(csv.Encoding, EExportEncoding::Cp932);
}

} // namespace
