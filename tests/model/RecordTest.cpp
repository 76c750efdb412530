// Catalogue records: size texts, display names, medium identity, size sums, paths,
// counts and the display types.
#include "core/IModelSettings.h"
#include "model/CCDCase.h"
#include "model/CDisplayTypeTable.h"
#include "model/DisplayName.h"
#include "model/RecordCompare.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <gtest/gtest.h>

#include <thread>

using namespace quillora;

namespace {

struct FakeSettings : IModelSettings {
    int mediaId = 0, dispMode = 0, unit = 0;
    int MediaId() const override { return mediaId; }
    int FileDispMode() const override { return dispMode; }
    int SizeUnitMode() const override { return unit; }
};

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override { SetModelSettings(&settings); }
    void TearDown() override { SetModelSettings(nullptr); }
    FakeSettings settings;
};

SFileInfo* AddEntry(SFileInfo& parent, const std::string& name, std::uint64_t size, bool folder) {
    auto r = std::make_unique<SFileInfo>();
    r->m_strName = name;
    r->m_nSize = size;
    r->m_dwFlags = folder ? kAttrDirectory : kAttrArchive;
    return parent.AddChild(std::move(r));
}

} // namespace

TEST(SizeText, AutomaticUnitCutsAtTwoDecimals) {
    EXPECT_EQ(FormatSizeText(0, 0), "0 Byte");
    EXPECT_EQ(FormatSizeText(1023, 0), "1023 Byte");
    EXPECT_EQ(FormatSizeText(1536, 0), "1.50 KB");
    EXPECT_EQ(FormatSizeText(1024 + 1023, 0), "1.99 KB"); // 1.999 is cut, not rounded
    EXPECT_EQ(FormatSizeText(0xFFFFF, 0), "1023.99 KB");
    EXPECT_EQ(FormatSizeText(0x100000, 0), "1.00 MB");
    EXPECT_EQ(FormatSizeText(3ULL << 19, 0), "1.50 MB");
    EXPECT_EQ(FormatSizeText(3ULL << 29, 0), "1.50 GB");
    EXPECT_EQ(FormatSizeText(0x40000000, 0), "1.00 GB");
    EXPECT_EQ(FormatSizeText(5ULL << 30, 0), "5.00 GB");
    // Beyond 4 TiB the shifted size is kept to 32 bits, as the program always did.
    EXPECT_EQ(FormatSizeText(kUnknownSize, 0), "（不明）");
}

TEST(SizeText, FixedUnitsGroupDigits) {
    EXPECT_EQ(FormatSizeText(1234567, 1), "1,234,567 Byte");
    EXPECT_EQ(FormatSizeText(999, 1), "999 Byte");
    EXPECT_EQ(FormatSizeText(1234567, 2), "1,205 KB");
    EXPECT_EQ(FormatSizeText(5ULL << 30, 3), "5,120 MB");
    EXPECT_EQ(FormatSizeText(5ULL << 30, 4), "5 GB");
    EXPECT_EQ(FormatSizeText(5, 9), "");
    EXPECT_EQ(FormatGrouped(1000), "1,000");
    EXPECT_EQ(FormatGrouped(100), "100");
}

TEST_F(RecordTest, DisplayNameModes) {
    EXPECT_EQ(NormalizeDisplayName("README.TXT", 0), "Readme.txt");
    EXPECT_EQ(NormalizeDisplayName("Readme.TXT", 0), "Readme.TXT");
    EXPECT_EQ(NormalizeDisplayName("MY DOCS.DOC", 0), "My Docs.doc");
    EXPECT_EQ(NormalizeDisplayName("ソフト.TXT", 0), "ソフト.TXT"); // double-byte: unchanged
    EXPECT_EQ(NormalizeDisplayName("ｿﾌﾄ.TXT", 0), "ｿﾌﾄ.txt"); // half-width kana is single-byte
    EXPECT_EQ(NormalizeDisplayName("Mixed.Txt", 1), "MIXED.TXT");
    EXPECT_EQ(NormalizeDisplayName("Mixed.Txt", 2), "mixed.txt");
    EXPECT_EQ(NormalizeDisplayName("README.TXT", 3), "README.TXT");

    SFileInfo file;
    file.m_strName = "README.TXT";
    file.UpdateDisplayName();
    EXPECT_EQ(file.GetDisplayName(), "Readme.txt");
    settings.dispMode = 3;
    file.UpdateDisplayName();
    EXPECT_EQ(file.GetDisplayName(), "README.TXT");

    SVolumeInfo medium;
    medium.m_strLabel = "PHOTOS";
    settings.dispMode = 0;
    medium.UpdateDisplayName();
    EXPECT_EQ(medium.GetDisplayName(), "Photos");
}

