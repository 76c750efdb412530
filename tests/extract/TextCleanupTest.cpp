// What becomes the comment: the targets and their limits, the line and blank handling
// and the character maps, on text files read by the TEXT reader.
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "extract/CharMaps.h"
#include "extract/ExtractTextManager.h"
#include "extract/TextFileExtractor.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

class TextCleanup : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.Register(m_store, {}, {}, std::make_unique<CTextFileExtractor>());
        m_text = m_manager.FindExtractor("TEXT");
    }

    std::string Extract(const std::string& name, const std::string& bytes) {
        const auto path = m_dir.Write(name, bytes);
        std::string text;
        m_ok = m_manager.ExtractText(path.string(), text, nullptr);
        return text;
    }

    test::ScratchDir m_dir;
    CProfileStore m_store;
    CExtractTextManager m_manager;
    CTextExtractor* m_text = nullptr;
    bool m_ok = false;
};

TEST_F(TextCleanup, SizeTargetCutsAtTheLimitWithoutSplittingACharacter) {
    m_text->m_nDocSize = 10;
    EXPECT_EQ(Extract("a.txt", "0123456789abcdefghijklmno\r\nnext\r\n"), "0123456789");
    // Width is counted as Shift_JIS would store it: two per kanji, one per half-width
    // katakana; a kanji that does not fit whole is left out.
    m_text->m_nDocSize = 5;
    EXPECT_EQ(Extract("b.txt", test::Cp932("漢字ｶﾅ漢字\r\n")), "漢字ｶ");
    EXPECT_EQ(Extract("c.txt", "日本語です\n"), "日本");
    // The default: the first 2000 bytes of the file's text.
    m_text->ResetSettings();
    EXPECT_EQ(Extract("d.txt", std::string(5000, 'x')).size(), 2000u);
}

TEST_F(TextCleanup, LineTargetCountsOnlyLinesThatAreKept) {
    m_text->m_nDocTarget = kTargetBodyByLines;
    m_text->m_nDocLine = 3;
    m_text->m_bDelEmptyLine = 1;
    EXPECT_EQ(Extract("a.txt", "one\r\n\r\n  \t\r\ntwo\n\nthree\nfour\n"),
              "one\r\ntwo\r\nthree\r\n");
    m_text->m_bDelEmptyLine = 0;
    EXPECT_EQ(Extract("b.txt", "one\n\ntwo\n"), "one\r\n\r\ntwo\r\n");
}

TEST_F(TextCleanup, LineEndsAreKeptJoinedOrCompressed) {
    m_text->m_nDocTarget = kTargetFullText;
    const std::string text = "para one\r\n\r\n\r\npara two\r\nline\n";
    m_text->m_nConvRCode = 2;
    EXPECT_EQ(Extract("a.txt", text), "para one\r\npara two\r\nline\r\n");
    m_text->m_nConvRCode = 1;
    EXPECT_EQ(Extract("b.txt", text), "para onepara twoline");
    m_text->m_nConvRCode = 0;
    // A bare LF is read as a line end; a 0x1A byte ends its line and is dropped.
    EXPECT_EQ(Extract("c.txt", "a\nb\x1A"
                               "c\n"),
              "a\r\nbc\r\n");
}

TEST_F(TextCleanup, BlanksAreDeletedOrCompressedByKind) {
    m_text->m_nDocTarget = kTargetFullText;
    m_text->m_nConvSpace = 1;
    EXPECT_EQ(Extract("a.txt", "a b\tc　d\n"), "abcd\r\n");
    m_text->m_nConvSpace = 2;
    EXPECT_EQ(Extract("b.txt", "a   b\t\t\tc　　d \t e\n"), "a b\tc　d \t e\r\n");
}

