// Text conversions: CP932 and Linux-name round trips with escapes, UTF-16, CP932
// width and truncation, ASCII case folding.
#include "core/Text.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <random>
#include <string>

using namespace quillora::text;

namespace {

// The escape of byte b as UTF-8 (U+DC00+b).
std::string Esc(unsigned char b) {
    std::u16string unit(1, static_cast<char16_t>(0xDC00 + b));
    return Utf16ToUtf8(unit);
}

std::string ToCp932(std::string_view utf8) {
    std::string out;
    EXPECT_TRUE(Utf8ToCp932(utf8, out)) << utf8;
    return out;
}

bool Cp932Fails(std::string_view utf8) {
    std::string out;
    return !Utf8ToCp932(utf8, out);
}

} // namespace

TEST(Text, Cp932TableFixedPoints) {
    EXPECT_EQ(Cp932ToUtf8("\x5C\x7E"), "\\~");
    EXPECT_EQ(ToCp932("\\~"), "\x5C\x7E");
    EXPECT_EQ(Cp932ToUtf8("\xA1"), "\uFF61");
    EXPECT_EQ(Cp932ToUtf8("\xDF"), "\uFF9F");
    EXPECT_EQ(Cp932ToUtf8("\xB1\xB2\xB3"), "ｱｲｳ");
    EXPECT_EQ(ToCp932("ｱｲｳ"), "\xB1\xB2\xB3");
    EXPECT_EQ(Cp932ToUtf8("\x81\x40"), "\u3000");
    EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "\uFF5E"); // CP932's wave dash, not U+301C
    // NEC and IBM duplicates decode alike and encode to the code Windows writes.
    EXPECT_EQ(Cp932ToUtf8("\x87\x90"), "≒");
    EXPECT_EQ(ToCp932("≒"), "\x81\xE0");
    EXPECT_EQ(Cp932ToUtf8("\xEE\xEF"), "ⅰ");
    EXPECT_EQ(ToCp932("ⅰ"), "\xFA\x40");
    EXPECT_EQ(ToCp932("￢"), "\x81\xCA");
}

TEST(Text, Cp932EveryCodeReadsBackAsItsCharacter) {
    // Every decodable code encodes to a code that decodes to the same character;
    // only the duplicates may change their bytes.
    int decoded = 0;
    int changed = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            std::string text = Cp932ToUtf8(bytes);
            unsigned char b;
            if (IsEscapedByte(text, 0, &b)) {
                continue;
            }
            ++decoded;
            std::string back = ToCp932(text);
            EXPECT_EQ(Cp932ToUtf8(back), text);
            changed += back != bytes;
        }
    }
    EXPECT_GT(decoded, 7000);
    EXPECT_LT(changed, 500);
}

// Every two-byte code decodes as iconv decodes that code alone: the table is built a
// lead byte's row at a time, stepping over the codes iconv rejects.
TEST(Text, Cp932PairsDecodeAsIconvDecodesEachAlone) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int decoded = 0;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[16];
            char* inPtr = in;
            std::size_t inLeft = 2;
            char* outPtr = out;
            std::size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool whole =
                iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
                inLeft == 0;
            const std::string expected(out, sizeof out - outLeft);
            const std::u16string units = Utf8ToUtf16(expected);
            if (!whole || units.size() != 1 || Cp932ToUtf8(std::string(1, in[0])) != Esc(in[0])) {
                continue; // not one character from a lead byte: decoded another way
            }
            ++decoded;
            EXPECT_EQ(Cp932ToUtf8(std::string_view(in, 2)), expected)
                << std::hex << lead << ' ' << trail;
        }
    }
    iconv_close(cd);
    EXPECT_GT(decoded, 7000);
}

TEST(Text, JapaneseRoundTripsWithBackslashTrail) {
    // ソ and 表 both end in 0x5C, the byte of "\" in paths.
    const std::string bytes = "\x83\x5C\x83\x74\x83\x67\x95\x5C.txt";
    EXPECT_EQ(Cp932ToUtf8(bytes), "ソフト表.txt");
    EXPECT_EQ(ToCp932("ソフト表.txt"), bytes);
    EXPECT_EQ(ToCp932("ﾃﾞｰﾀ\\日本語.TXT"), "\xC3\xDE\xB0\xC0\\\x93\xFA\x96\x7B\x8C\xEA.TXT");
    EXPECT_EQ(Utf8ToCp932Lossy("ソフト"), "\x83\x5C\x83\x74\x83\x67");
    EXPECT_EQ(ToCp932(""), "");
}

