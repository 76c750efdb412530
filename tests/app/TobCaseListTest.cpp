// The file list view: default column widths that fit their values in the list's own
// font, the order of names and of media sizes, the sort column the status names, and
// where a folder entered starts.
#include "app/TobCaseList.h"
#include "GuiTestApp.h"
#include "app/ColumnWidths.h"
#include "app/DisplayColumns.h"
#include "app/FileListModel.h"
#include "core/ConfigData.h"
#include "core/FileTime.h"
#include "model/CCDCase.h"
#include "model/SVolumeInfo.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace quillora {
namespace {

class FileListView : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        Config().OpenStore();
        Config().Store().Clear();
        Config().SetDefaults();
    }
};

SFileInfo* AddFile(SFileInfo& folder, const std::string& name, std::uint64_t size) {
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = name;
    file->m_nSize = size;
    file->m_dwFlags = kAttrArchive;
    file->UpdateDisplayName();
    return folder.AddChild(std::move(file));
}

SVolumeInfo* AddMedium(SFileInfo& root, const std::string& label, std::uint64_t total) {
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_dwFlags |= kFlagCdRom;
    medium->SetLabel(label);
    medium->m_nTotalBytes = total;
    medium->m_nFreeBytes = total / 3;
    medium->UpdateDisplayName();
    return static_cast<SVolumeInfo*>(root.AddChild(std::move(medium)));
}

std::vector<std::string> Names(const CTobCaseList& list) {
    std::vector<std::string> names;
    auto& model = const_cast<CTobCaseList&>(list).Model();
    for (int row = 0; row < model.rowCount(); ++row) {
        names.push_back(model.RecordAt(row)->GetDisplayName());
    }
    return names;
}

// Every name, size, date and number of the first row and every title fits its column.
void ExpectRowFits(CTobCaseList& list) {
    const QFontMetrics text = list.fontMetrics();
    const QFontMetrics header = list.header()->fontMetrics();
    CFileListModel& model = list.Model();
    for (int section = 0; section < model.columnCount(); ++section) {
        const int width = list.header()->sectionSize(section);
        QString title = model.headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_GE(width, header.horizontalAdvance(title) + 8) << title.toStdString();
        const int id = model.ColumnIdAt(section);
        if (id != CDisplayColumns::kName && CColumnWidths::SampleText(id).isEmpty()) {
            continue; // free text (types, comments) may be longer than any width
        }
        QString value = model.data(model.index(0, section), Qt::DisplayRole).toString();
        int needed = text.horizontalAdvance(value) + 8;
        if (section == 0) {
            needed += list.iconSize().width();
        }
        EXPECT_GE(width, needed) << "column " << id << " cuts \"" << value.toStdString() << "\"";
    }
}

} // namespace

TEST_F(FileListView, DefaultWidthsFitSizesDatesAndNumbersInTheListsFont) {
    const QFont saved = QApplication::font();
    for (int points : {0, 11, 17}) {
        Config().Store().Clear(); // widths stored by the last list would stand
        if (points > 0) {
            QFont font = saved;
            font.setPointSize(points);
            QApplication::setFont(font);
        }
        CCDCase root;
        SVolumeInfo* medium = AddMedium(root, "Backup", 987'654'321'098ULL);
        SFileInfo* file = AddFile(*medium, "report.txt", 795'144'293'888ULL);
        file->m_ftLastWrite = FileTimeFromUnix(1779293410); // 2026/05/20
        file->m_ftCreation = file->m_ftLastWrite;
        file->m_dwFlags |= kAttrReadOnly | kAttrHidden | kAttrSystem;
        file->SetCategory("x");
        root.RecalcSize(true);
        CTobCaseList list;
        list.resize(1800, 300);
        list.ShowFolder(medium);
        SCOPED_TRACE(points);
        ExpectRowFits(list);
        list.ShowFolder(&root);
        ExpectRowFits(list);
        EXPECT_EQ(list.iconSize(), QSize(32, 16)) << "the mark and the icon have a cell each";
    }
    QApplication::setFont(saved);
}

TEST_F(FileListView, NamesSortWithoutRegardToCaseAndMediaSizesByValue) {
    // The tests run in the "C" locale, where collation alone is byte order.
    SFileInfo folder;
    folder.m_dwFlags = kAttrDirectory;
    for (const char* name : {"cherry", "Banana", "apple", "Apple", "banana2"}) {
        AddFile(folder, name, 1);
    }
    CTobCaseList list;
    list.ShowFolder(&folder);
    std::vector<std::string> names = Names(list);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 2, names.end()),
              (std::vector<std::string>{"Banana", "banana2", "cherry"}));
    EXPECT_EQ(names[0] + names[1] == "Appleapple" || names[0] + names[1] == "appleApple", true);

    CCDCase root;
    AddMedium(root, "big", 1'288'490'189ULL); // 1.20 GB
    AddMedium(root, "mid", 134'510'100ULL);   // 128.28 MB
    AddMedium(root, "small", 19'419'300ULL);  // 18.52 MB
    list.ShowFolder(&root);
    list.ClickColumn(12);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"small", "mid", "big"}));
    list.ClickColumn(11);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"small", "mid", "big"}));
}

TEST_F(FileListView, TheStatusNamesTheColumnTheListIsSortedBy) {
    CCDCase root;
    SVolumeInfo* medium = AddMedium(root, "Disc", 1000);
    AddFile(*medium, "b.txt", 1);
    AddFile(*medium, "a.txt", 2);
    CTobCaseList list;
    list.ShowFolder(&root);
    list.ClickColumn(12);
    EXPECT_EQ(list.SortText(), QString::fromUtf8("ｿｰﾄ : 合計ｻｲｽﾞ"));
    // A medium's list has no such column: it is sorted by name, and says so.
    list.ShowFolder(medium);
    EXPECT_EQ(list.SortText(), QString::fromUtf8("ｿｰﾄ : 名前"));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(list.header()->sortIndicatorSection(), 0);
    list.ShowFolder(&root);
    EXPECT_EQ(list.SortText(), QString::fromUtf8("ｿｰﾄ : 合計ｻｲｽﾞ"));
}

TEST_F(FileListView, AFolderEnteredStartsAtItsTop) {
    SFileInfo first;
    SFileInfo second;
    first.m_dwFlags = second.m_dwFlags = kAttrDirectory;
    for (int i = 0; i < 300; ++i) {
        AddFile(first, "f" + std::to_string(i), 1);
        AddFile(second, "s" + std::to_string(i), 1);
    }
    CTobCaseList list;
    list.resize(300, 200);
    list.show();
    list.ShowFolder(&first);
    QCoreApplication::processEvents();
    QScrollBar* bar = list.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    list.horizontalScrollBar()->setValue(list.horizontalScrollBar()->maximum());
    list.ShowFolder(&second);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(list.horizontalScrollBar()->value(), 0);
}

} // namespace quillora