TEST_F(TextCleanup, CharacterMaps) {
    m_text->m_nDocTarget = kTargetFullText;
    m_text->m_bMapEibun = 1;
    EXPECT_EQ(Extract("a.txt", test::Cp932("ＡＢＣ　ａｂｃ１２３！＃＄\n")), "ABC　abc123!#$\r\n");
    m_text->m_bMapEibun = 0;
    m_text->m_bMapHankaku = 1;
    // A half-width KA with the voiced mark is the one full-width GA.
    EXPECT_EQ(Extract("b.txt", test::Cp932("ｶﾞｷﾞﾊﾟｳﾞｱﾞ｡\n")), "ガギパヴア゛。\r\n");
    m_text->m_bMapHankaku = 0;
    m_text->m_bMapOubun = 1;
    EXPECT_EQ(Extract("c.txt", "Café “naïve” — Œuvre…\n"), "Cafe \"naive\" - OEuvre...\r\n");
}

TEST_F(TextCleanup, JapaneseTextsInEveryEncodingReadTheSame) {
    const std::string text = "これは日本語のテキストです。\n二行目もあります。\n";
    const std::string expected = "これは日本語のテキストです。\r\n二行目もあります。\r\n";
    for (const char* encoding :
         {"SHIFT_JIS", "EUC-JP", "ISO-2022-JP", "UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE"}) {
        EXPECT_EQ(Extract("j.txt", test::Encode(text, encoding)), expected) << encoding;
        EXPECT_TRUE(m_ok) << encoding;
    }
    // A body cut in the middle of a long file still decides by what it read.
    std::string longer;
    for (int i = 0; i < 400; ++i) {
        longer += "日本語の行です。\n";
    }
    const std::string body = Extract("long.txt", test::Encode(longer, "EUC-JP"));
    EXPECT_EQ(body.rfind("日本語の行です。\r\n", 0), 0u) << body.substr(0, 60);
}

TEST_F(TextCleanup, FilesThatAreNotTextGiveNothing) {
    // A NUL in the first line marks a file as not text; the ESC bytes of JIS text do
    // not: they switch its character sets.
    EXPECT_EQ(Extract("a.txt", std::string("abc\0def\nmore\n", 13)), "");
    EXPECT_FALSE(m_ok);
    EXPECT_EQ(Extract("b.txt", "\x1B$B\x46\x7C\x4B\x5C\x1B(B\n"), "日本\r\n");
    EXPECT_TRUE(m_ok);
    EXPECT_EQ(Extract("b.txt", "\x1B(Bplain\x01\n"), "") << "other control bytes still count";
    // Control bytes after the first lines empty the whole body as well.
    EXPECT_EQ(Extract("c.txt", "fine\nstill fine\n\x01\n"), "");
    // UTF-16 with its byte-order mark is text: its NUL bytes are part of its characters.
    EXPECT_EQ(Extract("d.txt", "\xFF\xFE" + test::Utf16Le("テキスト\r\n次の行\r\n", false)),
              "テキスト\r\n次の行\r\n");
}

TEST_F(TextCleanup, EncodingsOfTextFiles) {
    m_text->m_nDocTarget = kTargetFullText;
    EXPECT_EQ(Extract("sjis.txt", test::Cp932("シフトJISの文\r\n")), "シフトJISの文\r\n");
    EXPECT_EQ(Extract("utf8.txt", "\xEF\xBB\xBFUTF-8の文\n"), "UTF-8の文\r\n");
    // The encoding is decided once from the start of the file, so a later line that
    // happens to be valid UTF-8 is still read as Shift_JIS.
    EXPECT_EQ(Extract("mixed.txt", test::Cp932("漢字\n") + test::Cp932("ﾃｽ\n")), "漢字\r\nﾃｽ\r\n");
}

TEST(CharMaps, MapsLeaveOtherTextAlone) {
    EXPECT_EQ(charmaps::MapChars("漢字ｶﾞ", false, false, false), "漢字ｶﾞ");
    EXPECT_EQ(charmaps::MapChars("ﾞｶ", true, false, false), "゛カ");
    EXPECT_EQ(charmaps::MapChars("ﾅﾞ", true, false, false), "ナ゛");
    // Escaped bytes of undecodable input pass through every map unchanged.
    const std::string escaped = "\xED\xB2\x80";
    EXPECT_EQ(charmaps::MapChars(escaped, true, true, true), escaped);
    EXPECT_TRUE(charmaps::IsBlank(" \t　\r\n"));
    EXPECT_FALSE(charmaps::IsBlank(" x "));
}

} // namespace
} // namespace quillora