// A name decodes as its characters one by one would: ASCII runs of every length beside
// pairs, lone lead bytes, trail bytes that are ASCII ("\\" in ソ) and bytes that are no
// character, in one string.
TEST(Text, Cp932NamesDecodeAsTheirCharactersOneByOne) {
    static const std::string kUnits[] = {"a",        "Z",        "\\",       ".",       "\x83\x5C",
                                         "\x95\x5C", "\x8E\xCA", "\xB1",     "\x80",    "\xFF",
                                         "\x81",     "\x81\x20", "\x85\x40", "\x82\xA0"};
    std::mt19937 random(5);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        std::string expected;
        const int units = static_cast<int>(random() % 24);
        for (int u = 0; u < units; ++u) {
            // Long ASCII runs often, so that whole blocks of eight are taken at once.
            const std::string& unit = kUnits[random() % 3 == 0 ? random() % 14 : random() % 4];
            bytes += unit;
        }
        // The model: a lead byte takes the next byte when the two make a character.
        for (std::size_t i = 0; i < bytes.size();) {
            const std::string pair = bytes.substr(i, 2);
            unsigned char escaped = 0;
            const std::string two = Cp932ToUtf8(pair);
            const bool isPair = pair.size() == 2 && !IsEscapedByte(two, 0, &escaped) &&
                                static_cast<unsigned char>(pair[0]) >= 0x81 &&
                                (static_cast<unsigned char>(pair[0]) <= 0x9F ||
                                 static_cast<unsigned char>(pair[0]) >= 0xE0);
            const std::size_t length = isPair ? 2 : 1;
            expected += Cp932ToUtf8(bytes.substr(i, length));
            i += length;
        }
        EXPECT_EQ(Cp932ToUtf8(bytes), expected) << "round " << round;
    }
}

TEST(Text, UndecodableCp932BytesSurviveByteForByte) {
    EXPECT_EQ(Cp932ToUtf8("\x80"), "\xED\xB2\x80");
    EXPECT_EQ(Cp932ToUtf8("\xFF"), "\xED\xB3\xBF");
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a" + Esc(0x81));    // lead byte at the end
    EXPECT_EQ(Cp932ToUtf8("\x85\x40"), Esc(0x85) + "@"); // unassigned pair
    EXPECT_EQ(Cp932ToUtf8("\x81\x20"), Esc(0x81) + " "); // no valid trail
    const std::string cases[] = {
        "\x80",
        "\xA0",
        "\xFD\xFE\xFF",
        "x\x81",
        "\x85\x40",
        "\x81\x20\x81",
        "\x83\x5C\x80\xA0\x83",
        std::string("\xFC\x00z", 3),
        "\x82\xA0\xFD\x82",
    };
    for (const std::string& bytes : cases) {
        std::string text = Cp932ToUtf8(bytes);
        std::string back;
        EXPECT_TRUE(Utf8ToCp932(text, back)) << text;
        EXPECT_EQ(back, bytes);
        EXPECT_EQ(Utf8ToCp932Lossy(text), bytes);
    }
}

TEST(Text, Utf8ToCp932RefusesWhatWouldNotReadBack) {
    // An escaped lead byte would take its neighbour as trail byte.
    EXPECT_TRUE(Cp932Fails(Esc(0x83) + "\\"));      // would read as ソ
    EXPECT_TRUE(Cp932Fails(Esc(0x81) + Esc(0x80))); // would read as ÷
    EXPECT_TRUE(Cp932Fails(Esc(0x81) + "@"));
    // An escaped byte that is a character by itself.
    EXPECT_TRUE(Cp932Fails(Esc(0xB1)));
    // Characters CP932 lacks.
    EXPECT_TRUE(Cp932Fails("café"));
    EXPECT_TRUE(Cp932Fails("x😀"));
    EXPECT_TRUE(Cp932Fails("¥"));
    // A stray byte that is not an escape is not text we produced.
    EXPECT_TRUE(Cp932Fails("a\xC3("));
    // The same escapes are fine where nothing can combine.
    EXPECT_EQ(ToCp932(Esc(0x81)), "\x81");
    EXPECT_EQ(ToCp932(Esc(0x81) + " "), "\x81 ");
    EXPECT_EQ(Utf8ToCp932Lossy("café😀" + Esc(0x80)), "caf??\x80");
}

