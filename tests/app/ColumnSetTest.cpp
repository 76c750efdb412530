// Column sets and their "DispInfo" entries.
#include "app/ColumnSets.h"
#include "app/DisplayColumns.h"
#include "core/ProfileStore.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

std::vector<int> Ids(const std::vector<SColumnEntry>& entries) {
    std::vector<int> ids;
    for (const auto& e : entries) {
        ids.push_back(e.m_nId);
    }
    return ids;
}

TEST(ColumnSet, WithoutAStoredValueTheDefaultsStand) {
    CColumnSets sets;
    CProfileStore store;
    sets.Load(store);
    EXPECT_EQ(Ids(sets.Set(CColumnSets::kNormal).Shown()), (std::vector<int>{0, 2, 1, 4, 20, 7}));
    EXPECT_EQ(Ids(sets.Set(CColumnSets::kArchive).Shown()),
              (std::vector<int>{0, 2, 1, 8, 9, 20, 7}));
    EXPECT_EQ(Ids(sets.Set(CColumnSets::kCase).Shown()), (std::vector<int>{0, 10, 12, 11, 20, 7}));
    EXPECT_EQ(Ids(sets.Set(CColumnSets::kCase).Offered()), (std::vector<int>{13, 19, 33, 34, 35}));
    const auto& normal = sets.Set(CColumnSets::kNormal);
    EXPECT_EQ(normal.Offered().size(), 4u + 15u);
    for (const auto& e : normal.Shown()) {
        EXPECT_EQ(e.m_bAscending, 1);
        EXPECT_EQ(e.m_nWidth, CDisplayColumns::DefaultWidth(e.m_nId));
    }
}

TEST(ColumnSet, StoredEntriesAreTwelveLittleEndianBytes) {
    auto bytes = CColumnSet::Encode({{7, 0, 300}, {1, 1, 80}});
    ASSERT_EQ(bytes.size(), 24u);
    std::vector<std::uint8_t> first(bytes.begin(), bytes.begin() + 12);
    EXPECT_EQ(first, (std::vector<std::uint8_t>{7, 0, 0, 0, 0, 0, 0, 0, 0x2C, 1, 0, 0}));
    std::vector<SColumnEntry> back;
    ASSERT_TRUE(CColumnSet::Decode(bytes, back));
    EXPECT_EQ(back, (std::vector<SColumnEntry>{{7, 0, 300}, {1, 1, 80}}));
    EXPECT_FALSE(CColumnSet::Decode(std::vector<std::uint8_t>(13, 0), back));
}

TEST(ColumnSet, ForeignIdsAreDroppedAndMissingOnesOffered) {
    CProfileStore store;
    // 8 (packed size) is no column of "Normal"; 99 none at all; 0 twice.
    store.SetBinary(
        "DispInfo", "Normal",
        CColumnSet::Encode({{1, 0, 90}, {8, 1, 50}, {0, 1, 200}, {99, 1, 10}, {0, 1, 5}}));
    CColumnSets sets;
    sets.Load(store);
    const CColumnSet& normal = sets.Set(CColumnSets::kNormal);
    EXPECT_EQ(normal.Shown(), (std::vector<SColumnEntry>{{1, 0, 90}, {0, 1, 200}}));
    std::vector<int> offered = Ids(normal.Offered());
    for (int id : {2, 4, 20, 7, 3, 5, 6, 14, 21, 35}) {
        EXPECT_NE(std::find(offered.begin(), offered.end(), id), offered.end()) << id;
    }
    EXPECT_EQ(std::find(offered.begin(), offered.end(), 8), offered.end());
    EXPECT_EQ(normal.Shown().size() + normal.Offered().size(), normal.AllIds().size());
}

TEST(ColumnSet, SaveWritesTheShownListsBack) {
    CColumnSets sets;
    sets.Set(CColumnSets::kCase).Shown().pop_back();
    sets.Set(CColumnSets::kCase).Shown()[0].m_nWidth = 333;
    CProfileStore store;
    sets.Save(store);
    CColumnSets again;
    again.Load(store);
    EXPECT_EQ(again.Set(CColumnSets::kCase).Shown(), sets.Set(CColumnSets::kCase).Shown());
    EXPECT_EQ(Ids(again.Set(CColumnSets::kCase).Offered()),
              (std::vector<int>{7, 13, 19, 33, 34, 35}));
    EXPECT_TRUE(store.GetBinary("DispInfo", "Normal").has_value());
    EXPECT_TRUE(store.GetBinary("DispInfo", "Archive").has_value());
}

TEST(ColumnSet, ResetAscendingTouchesEverySet) {
    CColumnSets sets;
    sets.Set(CColumnSets::kNormal).Shown()[1].m_bAscending = 0;
    sets.Set(CColumnSets::kCase).Offered()[0].m_bAscending = 0;
    sets.ResetAscending();
    EXPECT_EQ(sets.Set(CColumnSets::kNormal).Shown()[1].m_bAscending, 1);
    EXPECT_EQ(sets.Set(CColumnSets::kCase).Offered()[0].m_bAscending, 1);
}

TEST(DisplayColumns, TableKeepsItsOrderAndUnknownIdsHaveNoWidth) {
    const auto& table = CDisplayColumns::Table();
    ASSERT_EQ(table.size(), 36u);
    EXPECT_EQ(table[4].m_nId, 5);
    EXPECT_EQ(table[5].m_nId, 4);
    EXPECT_EQ(CDisplayColumns::DefaultWidth(17), 25);
    EXPECT_EQ(CDisplayColumns::DefaultWidth(36), 0);
    EXPECT_STREQ(CDisplayColumns::Title(31), "最終保存日(P)");
    EXPECT_TRUE(CDisplayColumns::RightAligned(9));
}

} // namespace
} // namespace quillora
