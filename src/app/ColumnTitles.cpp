// The display column table and the default column sets.
#include "app/ColumnTitles.h"

#include <algorithm>
#include <array>

namespace quillora {

namespace {

constexpr std::array<SColumnInfo, 36> kColumns = {{
    {0, "名前", false, 120},         {1, "ｻｲｽﾞ", true, 80},
    {2, "ﾌｧｲﾙの種類", false, 100},   {3, "作成日付", false, 110},
    {5, "最終ｱｸｾｽ日付", false, 110}, {4, "更新日付", false, 110},
    {6, "属性", true, 60},           {7, "ｺﾒﾝﾄ", false, 130},
    {8, "圧縮ｻｲｽﾞ", true, 130},      {9, "圧縮率", true, 130},
    {10, "ﾌｧｲﾙｼｽﾃﾑ", false, 130},    {11, "空き領域", true, 130},
    {12, "合計ｻｲｽﾞ", true, 130},     {13, "ｼﾘｱﾙ番号", false, 130},
    {14, "ﾌｫﾙﾀﾞ名", false, 130},     {15, "ﾏｰｸ", false, 130},
    {16, "ｹｰｽ名", false, 70},        {17, "ﾋｯﾄ数", true, 25},
    {18, "ﾗﾍﾞﾙ名", false, 120},      {19, "集計ｻｲｽﾞ", true, 80},
    {20, "分類", false, 130},        {21, "ﾀｲﾄﾙ(P)", false, 130},
    {22, "ｻﾌﾞｼﾞｪｸﾄ(P)", false, 130}, {23, "分類(P)", false, 130},
    {24, "ｷｰﾜｰﾄﾞ(P)", false, 130},   {25, "ｺﾒﾝﾄ(P)", false, 130},
    {26, "作者(P)", false, 130},     {27, "ｱﾌﾟﾘｹｰｼｮﾝ名(P)", false, 130},
    {28, "会社(P)", false, 130},     {29, "管理者(P)", false, 130},
    {30, "作成日(P)", false, 130},   {31, "最終保存日(P)", false, 130},
    {32, "CRC", false, 130},         {33, "総ﾌｧｲﾙ数", true, 130},
    {34, "総ﾌｫﾙﾀﾞ数", true, 130},    {35, "ｵﾘｼﾞﾅﾙ名", false, 130},
}};

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

std::span<const SColumnInfo> ColumnTable() {
    return kColumns;
}

const SColumnInfo* FindColumnInfo(int id) {
    for (const auto& column : kColumns) {
        if (column.id == id) {
            return &column;
        }
    }
    return nullptr;
}

const char* ColumnTitle(int id) {
    const auto* info = FindColumnInfo(id);
    return info != nullptr ? info->title : "";
}

int ColumnWidth(int id) {
    const auto* info = FindColumnInfo(id);
    return info != nullptr ? info->width : 0;
}

bool ColumnRightAligned(int id) {
    const auto* info = FindColumnInfo(id);
    return info != nullptr && info->right;
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