TEST(Text, OsBytesKeepInvalidUtf8) {
    EXPECT_EQ(OsBytesToUtf8("ソフト表.txt"), "ソフト表.txt");
    EXPECT_EQ(OsBytesToUtf8("caf\xE9.txt"), "caf" + Esc(0xE9) + ".txt");
    EXPECT_EQ(OsBytesToUtf8("\xC0\xAF"), Esc(0xC0) + Esc(0xAF));                 // overlong
    EXPECT_EQ(OsBytesToUtf8("\xED\xA0\x80"), Esc(0xED) + Esc(0xA0) + Esc(0x80)); // surrogate
    EXPECT_EQ(OsBytesToUtf8("\xED\xB2\x80"), Esc(0xED) + Esc(0xB2) + Esc(0x80)); // an escape
    EXPECT_EQ(OsBytesToUtf8("\xF4\x90\x80\x80"), Esc(0xF4) + Esc(0x90) + Esc(0x80) + Esc(0x80));
    EXPECT_EQ(OsBytesToUtf8("\xE3\x81"
                            "a"),
              Esc(0xE3) + Esc(0x81) + "a"); // cut short
    EXPECT_EQ(OsBytesToUtf8("\xF0\xE3\x81\x82"), Esc(0xF0) + "あ");
    const std::string names[] = {"caf\xE9.txt", "\xED\xB2\x80\xED\xB3\xBF", "\x83\x5C.txt",
                                 "\xC0\xAF",    "\xF8\x88\x80\x80\x80",     std::string("a\0b", 3)};
    for (const std::string& name : names) {
        EXPECT_EQ(Utf8ToOsBytes(OsBytesToUtf8(name)), name);
    }
}

TEST(Text, OsBytesRoundTripRandomBytes) {
    std::mt19937 rng(20240611);
    // Bias toward the bytes that make UTF-8 and escapes interesting.
    const unsigned char pool[] = {'a',  '/',  0x80, 0xBF, 0xB2, 0xB3, 0xC2, 0xC0, 0xDF, 0xE0,
                                  0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0x9F, 0xA0};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 24, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(rng() % 2 ? pool[rng() % sizeof pool] : rng() % 256);
        }
        std::string text = OsBytesToUtf8(bytes);
        ASSERT_EQ(Utf8ToOsBytes(text), bytes) << round;
        // The text is clean UTF-8 plus escapes: it survives UTF-16 unchanged.
        ASSERT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text) << round;
    }
}

TEST(Text, Utf16RoundTripWithAstralAndEscapes) {
    const std::string text = "a😀ソ" + Esc(0x80) + Esc(0xFF) + "ｱ";
    const std::u16string units = Utf8ToUtf16(text);
    EXPECT_EQ(units, (std::u16string{u'a', 0xD83D, 0xDE00, u'ソ', 0xDC80, 0xDCFF, u'ｱ'}));
    EXPECT_EQ(Utf16ToUtf8(units), text);
    // Lone surrogates other than escapes are not text.
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\uFFFDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xDBFF}), "x\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, 0xDFFF}), "\uFFFD\uFFFD");
    // Invalid UTF-8 bytes count as escapes of themselves.
    EXPECT_EQ(Utf8ToUtf16("\xC3("), (std::u16string{0xDCC3, u'('}));
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xDCED, 0xDCA0, 0xDC80}));
    // U+DC00..U+DC7F would be escapes of ASCII bytes, which never need one.
    EXPECT_FALSE(IsEscapedByte("\xED\xB0\x80", 0, nullptr));
    EXPECT_EQ(Utf8ToUtf16("\xED\xB0\x80"), (std::u16string{0xDCED, 0xDCB0, 0xDC80}));
}