TEST_F(RecordTest, MatchMediumByIdentificationMode) {
    SVolumeInfo medium;
    medium.m_dwSerial = 0x1234;
    medium.m_strOrgLabel = "DISC";
    const std::string same = "disc", other = "OTHER", empty;
    // No serial and no label: whether it is present now.
    EXPECT_FALSE(medium.MatchMedium(0, nullptr));
    medium.m_bPresent = 1;
    EXPECT_TRUE(medium.MatchMedium(0, nullptr));

    settings.mediaId = 0;
    EXPECT_TRUE(medium.MatchMedium(0x1234, &other));
    EXPECT_FALSE(medium.MatchMedium(0x9999, &same));
    settings.mediaId = 1;
    EXPECT_TRUE(medium.MatchMedium(0x1234, &same));
    EXPECT_FALSE(medium.MatchMedium(0x1234, &other));
    settings.mediaId = 2;
    EXPECT_TRUE(medium.MatchMedium(0x9999, &same));
    EXPECT_FALSE(medium.MatchMedium(0x1234, &other));
    // Without an original label any non-empty label matches.
    medium.m_strOrgLabel.clear();
    EXPECT_TRUE(medium.MatchMedium(0x9999, &other));
    EXPECT_FALSE(medium.MatchMedium(0x9999, &empty));
    settings.mediaId = 7;
    EXPECT_FALSE(medium.MatchMedium(0x1234, &same));

    // Records below a medium ask their medium.
    SFileInfo* file = AddEntry(medium, "a.txt", 1, false);
    settings.mediaId = 0;
    EXPECT_TRUE(file->MatchMedium(0x1234, nullptr));
}

TEST_F(RecordTest, SizesSumUpwardExceptForArchives) {
    CCDCase root;
    auto* group = static_cast<SVolumeInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    auto* medium = static_cast<SVolumeInfo*>(group->AddChild(std::make_unique<SVolumeInfo>()));
    SFileInfo* folder = AddEntry(*medium, "dir", 0, true);
    SFileInfo* a = AddEntry(*folder, "a", 10, false);
    AddEntry(*medium, "b", 5, false);
    auto* archive = AddEntry(*medium, "x.zip", 100, true);
    archive->m_dwFlags |= kFlagListedArchive;
    archive->m_wArcType = kArcZip;
    auto entry = std::make_unique<SArcFileInfo>();
    entry->m_nSize = 1000;
    archive->AddChild(std::move(entry));
    EXPECT_EQ(root.RecalcSize(true), 0);
    EXPECT_EQ(archive->m_nSize, 100u); // an archive keeps its own size
    EXPECT_EQ(folder->m_nSize, 10u);
    EXPECT_EQ(medium->m_nSize, 115u);
    EXPECT_EQ(group->m_nSize, 115u);

    // Removing the last file of a folder updates every ancestor; the case itself is
    // no folder and keeps its size.
    root.m_nSize = 42;
    EXPECT_TRUE(folder->RemoveChild(a));
    EXPECT_EQ(folder->ChildCount(), 0u);
    EXPECT_EQ(folder->m_nSize, 0u);
    EXPECT_EQ(medium->m_nSize, 105u);
    EXPECT_EQ(group->m_nSize, 105u);
    EXPECT_EQ(root.m_nSize, 42u);
    EXPECT_FALSE(folder->RemoveChild(a));
    // An emptied child list is reusable.
    AddEntry(*folder, "again", 3, false);
    EXPECT_EQ(folder->ChildCount(), 1u);
}

