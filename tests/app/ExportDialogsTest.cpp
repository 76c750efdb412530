// The export dialogs: the item page's moves, the preset row (new, delete, rename, reset,
// switching stores the pages), OK and Cancel of the settings dialog, the copy button, the
// export and import dialogs' refusal of an empty name, and what the copy commands put on
// the clipboard.
#include "QtTestApp.h"

#include "app/export/CFormItemsPage.h"
#include "app/export/CFormPresetBar.h"
#include "app/export/CFormSettingsDlg.h"
#include "app/export/CListFileDlg.h"
#include "app/export/CNameEditDlg.h"
#include "app/export/CQtClipboardText.h"
#include "document/FormPresets.h"
#include "export/CExportFormSets.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

CFormConditionSet CsvSet() {
    CExportFormSets sets;
    return sets.Set(EFormFormat::Csv);
}

void SelectRows(QListWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows) {
        list->item(row)->setSelected(true);
    }
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

class ExportDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
};

TEST_F(ExportDialogsTest, ItemPageMovesSelectedItemsBetweenAndWithinTheLists) {
    CFormItemsPage page;
    CFormCondition preset(EFormFormat::Tree); // written: name, category, comment
    page.LoadPreset(preset);
    ASSERT_EQ(Texts(page.WrittenList()), (QStringList{"名前(ﾌｧｲﾙ)", "分類", "ｺﾒﾝﾄ"}));
    SelectRows(page.OfferedList(), {0, 2}); // ﾌｫﾙﾀﾞ名, 名前(ﾗﾍﾞﾙ+ﾌｫﾙﾀﾞ+ﾌｧｲﾙ)
    page.AddSelected();
    EXPECT_EQ(ItemTypes(page.Written()), (std::vector<int>{5, 13, 11, 2, 3}));
    SelectRows(page.WrittenList(), {3, 4});
    page.MoveUp();
    page.MoveUp();
    EXPECT_EQ(ItemTypes(page.Written()), (std::vector<int>{5, 2, 3, 13, 11}));
    page.MoveDown();
    EXPECT_EQ(ItemTypes(page.Written()), (std::vector<int>{5, 13, 2, 3, 11}));
    SelectRows(page.WrittenList(), {0});
    page.RemoveSelected();
    EXPECT_EQ(page.Offered().back().Data, 5);
    page.AddAll();
    EXPECT_TRUE(page.Offered().empty());
    EXPECT_EQ(page.Written().size(), 24u);
    CFormCondition applied(EFormFormat::Tree);
    page.ApplyPreset(applied);
    EXPECT_TRUE(applied.Invisible.empty());
    EXPECT_EQ(applied.Visible.size(), 24u);
}

TEST_F(ExportDialogsTest, PresetRowAddsDeletesRenamesAndResets) {
    CFormSettingsDlg dialog(EFormFormat::Csv, CsvSet());
    CFormPresetBar& bar = dialog.PresetBar();
    EXPECT_FALSE(bar.DeleteButton()->isEnabled());
    bar.AddPreset();
    EXPECT_EQ(dialog.Set().Count(), 2u);
    EXPECT_EQ(dialog.Set().Select, 1);
    EXPECT_EQ(bar.Combo()->currentText(), "新規");
    EXPECT_TRUE(bar.DeleteButton()->isEnabled());
    bar.SetNameSource([](const QString&) { return std::optional<QString>("mine"); });
    bar.RenamePreset();
    EXPECT_EQ(bar.Combo()->itemText(1), "mine");
    // A page edit is stored into the preset that is left when another is chosen.
    auto* quote = dialog.Tabs()->widget(0)->findChildren<QCheckBox*>().front();
    ASSERT_EQ(quote->text(), "文字列をﾀﾞﾌﾞﾙｸｫﾃｰｼｮﾝで囲む。(&L)");
    quote->setChecked(false);
    bar.Select(0);
    EXPECT_EQ(dynamic_cast<const CFormCondition&>(dialog.Set().At(1)).StrDQoute, 0);
    EXPECT_TRUE(quote->isChecked()); // preset 0 is shown
    bar.Select(1);
    EXPECT_FALSE(quote->isChecked());
    bar.ResetPreset();
    EXPECT_TRUE(quote->isChecked());
    EXPECT_EQ(dialog.Set().At(1).Name, "mine");
    bar.DeletePreset();
    EXPECT_EQ(dialog.Set().Count(), 1u);
    EXPECT_EQ(dialog.Set().Select, 0);
    EXPECT_FALSE(bar.DeleteButton()->isEnabled());
}

