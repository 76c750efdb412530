// The file list model: rows, value texts, sorting classes and directions.
#include "app/FileListModel.h"
#include "GuiTestApp.h"
#include "app/ColumnSets.h"
#include "app/DisplayColumns.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace quillora {
namespace {

struct MixedFolder {
    SFileInfo root;
    MixedFolder() {
        root.m_dwFlags = kAttrDirectory;
        AddRecord("big.bin", 5000, kAttrArchive);
        AddRecord("Folder B", 300, kAttrDirectory);
        AddGroup("Group", 10);
        AddRecord("small.txt", 10, kAttrArchive);
        AddRecord("Folder A", 9000, kAttrDirectory);
    }
    void AddRecord(const char* name, std::uint64_t size, std::uint32_t flags) {
        auto r = std::make_unique<SFileInfo>();
        r->m_strName = name;
        r->m_nSize = size;
        r->m_dwFlags = flags;
        root.AddChild(std::move(r));
    }
    void AddGroup(const char* name, std::uint64_t size) {
        auto g = std::make_unique<SGroupInfo>();
        g->SetLabel(name);
        g->UpdateDisplayName();
        g->m_nSize = size;
        root.AddChild(std::move(g));
    }
};

std::vector<std::string> Names(const CFileListModel& model) {
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row) {
        names.push_back(model.RecordAt(row)->GetDisplayName());
    }
    return names;
}

TEST(FileListModel, SortBySizePutsFoldersThenGroupsThenFilesAndDescendingReverses) {
    test::GuiApp();
    MixedFolder folder;
    CColumnSets sets;
    CFileListModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.SetFolder(&folder.root, &sets.Set(CColumnSets::kNormal));
    model.Sort(CDisplayColumns::kSize, true, false);
    EXPECT_EQ(Names(model),
              (std::vector<std::string>{"Folder B", "Folder A", "Group", "small.txt", "big.bin"}));
    model.Sort(CDisplayColumns::kSize, false, false);
    EXPECT_EQ(Names(model),
              (std::vector<std::string>{"big.bin", "small.txt", "Group", "Folder A", "Folder B"}));
}

TEST(FileListModel, EqualValuesFallBackToTheNamesAndPersistentRowsFollow) {
    test::GuiApp();
    MixedFolder folder;
    folder.AddRecord("a-same.txt", 10, kAttrArchive);
    CColumnSets sets;
    CFileListModel model;
    model.SetFolder(&folder.root, &sets.Set(CColumnSets::kNormal));
    QPersistentModelIndex big(model.index(0, 0));
    ASSERT_EQ(model.RecordAt(0)->GetDisplayName(), "big.bin");
    model.Sort(CDisplayColumns::kSize, true, false);
    auto names = Names(model);
    EXPECT_EQ(names[3], "a-same.txt");
    EXPECT_EQ(names[4], "small.txt");
    EXPECT_EQ(model.RecordAt(big.row())->GetDisplayName(), "big.bin");
}

TEST(FileListModel, GroupArcViewSortsListedArchivesWithTheGroups) {
    SFileInfo archive;
    archive.m_dwFlags = kAttrDirectory | kFlagListedArchive;
    EXPECT_EQ(CFileListModel::SortClass(archive, false), -2);
    EXPECT_EQ(CFileListModel::SortClass(archive, true), -1);
    SFileInfo file;
    EXPECT_EQ(CFileListModel::SortClass(file, true), 0);
}

TEST(FileListModel, ValueTextsFollowTheColumnRules) {
    test::GuiApp();
    SFileInfo file;
    file.m_strName = "f.dat";
    file.m_nSize = 1234567;
    file.m_dwFlags = kAttrArchive | kAttrReadOnly;
    EXPECT_EQ(CDisplayColumns::ValueText(file, 1), "1,234,567");
    file.m_nSize = 19630;
    EXPECT_EQ(CDisplayColumns::ValueText(file, 1), "19,630");
    file.m_nSize = 999;
    EXPECT_EQ(CDisplayColumns::ValueText(file, 1), "999");
    EXPECT_EQ(CDisplayColumns::ValueText(file, 3), "（不明）");
    EXPECT_EQ(CDisplayColumns::ValueText(file, 32), "");
    file.m_wExtFlags = kExtFlagCrc;
    file.m_dwExtValue = 0xABC;
    EXPECT_EQ(CDisplayColumns::ValueText(file, 32), "00000ABC");
    EXPECT_EQ(CDisplayColumns::ValueText(file, 15), "");

    SFileInfo folder;
    folder.m_dwFlags = kAttrDirectory;
    EXPECT_EQ(CDisplayColumns::ValueText(folder, 9), "");
    SArcFileInfo member;
    member.m_dwFlags |= kAttrDirectory;
    member.m_nSize = 200;
    member.m_dwPackedSize = 50;
    EXPECT_EQ(CDisplayColumns::ValueText(member, 9), " 25.0 %");
}

TEST(FileListModel, StoredContentsAreRedAndMarkedRecordsCarryTheMark) {
    test::GuiApp();
    MixedFolder folder;
    folder.root.ChildAt(0)->SetData({1, 2, 3});
    CColumnSets sets;
    CFileListModel model;
    model.SetFolder(&folder.root, &sets.Set(CColumnSets::kNormal));
    QVariant red = model.data(model.index(0, 0), Qt::ForegroundRole);
    ASSERT_TRUE(red.isValid());
    EXPECT_EQ(red.value<QColor>(), QColor(255, 0, 0));
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::ForegroundRole).isValid());
    QIcon plain = model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>();
    folder.root.ChildAt(0)->m_byMark = 1;
    QIcon marked = model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>();
    // The mark and the icon have a cell each: the icon stands in the same place.
    ASSERT_EQ(plain.availableSizes().front(), QSize(32, 16));
    ASSERT_EQ(marked.availableSizes().front(), QSize(32, 16));
    const QImage plainImage = plain.pixmap(32, 16).toImage();
    const QImage markedImage = marked.pixmap(32, 16).toImage();
    EXPECT_EQ(plainImage.copy(16, 0, 16, 16), markedImage.copy(16, 0, 16, 16));
    EXPECT_NE(plainImage.copy(0, 0, 16, 16), markedImage.copy(0, 0, 16, 16));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QString::fromUtf8("ﾌｧｲﾙの種類"));
}

TEST(FileListModel, AHundredThousandFilesSortWithoutTouchingTheRecordsOrder) {
    test::GuiApp();
    SFileInfo folder;
    folder.m_dwFlags = kAttrDirectory;
    for (int i = 0; i < 100000; ++i) {
        auto r = std::make_unique<SFileInfo>();
        r->m_strName = "file" + std::to_string((i * 7919) % 100000) + ".txt";
        r->m_nSize = static_cast<std::uint64_t>((i * 31) % 1000);
        folder.AddChild(std::move(r));
    }
    const SFileInfo* first = folder.ChildAt(0);
    CColumnSets sets;
    CFileListModel model;
    model.SetFolder(&folder, &sets.Set(CColumnSets::kNormal));
    model.Sort(CDisplayColumns::kSize, true, false);
    EXPECT_EQ(folder.ChildAt(0), first);
    for (int row = 1; row < model.rowCount(); ++row) {
        ASSERT_LE(model.RecordAt(row - 1)->m_nSize, model.RecordAt(row)->m_nSize);
    }
}

} // namespace
} // namespace quillora