TEST_F(RecordTest, PathsStopAtTheMediumAndCountsFollowTheFlags) {
    CCDCase root;
    auto* group = static_cast<SVolumeInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    auto* medium = static_cast<SVolumeInfo*>(group->AddChild(std::make_unique<SVolumeInfo>()));
    medium->m_strRoot = "/media/u/DISC";
    medium->m_strName = "Data";
    medium->RecomputeLocation();
    SFileInfo* folder = AddEntry(*medium, "sub", 0, true);
    SFileInfo* file = AddEntry(*folder, "f.txt", 1, false);
    AddEntry(*folder, "g.txt", 1, false);
    AddEntry(*folder, "inner", 0, true);
    EXPECT_EQ(file->GetPath(), "/media/u/DISC\\Data\\sub\\f.txt");
    EXPECT_EQ(medium->GetPath(), "/media/u/DISC\\Data");
    root.m_strName = "/shelf/x.cas";
    EXPECT_EQ(root.GetPath(), "/shelf/x.cas");
    EXPECT_EQ(medium->CountFiles(true), 2u);
    EXPECT_EQ(medium->CountFiles(false), 0u);
    EXPECT_EQ(medium->CountFolders(true), 2u);
    EXPECT_EQ(folder->CountFolders(false), 1u);
    // An absent remote folder is located by its network path alone.
    SVolumeInfo remote;
    remote.m_dwFlags |= kFlagRemote;
    remote.m_strName = "\\\\SERVER\\SHARE";
    remote.RecomputeLocation();
    EXPECT_EQ(remote.GetPath(), "\\\\SERVER\\SHARE");
}

TEST_F(RecordTest, ArchiveEntryRatiosAndTexts) {
    SArcFileInfo empty;
    EXPECT_EQ(empty.m_dwFlags, kFlagArcEntry);
    EXPECT_DOUBLE_EQ(empty.CompressionRatio(), 100.0);
    SArcFileInfo half;
    half.m_nSize = 2000;
    half.m_dwPackedSize = 1000;
    EXPECT_DOUBLE_EQ(half.CompressionRatio(), 50.0);
    EXPECT_EQ(CompareRatio(half, empty), -500);
    EXPECT_EQ(half.PackedSizeText(), "1,000");
    SFileInfo attrs;
    attrs.m_dwFlags = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive | kAttrTemporary;
    EXPECT_EQ(attrs.AttributeText(), "RHSAT");
    attrs.m_dwFlags = kAttrArchive | 0x80;
    EXPECT_EQ(attrs.AttributeText(), "A");
    SVolumeInfo medium;
    medium.m_dwSerial = 0x1A2B3C4D;
    EXPECT_EQ(medium.FormatSerial(), "1A2B-3C4D");
    EXPECT_EQ(medium.m_dwFlags, 0x10000010u);
    SGroupInfo group;
    EXPECT_EQ(group.m_dwFlags, 0x00200010u);
    CCDCase root;
    EXPECT_EQ(root.m_dwFlags, 0x20000000u);
    EXPECT_EQ(root.GetDisplayName(), "新しいｹｰｽ");
}

TEST_F(RecordTest, DisplayTypesByKindPresenceAndResolver) {
    struct Resolver : IFileTypeResolver {
        int calls = 0;
        bool Resolve(std::string_view extension, SDisplayType& type) override {
            ++calls;
            if (extension != ".TXT") {
                return false;
            }
            type.m_nImage = 30;
            type.m_strTypeText = "Text document";
            return true;
        }
    } resolver;
    CDisplayTypeTable table;
    SVolumeInfo cd;
    cd.m_dwFlags |= kFlagCdRom;
    EXPECT_EQ(table.IndexFor(cd), CDisplayTypeTable::kCdRom);
    cd.m_bPresent = 1;
    EXPECT_EQ(table.IndexFor(cd), CDisplayTypeTable::kCdRomIn);
    SFileInfo* archive = AddEntry(cd, "a.zip", 0, true);
    archive->m_dwFlags |= kFlagListedArchive;
    EXPECT_EQ(table.IndexFor(*archive), CDisplayTypeTable::kFolderArc);
    SFileInfo* text = AddEntry(cd, "notes.txt", 1, false);
    SFileInfo* other = AddEntry(cd, "data.bin", 1, false);
    EXPECT_EQ(table.IndexFor(*other), CDisplayTypeTable::kUnknown); // no resolver yet
    table.SetResolver(&resolver);
    int index = table.IndexFor(*text);
    EXPECT_GE(index, 10);
    EXPECT_EQ(table.Entry(index).m_strTypeText, "Text document");
    SFileInfo* second = AddEntry(cd, "more.TXT", 1, false);
    EXPECT_EQ(table.IndexFor(*second), index); // one entry per extension
    EXPECT_EQ(resolver.calls, 1);
    EXPECT_EQ(table.Entry(CDisplayTypeTable::kRemovable).m_strTypeText, "ﾘﾑｰﾊﾞﾌﾞﾙ　ﾒﾃﾞｨｱ");
    EXPECT_EQ(CompareType(*text, *second), 0);
}