TEST_F(ExportDialogsTest, SettingsDialogWritesBackOnOkOnlyAndCopiesWithTheEditedPreset) {
    CFormConditionSet set = CsvSet();
    {
        CFormSettingsDlg dialog(EFormFormat::Csv, set);
        dialog.PresetBar().AddPreset();
        dialog.reject();
        // Cancel: the caller's set is not touched (Edit copies only on OK).
    }
    EXPECT_EQ(set.Count(), 1u);
    std::string copiedWith;
    CFormSettingsDlg dialog(EFormFormat::Html, ExportFormSets().Set(EFormFormat::Html),
                            [&](const CFormCondition& p) { copiedWith = p.Name; });
    EXPECT_EQ(dialog.windowTitle(), "HTML形式の設定");
    ASSERT_EQ(dialog.Tabs()->count(), 2);
    EXPECT_EQ(dialog.Tabs()->tabText(0), "設定");
    EXPECT_EQ(dialog.Tabs()->tabText(1), "項目");
    auto* copy = dialog.findChild<QPushButton*>("Copy");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->text(), "ｺﾋﾟｰ(&C)");
    dialog.PresetBar().AddPreset();
    dialog.CopyAndClose();
    EXPECT_EQ(copiedWith, "新規");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // The MediaMax dialog has its two setting pages and the items.
    CFormSettingsDlg mm(EFormFormat::MediaMax, ExportFormSets().Set(EFormFormat::MediaMax));
    EXPECT_EQ(mm.Tabs()->count(), 3);
    EXPECT_EQ(mm.windowTitle(), "MediaMax形式の設定");
}

TEST_F(ExportDialogsTest, NamesMayNotBeEmpty) {
    CNameEditDlg dialog("old");
    std::vector<std::string> said;
    dialog.SetMessageSink([&](const std::string& text) { said.push_back(text); });
    dialog.Edit()->clear();
    dialog.accept();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "名前欄に1文字以上の文字を入力してください。");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.Edit()->setText("new");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ExportDialogsTest, ExportAndImportDialogsKeepTheirChoicesInTheSet) {
    CFormConditionSet set = CsvSet();
    set.Add(set.NewPreset()).Name = "second";
    set.ExportPath = "/old/list.csv";
    CListFileDlg exportDlg(CListFileDlg::EMode::Export, EFormFormat::Csv, set);
    EXPECT_EQ(exportDlg.windowTitle(), "CSV形式のｴｸｽﾎﾟｰﾄ");
    EXPECT_EQ(exportDlg.FileName(), "/old/list.csv");
    EXPECT_EQ(exportDlg.ShowDiffCheck(), nullptr);
    std::vector<std::string> said;
    exportDlg.SetMessageSink([&](const std::string& text) { said.push_back(text); });
    exportDlg.SetFileName("");
    exportDlg.accept();
    EXPECT_EQ(said, std::vector<std::string>{"ﾌｧｲﾙ名が指定されていません。"});
    EXPECT_NE(exportDlg.result(), QDialog::Accepted);
    exportDlg.PresetCombo()->setCurrentIndex(1);
    exportDlg.SetFileName("/new/list.csv");
    exportDlg.accept();
    EXPECT_EQ(set.Select, 1);
    EXPECT_EQ(set.ExportPath, "/new/list.csv");

    CListFileDlg importDlg(CListFileDlg::EMode::Import, EFormFormat::MediaMax, set);
    EXPECT_EQ(importDlg.windowTitle(), "MediaMax形式により開く");
    ASSERT_NE(importDlg.ShowDiffCheck(), nullptr);
    EXPECT_TRUE(importDlg.ShowDiffCheck()->isChecked());
    importDlg.ShowDiffCheck()->setChecked(false);
    importDlg.SetFileName("/in/list.csv");
    int edits = 0;
    importDlg.SetSettingsEditor([&] {
        ++edits;
        set.Add(set.NewPreset()).Name = "third";
    });
    importDlg.EditSettings();
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(importDlg.PresetCombo()->count(), 3);
    importDlg.accept();
    EXPECT_EQ(set.ImportPath, "/in/list.csv");
    EXPECT_EQ(set.ImportShowDiff, 0);
}

TEST_F(ExportDialogsTest, ClipboardCarriesPlainTextAndHtml) {
    CQtClipboardText clipboard;
    EXPECT_TRUE(clipboard.SetText("<TABLE></TABLE>", true));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasHtml());
    EXPECT_EQ(data->text(), "<TABLE></TABLE>");
    EXPECT_TRUE(clipboard.SetText("a,b", false));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasHtml());
    EXPECT_FALSE(clipboard.SetText("", false));
}

} // namespace