TEST(Text, Cp932WidthAndTruncationNeverSplit) {
    EXPECT_EQ(Cp932Width("abc"), 3u);
    EXPECT_EQ(Cp932Width("ｱｲ"), 2u);
    EXPECT_EQ(Cp932Width("ソフト"), 6u);
    EXPECT_EQ(Cp932Width(Esc(0x80) + "😀"), 3u);
    std::size_t len = 0;
    EXPECT_EQ(CharCp932Width("aソ", 1, &len), 2u);
    EXPECT_EQ(len, 3u);
    EXPECT_EQ(CharCp932Width("a", 1, &len), 0u);
    EXPECT_EQ(len, 0u);

    bool cut = false;
    EXPECT_EQ(TruncateCp932Width("aソフト", 4, &cut), "aソ");
    EXPECT_TRUE(cut);
    EXPECT_EQ(TruncateCp932Width("aソフト", 5, &cut), "aソフ");
    EXPECT_EQ(TruncateCp932Width("aソフト", 7, &cut), "aソフト");
    EXPECT_FALSE(cut);
    EXPECT_EQ(TruncateCp932Width("ｱソ", 2, &cut), "ｱ");
    EXPECT_TRUE(cut);
    EXPECT_EQ(TruncateCp932Width("😀a", 1, &cut), "");
    EXPECT_TRUE(cut);
    EXPECT_EQ(TruncateCp932Width(Esc(0x81) + "b", 1, &cut), Esc(0x81));
    EXPECT_EQ(TruncateCp932Width("", 0, &cut), "");
    EXPECT_FALSE(cut);
    // Every cut lands on a character boundary and fills the width it can.
    const std::string text = "xソ😀ｱ" + Esc(0x90) + "表";
    for (std::size_t max = 0; max <= 12; ++max) {
        std::string head = TruncateCp932Width(text, max, &cut);
        ASSERT_EQ(text.compare(0, head.size(), head), 0);
        ASSERT_EQ(Utf8ToOsBytes(head) + Utf8ToOsBytes(text.substr(head.size())),
                  Utf8ToOsBytes(text));
        ASSERT_EQ(Cp932Width(head) + Cp932Width(text.substr(head.size())), Cp932Width(text));
        ASSERT_LE(Cp932Width(head), max);
        if (cut) {
            ASSERT_GT(Cp932Width(head) + CharCp932Width(text, head.size(), &len), max);
        }
    }
}

TEST(Text, AsciiCaseFolding) {
    EXPECT_EQ(AsciiUpper("readme.txt ｱé"), "README.TXT ｱé");
    EXPECT_EQ(AsciiLower("ABC[Ａ]"), "abc[Ａ]"); // full-width letters stay
    EXPECT_TRUE(EqualsNoCase("Readme.TXT", "README.txt"));
    EXPECT_FALSE(EqualsNoCase("Ａ", "ａ"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(CompareNoCase("ABC", "abd"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
    EXPECT_GT(CompareNoCase("abc", "AB"), 0);
    // Folded to lower case: "_" (0x5F) sorts before "A" as it does before "a".
    EXPECT_LT(CompareNoCase("_", "A"), 0);
    // Bytes compare unsigned: non-ASCII sorts after ASCII.
    EXPECT_GT(CompareNoCase("\xE3\x81\x82", "z"), 0);
}

TEST(Text, Utf8IsCheckedStrictlyAndTheFirstBadByteNamed) {
    using quillora::text::FirstBadUtf8;
    constexpr auto kGood = std::string_view::npos;
    EXPECT_EQ(FirstBadUtf8(""), kGood);
    EXPECT_EQ(FirstBadUtf8("plain ascii text"), kGood);
    EXPECT_EQ(FirstBadUtf8("\xF0\x9F\x98\x80 \xE6\x97\xA5\xC3\xA9"), kGood);
    EXPECT_EQ(FirstBadUtf8("ab\xC0\x80"), 2u);                   // overlong
    EXPECT_EQ(FirstBadUtf8("a\xE0\x80\xAF"), 1u);                // overlong in three bytes
    EXPECT_EQ(FirstBadUtf8("\xED\xA0\x80"), 0u);                 // a surrogate
    EXPECT_EQ(FirstBadUtf8("\xF4\x90\x80\x80"), 0u);             // above U+10FFFF
    EXPECT_EQ(FirstBadUtf8("xy\xE6\x97"), 2u);                   // cut short
    EXPECT_EQ(FirstBadUtf8("\xE6\x97z"), 0u);                    // not a continuation
    EXPECT_EQ(FirstBadUtf8(std::string(21, 'a') + "\xFF"), 21u); // after a long ASCII run
    // The text layer's escapes of undecodable bytes are not valid UTF-8.
    EXPECT_FALSE(quillora::text::IsValidUtf8(quillora::text::Cp932ToUtf8("\x81")));
}

TEST(Text, TrimTakesOnlyTheGivenBlanksFromBothEnds) {
    using quillora::text::Trim;
    EXPECT_EQ(Trim(" \t a b \t"), "a b");
    EXPECT_EQ(Trim("\r\nkey\r\n"), "\r\nkey\r\n");
    EXPECT_EQ(Trim("\r\n key\r\n", " \r\n"), "key");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim(""), "");
}
