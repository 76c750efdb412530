// Property titles by key.
#include "extract/PropertyTitles.h"

#include <algorithm>
#include <iterator>

namespace quillora {

namespace {

struct STitle {
    int key;
    const char* title;
};

// clang-format off
constexpr STitle kTitles[] = {
    {1, "ﾀｲﾄﾙ"}, {2, "ｻﾌﾞｼﾞｪｸﾄ"}, {3, "分類"}, {4, "ｷｰﾜｰﾄﾞ"}, {5, "ｺﾒﾝﾄ"}, {6, "作者"},
    {7, "ｱﾌﾟﾘｹｰｼｮﾝ名"}, {8, "会社"}, {9, "ﾏﾈｰｼﾞｬ"}, {10, "作成日"}, {11, "最終保存日"},
    {129, "ﾌｧｲﾙﾊﾞｰｼﾞｮﾝ"}, {130, "製品ﾊﾞｰｼﾞｮﾝ"}, {131, "ﾌｧｲﾙOS"}, {132, "ﾌｧｲﾙﾀｲﾌﾟ"},
    {133, "ﾄﾚｰﾄﾞﾏｰｸ"}, {134, "ﾌﾟﾗｲﾍﾞｰﾄﾋﾞﾙﾄﾞ"}, {135, "ﾃﾝﾌﾟﾚｰﾄ"}, {136, "登録会社"},
    {137, "ﾘﾋﾞｼﾞｮﾝ"}, {142, "統計:ﾍﾟｰｼﾞ数"}, {143, "統計:単語数"}, {144, "統計:文字数"},
    {259, "統計:ﾌﾟﾚｾﾞﾝﾃｰｼｮﾝ形式"}, {260, "統計:ﾊﾞｲﾄ数"}, {263, "統計:ｽﾗｲﾄﾞ数"},
    {268, "文章:ﾀｲﾄﾙ"}, {269, "文章:ﾃﾞｰﾀ"}, {386, "ﾊｲﾊﾟｰﾘﾝｸ"}, {387, "GUID"},
    {5364, "統計:段落数"},
};
// clang-format on

} // namespace

const char* CPropertyTitles::Title(int key, bool moduleReader) {
    if (key == 135 && moduleReader) {
        return "特殊ﾋﾞﾙﾄﾞ";
    }
    auto it = std::lower_bound(std::begin(kTitles), std::end(kTitles), key,
                               [](const STitle& t, int k) { return t.key < k; });
    return it != std::end(kTitles) && it->key == key ? it->title : "";
}

} // namespace quillora