TEST_F(RecordTest, PropertyComparisonOrdersMissingFirst) {
    CPropertyDefinition definition{"X", {1, 2}, false};
    CPropertyDefinition other{"Y", {3}, false};
    SFileInfo none, withOther, low, high;
    auto set = [](SFileInfo& r, const CPropertyDefinition* d, std::vector<std::string> values) {
        auto p = std::make_unique<CPropertySet>(d);
        p->Values() = std::move(values);
        r.SetProps(std::move(p));
    };
    set(withOther, &other, {"z"});
    set(low, &definition, {"a", "b"});
    set(high, &definition, {"a", "c"});
    EXPECT_LT(CompareProperty(none, withOther, 2), 0);
    EXPECT_LT(CompareProperty(withOther, low, 2), 0);
    EXPECT_LT(CompareProperty(low, high, 2), 0);
    EXPECT_EQ(CompareProperty(low, high, 1), 0);
}

// The out-of-line parts of a record (children, display name, user data) share one
// block that comes and goes; none of them may take another with it.
TEST_F(RecordTest, OutOfLinePartsComeAndGoIndependently) {
    settings.dispMode = 0;
    SFileInfo folder;
    folder.m_dwFlags = kAttrDirectory;
    folder.m_strName = "DATA";
    const auto& children = folder.Children();
    EXPECT_TRUE(children.empty());
    SFileInfo* a = AddEntry(folder, "a.txt", 1, false);
    AddEntry(folder, "b.txt", 2, false);
    folder.UpdateDisplayName();
    EXPECT_EQ(folder.GetDisplayName(), "Data");
    folder.SetComment("note");
    folder.SetComment("");
    EXPECT_EQ(folder.GetDisplayName(), "Data");
    ASSERT_EQ(folder.ChildCount(), 2u);
    EXPECT_EQ(folder.ChildAt(0), a);

    // A caller holding the child list sees it empty, not freed, once the last child
    // has gone, and after the other parts were cleared as well.
    const auto& held = folder.Children();
    EXPECT_TRUE(folder.RemoveChild(folder.ChildAt(1)));
    EXPECT_TRUE(folder.RemoveChild(a));
    folder.m_strName = "data";
    folder.UpdateDisplayName();
    EXPECT_TRUE(held.empty());
    EXPECT_EQ(folder.GetDisplayName(), "data");
    EXPECT_EQ(folder.m_nSize, 0u);

    AddEntry(folder, "c.txt", 3, false);
    folder.CompactChildren();
    folder.SetLink("/elsewhere");
    EXPECT_EQ(folder.Link(), "/elsewhere");
    EXPECT_EQ(folder.ChildAt(0)->m_strName, "c.txt");
}

// Records are made on a scanning thread and deleted on another; slots freed there
// must serve new records of every class without mixing up their sizes.
TEST(RecordPool, RecordsMadeOnOneThreadAreFreedAndReusedOnAnother) {
    std::vector<std::unique_ptr<SFileInfo>> made;
    std::thread maker([&made] {
        for (int i = 0; i < 5000; ++i) {
            if (i % 3 == 0) {
                auto entry = std::make_unique<SArcFileInfo>();
                entry->m_strArcText = "../";
                made.push_back(std::move(entry));
            } else {
                made.push_back(std::make_unique<SFileInfo>());
            }
            made.back()->m_strName = "name " + std::to_string(i);
        }
    });
    maker.join();
    made.erase(made.begin(), made.begin() + 2500);
    std::vector<std::unique_ptr<SFileInfo>> again;
    for (int i = 0; i < 2500; ++i) {
        again.push_back(std::make_unique<SArcFileInfo>());
        again.back()->m_strName = std::string(40, 'x');
    }
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(made[i]->m_strName, "name " + std::to_string(i + 2500));
    }
    for (const auto& entry : again) {
        EXPECT_EQ(entry->m_strName.size(), 40u);
        EXPECT_EQ(entry->Class(), RecordClass::ArcFile);
    }
}
