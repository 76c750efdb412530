// The string table: exact texts of a sample, the table's order, and formatting.
#include "core/Resources.h"
#include "core/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iconv.h>
#include <string>
#include <string_view>
#include <vector>

using namespace quillora;

namespace {

// Whether glibc's CP932 converter takes the whole text: the texts come from a
// Shift_JIS program, so a character outside CP932 is a typing mistake.
bool FitsCp932(std::string_view s) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "no CP932 converter";
        return false;
    }
    std::string in(s);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    std::string out(in.size() * 2 + 4, '\0');
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return r != static_cast<std::size_t>(-1) && inLeft == 0;
}

} // namespace

TEST(Resources, SampleTextsAreByteExact) {
    // Half-width katakana: "ﾌｧｲﾙ" is U+FF8C U+FF67 U+FF72 U+FF99, not the full-width forms.
    EXPECT_STREQ(Res(153), "\xEF\xBE\x8C\xEF\xBD\xA7\xEF\xBD\xB2\xEF\xBE\x99");
    EXPECT_STREQ(Res(153), "ﾌｧｲﾙ");
    EXPECT_STREQ(Res(156), "ﾌｧｲﾙ ﾌｫﾙﾀﾞ");
    // The gap in 155 is one full-width space (U+3000), unlike the ASCII space of 156.
    EXPECT_STREQ(Res(155), "ﾘﾑｰﾊﾞﾌﾞﾙ\xE3\x80\x80ﾒﾃﾞｨｱ");
    EXPECT_STREQ(Res(130), "新しいｹｰｽ");
    EXPECT_STREQ(Res(140), "\xEF\xBC\x88不明\xEF\xBC\x89"); // full-width brackets
    EXPECT_STREQ(Res(163), "%s Byte");
    EXPECT_STREQ(Res(164), "%s KB");
    EXPECT_STREQ(Res(165), "%s MB");
    EXPECT_STREQ(Res(166), "%s GB");
    // Two real line breaks and three full-width colons (U+FF1A) with their exact padding.
    EXPECT_STREQ(Res(267), "  ﾗﾍﾞﾙ名     \xEF\xBC\x9A %s\n  ｵﾘｼﾞﾅﾙ名 \xEF\xBC\x9A %s\n"
                           "  ｺﾒﾝﾄ       \xEF\xBC\x9A %s");
    EXPECT_STREQ(Res(521), "%s ﾌｧｲﾙの読み込みに失敗しました。\nﾌｧｲﾙが壊れているかCAZ形式の場合、"
                           "UNLHA32.DLL がｲﾝｽﾄｰﾙされていない可能性があります。");
    EXPECT_STREQ(Res(61446), "無題のﾌｧｲﾙ");
    // Mixed half-width "(" and full-width "）" is the original text, kept as it is.
    EXPECT_STREQ(Res(226), "比較 ( ｹｰｽ - ﾘﾝｸ先 \xEF\xBC\x89");
    EXPECT_STREQ(Res(231), "ﾁｪｯｸ中です...  しばらくお待ちください。");
    EXPECT_STREQ(Res(319), "ﾘｰﾓｰﾄ");
    EXPECT_STREQ(Res(392), "、");
    EXPECT_STREQ(Res(545),
                 "指定ﾄﾞﾗｲﾌﾞ(%s)にﾒﾃﾞｨｱが挿入されていません。\nﾒﾃﾞｨｱの追加処理を中止しました。");
    EXPECT_STREQ(Res(61442), "すべてのﾌｧｲﾙ (*.*)");
}

TEST(Resources, DocumentStringsHaveSevenFields) {
    for (int id : {128, 188}) {
        std::string_view text = Res(id);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << id;
    }
    EXPECT_STREQ(Res(128), "Quillora\n\nTobCase\nTobCaseﾌｧｲﾙ (*.cas)\n.cas\nTobCase.Document\n"
                           "TobCaseﾌｧｲﾙ");
    EXPECT_STREQ(Res(188), "Quillora\n\nTobCase\nTobCase圧縮ﾌｧｲﾙ (*.caz)\n.caz\n"
                           "TobCase.DocumentZ\nTobCase圧縮ﾌｧｲﾙ");
}

TEST(Resources, TableIsSortedUniqueAndWellFormed) {
    std::vector<int> ids = ResIds();
    ASSERT_FALSE(ids.empty());
    for (std::size_t i = 1; i < ids.size(); ++i) {
        EXPECT_LT(ids[i - 1], ids[i]) << "out of order or repeated at index " << i;
    }
    // With the order right, the binary search finds every row.
    for (int id : ids) {
        EXPECT_TRUE(HasRes(id)) << id;
        std::string_view text = Res(id);
        EXPECT_FALSE(text.empty()) << id;
        EXPECT_TRUE(text::IsValidUtf8(text)) << id;
        EXPECT_TRUE(FitsCp932(text)) << id << " " << text;
    }
}

TEST(Resources, OtherKindsOfNumbersAreNotStrings) {
    // Dialog, control, command and property-key numbers share values with nothing here
    // or name a different text; the table must hold only string resources.
    for (int id : {271, 240, 1125, 1126, 1292, 32820, 32808, 57601, 498, 494, 137}) {
        EXPECT_FALSE(HasRes(id)) << id;
    }
    // 241 is both a dialog ("ｹｰｽ検索") and a message; the string is the message.
    EXPECT_STREQ(Res(241), "ﾒﾃﾞｨｱが更新されました。ｹｰｽ内のﾃﾞｰﾀも更新しますか？");
    // 130 is also a property key ("製品ﾊﾞｰｼﾞｮﾝ") of the extractors; the string is the case name.
    EXPECT_STREQ(Res(130), "新しいｹｰｽ");
}

TEST(Resources, FormatFillsArguments) {
    EXPECT_EQ(ResFormat(163, "1,024"), "1,024 Byte");
    EXPECT_EQ(ResFormat(166, "2.50"), "2.50 GB");
    EXPECT_EQ(ResFormat(267, "CD1", "ORIG", "note"),
              "  ﾗﾍﾞﾙ名     ： CD1\n  ｵﾘｼﾞﾅﾙ名 ： ORIG\n  ｺﾒﾝﾄ       ： note");
    EXPECT_EQ(ResFormat(394, "a", "b"), "a と b を含む");
    EXPECT_EQ(ResFormat(545, "E:"),
              "指定ﾄﾞﾗｲﾌﾞ(E:)にﾒﾃﾞｨｱが挿入されていません。\nﾒﾃﾞｨｱの追加処理を中止しました。");
    // A text without conversions comes back unchanged.
    EXPECT_EQ(ResFormat(130), "新しいｹｰｽ");
    // A long argument is not cut.
    std::string longName(5000, 'x');
    EXPECT_EQ(ResFormat(521, longName.c_str()).substr(0, 5001), longName + " ");
}

TEST(Resources, UnknownIdGivesEmptyText) {
    for (int id : {0, -1, 127, 131, 61441, 61444, 99999}) {
        EXPECT_FALSE(HasRes(id)) << id;
        EXPECT_STREQ(Res(id), "") << id;
    }
    EXPECT_EQ(ResFormat(61441, "unused"), "");
}
