// The code converter: detection of JIS, EUC-JP, Shift_JIS, UTF-8 and UTF-16 text and
// conversion of each to UTF-8.
#include "extract/CodeConverter.h"
#include "ExtractSamples.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

const std::string kJapanese = "日本語のテキスト、ｶﾀｶﾅ";

std::string Jis(const std::string& utf8) {
    // ISO-2022-JP by glibc's converter would lose the half-width katakana; build the
    // kanji part by hand from Shift_JIS instead: ESC $ B, JIS bytes, ESC ( B.
    const std::string sjis = test::Cp932(utf8);
    std::string out = "\x1B$B";
    for (std::size_t i = 0; i + 1 < sjis.size(); i += 2) {
        unsigned s1 = static_cast<unsigned char>(sjis[i]);
        unsigned s2 = static_cast<unsigned char>(sjis[i + 1]);
        s1 = (s1 <= 0x9F ? s1 - 0x71 : s1 - 0xB1) * 2 + 1;
        if (s2 > 0x7F) {
            s2 -= 1;
        }
        if (s2 >= 0x9E) {
            s1 += 1;
            s2 -= 0x7D;
        } else {
            s2 -= 0x1F;
        }
        out += static_cast<char>(s1);
        out += static_cast<char>(s2);
    }
    return out + "\x1B(B";
}

std::string Euc(const std::string& utf8) {
    std::string jis = Jis(utf8);
    std::string out;
    for (std::size_t i = 3; i + 3 < jis.size(); ++i) {
        out += static_cast<char>(jis[i] | 0x80);
    }
    return out;
}

TEST(CodeConverter, EachEncodingDecodesToTheSameText) {
    const std::string text = "日本語の文書です";
    EXPECT_EQ(CCodeConverter::ToUtf8(test::Cp932(text), false), text);
    EXPECT_EQ(CCodeConverter::ToUtf8(Jis(text), false), text);
    EXPECT_EQ(CCodeConverter::ToUtf8(Euc(text), true), text);
    EXPECT_EQ(CCodeConverter::ToUtf8(text, false), text);
    EXPECT_EQ(CCodeConverter::ToUtf8("\xEF\xBB\xBF" + text, false), text);
    EXPECT_EQ(CCodeConverter::ToUtf8("\xFF\xFE" + test::Utf16Le(text, false), false), text);
    std::string be;
    const std::string le = test::Utf16Le(text, false);
    for (std::size_t i = 0; i + 1 < le.size(); i += 2) {
        be += le[i + 1];
        be += le[i];
    }
    EXPECT_EQ(CCodeConverter::ToUtf8("\xFE\xFF" + be, false), text);
}

TEST(CodeConverter, EucIsReadOnlyWhereTheCallerAllowsIt) {
    const std::string euc = Euc("ひらがなとカタカナ");
    EXPECT_EQ(CCodeConverter::Detect(euc, true), ETextCode::EucJp);
    // Read either way, EUC-JP bytes are taken as Shift_JIS when EUC is not allowed.
    EXPECT_EQ(CCodeConverter::Detect(euc, false), ETextCode::ShiftJis);
    // Half-width katakana in Shift_JIS are valid EUC too, but read more Japanese as
    // Shift_JIS.
    EXPECT_EQ(CCodeConverter::Detect(test::Cp932("ﾃｽﾄﾃﾞｰﾀ ﾃﾞｽ"), true), ETextCode::ShiftJis);
    EXPECT_EQ(CCodeConverter::Detect(test::Cp932("漢字"), true), ETextCode::ShiftJis);
}

TEST(CodeConverter, Utf16WithoutAMarkIsToldByItsUnits) {
    const std::string latin = test::Utf16Le("Plain notes, 2003\r\n", false);
    EXPECT_EQ(CCodeConverter::Detect(latin, false), ETextCode::Utf16LE);
    std::string swapped;
    for (std::size_t i = 0; i + 1 < latin.size(); i += 2) {
        swapped += latin[i + 1];
        swapped += latin[i];
    }
    EXPECT_EQ(CCodeConverter::Detect(swapped, false), ETextCode::Utf16BE);
    // Japanese text has no zero bytes: only where neither Shift_JIS nor EUC-JP
    // decodes the bytes do its units decide.
    const std::string japanese = test::Utf16Le("これは日本語のテキストです。\r\n", false);
    EXPECT_EQ(CCodeConverter::Detect(japanese, true), ETextCode::Utf16LE);
    EXPECT_EQ(CCodeConverter::ToUtf8(japanese, true), "これは日本語のテキストです。\r\n");
    // Eight-bit texts never look so.
    for (const std::string& eight :
         {test::Cp932("これは日本語のテキストです。\r\n"), Euc("これは日本語のテキストです。"),
          test::Cp932("ﾃｽﾄﾃﾞｰﾀ ﾃﾞｽ"), std::string("abc\0def", 7)}) {
        const ETextCode code = CCodeConverter::Detect(eight, true);
        EXPECT_TRUE(code != ETextCode::Utf16LE && code != ETextCode::Utf16BE) << eight;
    }
}

TEST(CodeConverter, JisKeepsKanaShiftsAndLineEnds) {
    // ESC ( I selects half-width katakana; SO/SI shift to them as well.
    EXPECT_EQ(CCodeConverter::ToUtf8("\x1B(I\x36\x40\x1B(B!", false), "ｶﾀ!");
    EXPECT_EQ(CCodeConverter::ToUtf8("a\x1B$B\x0E\x36\x0F\x1B(Bb", false), "aｶb");
    EXPECT_EQ(CCodeConverter::ToUtf8(Jis("一行目") + "\r\n" + Jis("二行目"), false),
              "一行目\r\n二行目");
    // JIS X 0212 characters have no Shift_JIS form: each becomes the geta mark.
    EXPECT_EQ(CCodeConverter::ToUtf8("\x1B$(D\x30\x21\x1B(B", false), "〓");
}

TEST(CodeConverter, BrokenInputIsKeptNotDropped) {
    // A lone lead byte stays as an escape, and the rest of the text is intact.
    const std::string out = CCodeConverter::ToUtf8("abc\x82", false);
    EXPECT_EQ(out.substr(0, 3), "abc");
    EXPECT_GT(out.size(), 3u);
    EXPECT_EQ(CCodeConverter::ToUtf8("", true), "");
    EXPECT_EQ(CCodeConverter::ToUtf8("\x1B", true), "\x1B");
}

TEST(CodeConverter, CodePagesOfDocumentProperties) {
    EXPECT_EQ(CCodeConverter::FromCodePage(test::Cp932("題名"), 932), "題名");
    EXPECT_EQ(CCodeConverter::FromCodePage(std::string("題名\0", 7), 65001), "題名");
    EXPECT_EQ(CCodeConverter::FromCodePage(test::Utf16Le("題名"), 1200), "題名");
    EXPECT_EQ(CCodeConverter::FromCodePage("Caf\xE9", 1252), "Café");
    EXPECT_EQ(CCodeConverter::FromCodePage(std::string("ab\0cd", 5), 932), "ab");
}

} // namespace
} // namespace quillora
