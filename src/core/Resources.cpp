// The string table: resource numbers and their exact texts.
#include "core/Resources.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <vector>

namespace quillora {

namespace {

struct ResEntry {
    int id;
    const char* text;
};

// Every user-visible text the program loads by number: messages, captions, column
// titles, type names and format patterns, in UTF-8 with the half-width katakana and
// full-width signs of the original texts kept as they are. "\n" separates lines (and
// the fields of the two document strings 128 and 188). Kept in ascending id order
// without repeats, because Find does a binary search; the static_assert below holds
// anyone who adds a row to that.
// clang-format off
constexpr ResEntry kStrings[] = {
    {128, "Quillora\n\nTobCase\nTobCaseﾌｧｲﾙ (*.cas)\n.cas\nTobCase.Document\nTobCaseﾌｧｲﾙ"},
    {129, "挿入すﾒﾃﾞｨｱ（ﾄﾞﾗｲﾌﾞ）がありません。"},
    {130, "新しいｹｰｽ"},
    {138, "名前"},
    {139, "%Y/%m/%d %H:%M:%S"},
    {140, "（不明）"},
    {141, "ｹｰｽの最後まで検索しました。"},
    {153, "ﾌｧｲﾙ"},
    {154, "CD-ROM ﾒﾃﾞｨｱ"},
    {155, "ﾘﾑｰﾊﾞﾌﾞﾙ　ﾒﾃﾞｨｱ"},
    {156, "ﾌｧｲﾙ ﾌｫﾙﾀﾞ"},
    {163, "%s Byte"},
    {164, "%s KB"},
    {165, "%s MB"},
    {166, "%s GB"},
    {168, "圧縮 ﾌｧｲﾙ"},
    {188, "Quillora\n\nTobCase\nTobCase圧縮ﾌｧｲﾙ (*.caz)\n.caz\nTobCase.DocumentZ\nTobCase圧縮ﾌｧｲﾙ"},
    {205, "固定ﾃﾞｨｽｸ"},
    {206, "検索(&F)"},
    {207, "次を検索(&F)"},
    {209, "対象ﾒﾃﾞｨｱがｾｯﾄされていません。"},
    {211, "ﾒﾃﾞｨｱ更新日時"},
    {212, "ﾘﾝｸ先更新日時"},
    {213, "ｹｰｽ内更新日時"},
    {214, "結果"},
    {215, "ｹｰｽの方が新しい。"},
    {216, "ﾒﾃﾞｨｱの方が新しい。"},
    {217, "ﾘﾝｸ先の方が新しい。"},
    {218, "ﾒﾃﾞｨｱにのみ存在。"},
    {219, "ｹｰｽにのみ存在。"},
    {220, "ﾘﾝｸ先ﾌｧｲﾙは、存在しない。"},
    {221, "-"},
    {222, "等しい。"},
    {223, "違いのある物のみ表示します。"},
    {224, "ﾘﾝｸの設定されているﾌｧｲﾙのみﾁｪｯｸします。"},
    {225, "比較 （ ﾒﾃﾞｨｱ - ｹｰｽ ）"},
    {226, "比較 ( ｹｰｽ - ﾘﾝｸ先 ）"},
    {227, "違いは見つかりませんでした。"},
    {228, "ﾋﾝﾄ： [更新 ﾒﾃﾞｨｱ->ｹｰｽ] ｺﾏﾝﾄﾞでｹｰｽを最新にすることが出来ます。"},
    {229, "場所"},
    {230, "ﾋﾝﾄ： [更新 XXXXX] ｺﾏﾝﾄﾞでﾒﾃﾞｨｱとﾘﾝｸを同じにすることが出来ます。"},
    {231, "ﾁｪｯｸ中です...  しばらくお待ちください。"},
    {241, "ﾒﾃﾞｨｱが更新されました。ｹｰｽ内のﾃﾞｰﾀも更新しますか？"},
    {244, "ﾒﾃﾞｨｱを交換してください。\n交換しし終わったらOKを押してください。"},
    {246, "抽出先ﾌｫﾙﾀﾞの指定"},
    {247, "ﾒﾃﾞｨｱを挿入してください。"},
    {248, "抽出ﾌｧｲﾙのｺﾋﾟｰ中"},
    {267, "  ﾗﾍﾞﾙ名     ： %s\n  ｵﾘｼﾞﾅﾙ名 ： %s\n  ｺﾒﾝﾄ       ： %s"},
    {273, "基準ﾌｫﾙﾀﾞを指定してください。"},
    {279, "基準ﾌｫﾙﾀﾞの指定"},
    {280, "読み込みｴﾗｰ"},
    {282, "ｹｰｽ名"},
    {283, "ﾋｯﾄ数"},
    {284, "検索中..."},
    {289, "比較処理をｷｬﾝｾﾙしました。"},
    {290, "追加"},
    {291, "ｺﾒﾝﾄを抽出中: "},
    {295, "追加ﾌｫﾙﾀﾞを指定"},
    {297, "追加対象のﾌｫﾙﾀﾞが指定されていません。"},
    {306, "ﾘﾓｰﾄﾃﾞｨｽｸ"},
    {308, "圧縮ﾌｧｲﾙの解析中:"},
    {316, "不明"},
    {317, "ﾘﾑｰﾊﾞﾙ"},
    {318, "CD-ROM"},
    {319, "ﾘｰﾓｰﾄ"},
    {320, "RAMﾃﾞｨｽｸ"},
    {321, "ﾙｰﾄ以外"},
    {323, "&1 CD-Audioﾄﾞﾗｲﾌﾞ"},
    {324, "名前"},
    {325, "ｵﾘｼﾞﾅﾙ名"},
    {334, "ﾒﾃﾞｨｱ"},
    {335, "ﾌｫﾙﾀﾞ"},
    {336, "%x"},
    {389, "検索 条件 = "},
    {390, "%s というﾌｧｲﾙ名"},
    {391, "%s を含む"},
    {392, "、"},
    {393, "すべてのﾌｧｲﾙ"},
    {394, "%s と %s を含む"},
    {395, "ｹｰｽ検索 条件"},
    {458, "[%s] 指定されたﾌｫﾙﾀﾞ名は存在しないか不正です。\n再入力してください。"},
    {460, "ｴｸｽﾌﾟﾛｰﾗを起動することができませんでした。"},
    {461, "[%s] ﾌｫﾙﾀﾞは存在しません。\nﾎｰﾑﾌｫﾙﾀﾞ以下をｴｸｽﾌﾟﾛｰﾗにより表示しますか?"},
    {484, "ﾘﾑｰﾊﾞﾌﾞﾙ"},
    {485, "固定ﾃﾞｨｽｸ"},
    {486, "ﾘﾓｰﾄﾃﾞｨｽｸ"},
    {487, "CD-ROM"},
    {511, "名前"},
    {512, "ｵﾘｼﾞﾅﾙ名"},
    {513, "ﾒﾃﾞｨｱが選択されていません。"},
    {514, "既にｹｰｽ内に同じﾒﾃﾞｨｱが存在します。更新しますか？"},
    {515, "ｼﾘｱﾙ番号"},
    {518, "比較 （ ﾒﾃﾞｨｱ - ｲﾝﾎﾟｰﾄ ）"},
    {519, "ｷｬﾝｾﾙ"},
    {520, "ﾋﾝﾄ： 更新する場合は、更新ﾎﾞﾀﾝをｸﾘｯｸして下さい。"},
    {521, "%s ﾌｧｲﾙの読み込みに失敗しました。\nﾌｧｲﾙが壊れているかCAZ形式の場合、UNLHA32.DLL がｲﾝｽﾄｰﾙされていない可能性があります。"},
    {522, "ｷｬﾝｾﾙ処理中です。しばらくお待ちください。"},
    {524, "保存先ﾌｧｲﾙは読み取り専用のため、保存できませんでした。\n読み取り専用属性が設定されていないファイルを指定してください。"},
    {529, "CRCｺｰﾄﾞ収集中: "},
    {531, "新規ｸﾞﾙｰﾌﾟ"},
    {532, "ｸﾞﾙｰﾌﾟ"},
    {538, "ﾊﾟｽﾜｰﾄﾞに4文字以上入力してください。"},
    {539, "ﾊﾟｽﾜｰﾄﾞが異なります。再度、ﾊﾟｽﾜｰﾄﾞを入力してください。"},
    {540, "ﾊﾟｽﾜｰﾄﾞ照合"},
    {541, "ｹｰｽﾌｧｲﾙにﾊﾟｽﾜｰﾄﾞが設定されています。"},
    {542, "ﾊﾟｽﾜｰﾄﾞを設定してください。"},
    {543, "ﾊﾟｽﾜｰﾄﾞ設定"},
    {544, "ﾊﾟｽﾜｰﾄﾞの再照合による読み込みに失敗しました。"},
    {545, "指定ﾄﾞﾗｲﾌﾞ(%s)にﾒﾃﾞｨｱが挿入されていません。\nﾒﾃﾞｨｱの追加処理を中止しました。"},
    {546, "ｸﾞﾙｰﾌﾟ名"},
    {61440, "開く"},
    {61442, "すべてのﾌｧｲﾙ (*.*)"},
    {61446, "無題のﾌｧｲﾙ"},
    {61696, "無効なﾌｧｲﾙ名です。"},
    {61697, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
    {61698, "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"},
};
// clang-format on

constexpr bool StrictlyAscending() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i) {
        if (kStrings[i - 1].id >= kStrings[i].id) {
            return false;
        }
    }
    return true;
}
static_assert(StrictlyAscending(), "kStrings must be sorted by id without repeats");

const ResEntry* Find(int id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const ResEntry& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id) {
        return nullptr;
    }
    return &*it;
}

} // namespace

const char* Res(int id) {
    const ResEntry* e = Find(id);
    return e ? e->text : "";
}

bool HasRes(int id) {
    return Find(id) != nullptr;
}

std::vector<int> ResIds() {
    std::vector<int> ids;
    ids.reserve(std::size(kStrings));
    for (const ResEntry& e : kStrings) {
        ids.push_back(e.id);
    }
    return ids;
}

std::string ResFormat(int id, ...) {
    const char* format = Res(id);
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

} // namespace quillora
