// The display column table and the default column sets.
#include "app/ColumnTitles.h"

#include "app/ColumnSets.h"
#include "app/DisplayColumns.h"

#include <algorithm>
#include <array>

namespace quillora {

namespace {

std::vector<int> WithPropertyColumns(std::vector<int> ids) {
    for (int id = 21; id <= 35; ++id) {
        ids.push_back(id);
    }
    return ids;
}

struct SSetDefinition {
    const char* key;
    const char* title;
    std::vector<int> shown;
    std::vector<int> offered;
};

const std::array<SSetDefinition, kColumnSetCount>& Sets() {
    static const std::array<SSetDefinition, kColumnSetCount> sets = {{
        {"Normal", "一般ﾌｧｲﾙ・ﾌｫﾙﾀﾞ", {0, 2, 1, 4, 20, 7}, WithPropertyColumns({3, 5, 6, 14})},
        {"Archive", "圧縮ﾌｧｲﾙ", {0, 2, 1, 8, 9, 20, 7}, WithPropertyColumns({4, 3, 5, 6, 14})},
        {"Case", "ｹｰｽ・ｸﾞﾙｰﾌﾟ", {0, 10, 12, 11, 20, 7}, {13, 19, 33, 34, 35}},
    }};
    return sets;
}

const SSetDefinition& Set(int set) {
    return Sets()[static_cast<std::size_t>(std::clamp(set, 0, kColumnSetCount - 1))];
}

} // namespace

const char* ColumnTitle(int id) {
    return CDisplayColumns::Title(id);
}

int ColumnWidth(int id) {
    return CDisplayColumns::DefaultWidth(id);
}

bool ColumnRightAligned(int id) {
    return CDisplayColumns::RightAligned(id);
}

ColumnSets ToColumnLists(const CColumnSets& sets) {
    ColumnSets lists;
    for (int set = 0; set < kColumnSetCount; ++set) {
        const CColumnSet& source = sets.Set(static_cast<CColumnSets::Mode>(set));
        auto& target = lists[static_cast<std::size_t>(set)];
        for (const SColumnEntry& e : source.Shown()) {
            target.shown.push_back({e.m_nId, e.m_bAscending, e.m_nWidth});
        }
        for (const SColumnEntry& e : source.Offered()) {
            target.offered.push_back({e.m_nId, e.m_bAscending, e.m_nWidth});
        }
    }
    return lists;
}

void ApplyColumnLists(const ColumnSets& lists, CColumnSets& sets) {
    for (int set = 0; set < kColumnSetCount; ++set) {
        CColumnSet& target = sets.Set(static_cast<CColumnSets::Mode>(set));
        const auto& source = lists[static_cast<std::size_t>(set)];
        target.Shown().clear();
        target.Offered().clear();
        for (const SColumnChoice& c : source.shown) {
            target.Shown().push_back({c.id, c.ascending, c.width});
        }
        for (const SColumnChoice& c : source.offered) {
            target.Offered().push_back({c.id, c.ascending, c.width});
        }
    }
}

const char* ColumnSetKey(int set) {
    return Set(set).key;
}
const char* ColumnSetTitle(int set) {
    return Set(set).title;
}
const std::vector<int>& DefaultShownIds(int set) {
    return Set(set).shown;
}
const std::vector<int>& DefaultOfferedIds(int set) {
    return Set(set).offered;
}

bool ColumnBelongsToSet(int set, int id) {
    const auto& definition = Set(set);
    return std::ranges::find(definition.shown, id) != definition.shown.end() ||
           std::ranges::find(definition.offered, id) != definition.offered.end();
}

SColumnSetLists DefaultColumnSet(int set) {
    SColumnSetLists lists;
    for (int id : DefaultShownIds(set)) {
        lists.shown.push_back({id, 1, ColumnWidth(id)});
    }
    for (int id : DefaultOfferedIds(set)) {
        lists.offered.push_back({id, 1, ColumnWidth(id)});
    }
    return lists;
}

ColumnSets DefaultColumnSets() {
    ColumnSets sets;
    for (int set = 0; set < kColumnSetCount; ++set) {
        sets[static_cast<std::size_t>(set)] = DefaultColumnSet(set);
    }
    return sets;
}

} // namespace quillora
