// Text conditions: the wildcard conversion, the fast matchers against regexec itself,
// letter case, anchors and line breaks, and patterns that cannot be used.
#include "core/Text.h"
#include "search/CFindPattern.h"
#include "search/CRegexLocale.h"
#include "search/ExpressionAnalysis.h"
#include "search/WildcardExpression.h"

#include <gtest/gtest.h>

#include <regex.h>

using namespace quillora;

namespace {

bool Finds(std::string_view pattern, std::string_view text, bool wildcard = true,
           bool ignoreCase = false) {
    CFindPattern p;
    EXPECT_TRUE(p.Compile(pattern, wildcard, ignoreCase)) << pattern;
    return p.Search(text);
}

std::string Converted(std::string_view pattern) {
    std::string expression;
    EXPECT_TRUE(ConvertWildcard(pattern, expression)) << pattern;
    return expression;
}

// What glibc itself answers, in the UTF-8 locale (or, for an ignore-case check on
// ASCII, in the "C" locale, where REG_ICASE folds A-Z only).
bool Reference(const std::string& expression, std::string_view text, bool ignoreCase) {
    CRegexLocale::CUse use(ignoreCase ? CRegexLocale::Classic() : CRegexLocale::Utf8());
    regex_t re;
    if (regcomp(&re, expression.c_str(), REG_EXTENDED | REG_NOSUB | (ignoreCase ? REG_ICASE : 0)) !=
        0) {
        return false;
    }
    regmatch_t range[1];
    range[0].rm_so = 0;
    range[0].rm_eo = static_cast<regoff_t>(text.size());
    const bool found = regexec(&re, text.data(), 1, range, REG_STARTEND) == 0;
    regfree(&re);
    return found;
}

const char* const kTexts[] = {
    "",
    "a",
    "abc",
    "ac",
    "xaby",
    "xabyc",
    "xab",
    "a.txt",
    "a.txt.bak",
    "atxt",
    "IMG_0001.JPG",
    "img_0001.jpg",
    "IMG_12.jpeg",
    "report-2003.doc",
    "draft final-2009.doc",
    "abz",
    "abcz",
    "abcza",
    "写真.jpg",
    "旅行の写真2.JPG",
    "写a真",
    "line one\nline two",
    "a\nb",
    "$100 [x] (y) {z} a+b a|b ^c",
    "Ab.Cd.eF",
    "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzabczzzzzzzzzzzzzzzzzzzzzzzzzz",
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab",
};

} // namespace

TEST(WildcardConversion, FollowsTheTable) {
    EXPECT_EQ(Converted("*.txt"), "\\.txt");
    EXPECT_EQ(Converted("ab"), "ab");
    EXPECT_EQ(Converted("a?c"), "a.c");
    EXPECT_EQ(Converted("*ab*c"), "ab.*c");
    EXPECT_EQ(Converted("ab*"), "ab");
    EXPECT_EQ(Converted("**ab**"), ".*ab.*");
    EXPECT_EQ(Converted("draft;final"), "(draft|final)");
    EXPECT_EQ(Converted("*.jpg;*.png"), "(\\.jpg|.*\\.png)");
    EXPECT_EQ(Converted(";"), "|"); // one byte: not enclosed
    EXPECT_EQ(Converted("*"), "");
    EXPECT_EQ(Converted("**"), "");
    EXPECT_EQ(Converted("$+.[]^|"), "\\$\\+\\.\\[\\]\\^\\|");
    // Copied as they stand, so they keep their meaning in the expression.
    EXPECT_EQ(Converted("a(b){2}\\d"), "a(b){2}\\d");
    EXPECT_EQ(Converted("写真?.*"), "写真.\\.");
}

TEST(WildcardConversion, RefusesWhatDoesNotFitTheBuffers) {
    std::string expression = "left over";
    // Without "*" the pattern is taken with one in front: 1022 bytes still fit.
    EXPECT_TRUE(ConvertWildcard(std::string(1022, 'a'), expression));
    EXPECT_EQ(expression.size(), 1022u);
    EXPECT_FALSE(ConvertWildcard(std::string(1023, 'a'), expression));
    EXPECT_TRUE(expression.empty());
    // Every "*" doubles: 600 of them between letters make an expression too long.
    std::string stars;
    for (int i = 0; i < 600; ++i) {
        stars += "a*";
    }
    EXPECT_FALSE(ConvertWildcard(stars, expression));
    // A multi-byte character is never split at the limit: 511 escaped dots take 1022
    // bytes, and "写" would need three more.
    EXPECT_TRUE(ConvertWildcard("*" + std::string(510, '.') + "写*", expression));
    EXPECT_EQ(expression.size(), 1023u);
    EXPECT_FALSE(ConvertWildcard("*" + std::string(511, '.') + "写*", expression));
    EXPECT_TRUE(expression.empty());
}

TEST(WildcardMatching, FindsAnywhereInTheText) {
    EXPECT_TRUE(Finds("*.txt", "a.txt"));
    EXPECT_TRUE(Finds("*.txt", "a.txt.bak"));
    EXPECT_FALSE(Finds("*.txt", "atxt"));
    EXPECT_TRUE(Finds("ab", "xaby"));
    EXPECT_TRUE(Finds("a?c", "abc"));
    EXPECT_FALSE(Finds("a?c", "ac"));
    EXPECT_TRUE(Finds("*ab*c", "xabyc"));
    EXPECT_FALSE(Finds("*ab*c", "xab"));
    EXPECT_TRUE(Finds("draft;final", "my final copy"));
    EXPECT_TRUE(Finds("draft;final", "draft 2"));
    EXPECT_FALSE(Finds("draft;final", "report"));
    EXPECT_TRUE(Finds("*", ""));
    EXPECT_TRUE(Finds("*", "anything"));
    // "?" is one character, however many bytes it takes.
    EXPECT_TRUE(Finds("写?", "写真"));
    EXPECT_TRUE(Finds("写?.jpg", "写真.jpg"));
    EXPECT_FALSE(Finds("写??.jpg", "写真.jpg"));
    // Signs of the expression syntax are plain characters in a wildcard.
    EXPECT_TRUE(Finds("$100 [x]", "$100 [x] (y)"));
    EXPECT_TRUE(Finds("a|b ^c", "$100 [x] (y) {z} a+b a|b ^c"));
}

TEST(RegularExpressions, AnchorsAndLineBreaks) {
    EXPECT_TRUE(Finds("^a.*z$", "abz", false));
    EXPECT_TRUE(Finds("^a.*z$", "az", false));
    EXPECT_FALSE(Finds("^a.*z$", "abcza", false));
    EXPECT_FALSE(Finds("^a.*z$", "xabz", false));
    // A comment is one text: "." takes line breaks, "^" and "$" its ends only.
    EXPECT_TRUE(Finds("one.line", "line one\nline two", false));
    EXPECT_FALSE(Finds("^line two", "line one\nline two", false));
    EXPECT_FALSE(Finds("one$", "line one\nline two", false));
    EXPECT_TRUE(Finds("^line.*two$", "line one\nline two", false));
    EXPECT_TRUE(Finds("^$", "", false));
    EXPECT_FALSE(Finds("^$", "a", false));
    // Zero bytes inside a text are searched past, not taken as its end.
    EXPECT_TRUE(Finds("b$", std::string_view("a\0b", 3), false));
    // ... and "." never takes one, as regexec has it.
    const std::string_view zero("img_1\0.jpg", 10);
    EXPECT_FALSE(Finds("IMG_*.jpg", zero, true, true));
    EXPECT_EQ(Finds("img_.*jpg$", zero, false), Reference("img_.*jpg$", zero, false));
    EXPECT_TRUE(Finds("^img_", zero, false));
    EXPECT_FALSE(Finds("^jpg", zero, false));
    // A gap next to an anchor does not cross one either: a word after "^.*" or before
    // ".*$" is found only where the gap reaches it.
    const std::string_view after("\0notes.doc", 10);
    const std::string_view before("notes.doc\0", 10);
    for (const char* expression : {"^.*\\.doc", "^.*doc.*$", "notes.*$", "^.*notes"}) {
        EXPECT_EQ(Finds(expression, after, false), Reference(expression, after, false))
            << expression;
        EXPECT_EQ(Finds(expression, before, false), Reference(expression, before, false))
            << expression;
    }
}

TEST(RegularExpressions, FastMatchersAnswerAsRegexecDoes) {
    const char* const expressions[] = {
        "abc",
        "\\.txt",
        "a.c",
        "ab.*c",
        "^a.*z$",
        "^a",
        "z$",
        "^abc$",
        "(draft|final)",
        "draft|final",
        "(\\.jpg|.*\\.png)",
        "写.",
        "写..\\.jpg",
        "^.写",
        "真.*JPG$",
        "a..z",
        ".*",
        "^",
        "$",
        "^$",
        "^.*$",
        "a.*b.*c",
        "a$",
        "IMG_.*\\.J.G",
        "\\$100",
        "x\\]",
        "\\(y\\)",
        "^.{2}$",
        "ab+c",
        "a[bc]",
        "[[:digit:]]{4}",
        "(a|b)c$",
        "x?abc",
        "a\\.b",
        "\\w+\\.doc$",
        "-20[01][0-9]\\.doc$",
        "b{2,}",
        "(ab)*c",
        "[^a-z]",
        "^(draft|final).*\\.doc$",
        "line.*\nline",
        "写真",
        "a\\|b",
        // A quantifier after "+" makes the character optional; an escaped multi-byte
        // character is one character.
        "a+*",
        "x+?",
        "\\写?",
        "A?\\写?b",
        "\\真*x",
    };
    for (const char* expression : expressions) {
        CFindPattern pattern;
        ASSERT_TRUE(pattern.Compile(expression, false, false)) << expression;
        for (const char* text : kTexts) {
            EXPECT_EQ(pattern.Search(text), Reference(expression, text, false))
                << "expression " << expression << " text " << text;
        }
    }
}

TEST(LetterCase, IgnoringCaseFoldsOnlyAToZ) {
    EXPECT_TRUE(Finds("ABC", "xabcx", true, true));
    EXPECT_FALSE(Finds("ABC", "xabcx", true, false));
    EXPECT_TRUE(Finds("abc", "XABCX", false, true));
    // Other letters keep their case, as they did in the ANSI code page.
    EXPECT_FALSE(Finds("Ä", "ä", true, true));
    EXPECT_FALSE(Finds("ＡＢＣ", "ａｂｃ", true, true));
    EXPECT_TRUE(Finds("写真*.JPG", "写真1.jpg", true, true));
    // Brackets, ranges and classes fold as the letters they stand for.
    EXPECT_TRUE(Finds("^[A-C]+$", "abc", false, true));
    EXPECT_TRUE(Finds("^[^A-Z]$", "1", false, true));
    EXPECT_FALSE(Finds("^[^A-Z]$", "q", false, true));
    EXPECT_FALSE(Finds("[B-y]", "a", false, true)); // the range folds to b-y
    EXPECT_TRUE(Finds("\\W", "a b", false, true));
    EXPECT_FALSE(Finds("\\W", "ab", false, true));
    // As under REG_ICASE, [:upper:] covers the small letters too.
    EXPECT_TRUE(Finds("[[:upper:]]", "a", false, true));
    EXPECT_FALSE(Finds("[[:upper:]]", "1", false, true));
    // The same answers as REG_ICASE in the "C" locale, where it folds A-Z only.
    const char* const expressions[] = {"IMG_.*\\.J.G", "^A.*Z$", "[A-Z]{3}", "Draft|FINAL",
                                       "\\.jpg$",      "[B-y]",  "ab+C",     "([a-c])+B"};
    for (const char* expression : expressions) {
        CFindPattern pattern;
        ASSERT_TRUE(pattern.Compile(expression, false, true)) << expression;
        for (const char* text : kTexts) {
            bool ascii = true;
            for (unsigned char c : std::string_view(text)) {
                ascii = ascii && c < 0x80;
            }
            if (!ascii) {
                continue;
            }
            EXPECT_EQ(pattern.Search(text), Reference(expression, text, true))
                << "expression " << expression << " text " << text;
        }
    }
}

TEST(UnusablePatterns, MatchNothingAndSayWhy) {
    CFindPattern bad;
    EXPECT_FALSE(bad.Compile("a(b", false, false));
    EXPECT_EQ(bad.Error(), CFindPattern::EError::BadExpression);
    EXPECT_FALSE(bad.ErrorText().empty());
    EXPECT_FALSE(bad.Search("a(b"));
    // A wildcard passes "(" through, so it can fail the same way.
    EXPECT_FALSE(bad.Compile("*(*", true, false));
    EXPECT_FALSE(bad.Search("(x"));

    CFindPattern longer;
    EXPECT_FALSE(longer.Compile(std::string(2000, 'a'), true, false));
    EXPECT_EQ(longer.Error(), CFindPattern::EError::TooLong);
    EXPECT_FALSE(longer.Search(std::string(2000, 'a')));
    // A regular expression is compiled as it stands, whatever its length.
    EXPECT_TRUE(longer.Compile(std::string(2000, 'a'), false, false));
    EXPECT_TRUE(longer.Search(std::string(2001, 'a')));
    // Stacked repetitions would take regcomp gigabytes (each "+" doubles what it
    // copies): refused before regcomp runs.
    CFindPattern heavy;
    EXPECT_FALSE(heavy.Compile("a" + std::string(24, '+'), false, false));
    EXPECT_EQ(heavy.Error(), CFindPattern::EError::TooComplex);
    EXPECT_FALSE(heavy.Compile("(ab{1000}){1000}", false, false));
    EXPECT_FALSE(heavy.Compile("*x{999}{999}*", true, false)); // wildcards pass "{" through
    EXPECT_TRUE(heavy.Compile("a" + std::string(7, '+') + "b{1000}", false, false));
    EXPECT_TRUE(heavy.Search("a" + std::string(1000, 'b')));
    // Released: nothing matches until the next compile.
    longer.Release();
    EXPECT_FALSE(longer.Search(std::string(2001, 'a')));
}

TEST(UnusablePatterns, BackReferencesAreRefusedWhereverTheyCouldRun) {
    CFindPattern pattern;
    // These take regexec minutes to hours on a few short names.
    for (const char* expression :
         {"(a*)*\\1[^a]a", "(.*)(.*)(.*)(.*)\\4\\3\\2\\1[^a]a", "(x)\\9", "^(ab)\\1$"}) {
        EXPECT_FALSE(pattern.Compile(expression, false, false)) << expression;
        EXPECT_EQ(pattern.Error(), CFindPattern::EError::BackReference) << expression;
        EXPECT_FALSE(pattern.Search("abab"));
        // Ignoring case folds the expression but keeps the reference.
        EXPECT_FALSE(pattern.Compile(expression, false, true)) << expression;
    }
    // A wildcard passes "\" through to the expression, so "\1" would reach regexec too.
    EXPECT_FALSE(pattern.Compile("*(a)\\1*", true, false));
    EXPECT_EQ(pattern.Error(), CFindPattern::EError::BackReference);
    // Not references: an escaped backslash before a digit, a digit in a bracket
    // expression, "\0" and a backslash at the end.
    EXPECT_TRUE(pattern.Compile("a\\\\1", false, false));
    EXPECT_TRUE(pattern.Search("a\\1"));
    EXPECT_TRUE(pattern.Compile("[\\1]x", false, false));
    EXPECT_TRUE(pattern.Search("1x"));
    EXPECT_TRUE(pattern.Compile("[]\\1]x", false, false));
    EXPECT_TRUE(pattern.Search("]x"));
    EXPECT_FALSE(pattern.Compile("[a]\\1", false, false)) << "the bracket ends before \\1";
    EXPECT_TRUE(HasBackReference("(a)\\1"));
    EXPECT_FALSE(HasBackReference("(a)\\0"));
    EXPECT_FALSE(HasBackReference("abc\\"));
    EXPECT_FALSE(HasBackReference("[[:digit:]\\2]"));
}

TEST(ExpressionAnalysis, RequiredLiteralNeverClaimsTooMuch) {
    EXPECT_EQ(RequiredLiteral("\\.txt$"), ".txt");
    EXPECT_EQ(RequiredLiteral("(draft|final).*-20[01][0-9]\\.doc$"), ".doc");
    EXPECT_EQ(RequiredLiteral("abc+d"), "abc");
    EXPECT_EQ(RequiredLiteral("abcd*e"), "abc");
    EXPECT_EQ(RequiredLiteral("x|y"), "");
    EXPECT_EQ(RequiredLiteral("ab{0}cd"), "cd");
    EXPECT_EQ(RequiredLiteral("(abc)?de"), "de");
    EXPECT_EQ(RequiredLiteral("\\w+report"), "report");
    EXPECT_EQ(RequiredLiteral("写真*"), "写");
    EXPECT_EQ(RequiredLiteral("ab+*cd"), "cd");
    EXPECT_EQ(EstimatedRegexSize("abc", 100), 3u);
    EXPECT_EQ(EstimatedRegexSize("(a|bc)+", 100), 11u);
    EXPECT_EQ(EstimatedRegexSize("a{3}x", 100), 5u);
    EXPECT_EQ(EstimatedRegexSize("a" + std::string(40, '+'), 100), 101u);
    EXPECT_EQ(EstimatedRegexSize("a)b[)]", 100), 3u);
    EXPECT_EQ(RequiredLiteral("x\\写?yz"), "yz");
    EXPECT_EQ(RequiredLiterals("(draft|final).*-20[01][0-9]\\.doc$"),
              (std::vector<std::string>{".doc", "-20"}));
    EXPECT_EQ(RequiredLiterals("ab.ab.abc"), (std::vector<std::string>{"abc", "ab"}));
    EXPECT_EQ(FoldExpressionCase("ABC[A-Z]\\W[[:upper:]][[:digit:]]"),
              "abc[a-z]\\W[[:alpha:]][[:digit:]]");
    EXPECT_EQ(FoldExpressionCase("[^]XY-a[=Q=]]\\B\\Q"), "[^]xy-a[=q=]]\\B\\q");
}

// A name streams past undecoded and is decoded only when its CP932 bytes may hold the
// pattern: that test must never turn away a name whose decoded text matches. The
// names mix ASCII with double-byte characters whose second byte is an ASCII letter,
// "\" or "|", half-width katakana, and bytes CP932 cannot decode (escaped).
TEST(StoredNames, TheFilterOnStoredBytesNeverTurnsAwayAMatch) {
    static const char* const kPieces[] = {"a",        "B",    "b",    "ab",       "AB",
                                          ".",        "\\",   "x",    "\x83\x41", // ア
                                          "\x83\x61",                             // ャ: trail 'a'
                                          "\x83\x5C",                             // ソ: trail '\'
                                          "\x83\x7C",                             // ポ: trail '|'
                                          "\x95\x5C", "\xB1", "\x80", "\xFF",     "\x81"};
    struct SCase {
        const char* pattern;
        bool wildcard;
        bool ignoreCase;
    };
    const SCase patterns[] = {{"ab", true, false},     {"ab", true, true},    {"a*b", true, true},
                              {"?b", true, false},     {"Ba", true, false},   {"a.b", false, false},
                              {"(ab|x)", false, true}, {"a\\.", false, true}, {"b+a", false, false},
                              {"ア", true, false}};
    unsigned seed = 7;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    std::vector<std::string> names;
    for (int i = 0; i < 4000; ++i) {
        std::string name;
        for (unsigned n = 1 + next() % 6; n > 0; --n) {
            name += kPieces[next() % std::size(kPieces)];
        }
        names.push_back(name);
    }
    int turnedAway = 0;
    for (const SCase& c : patterns) {
        CFindPattern p;
        ASSERT_TRUE(p.Compile(c.pattern, c.wildcard, c.ignoreCase)) << c.pattern;
        for (const std::string& stored : names) {
            std::string decoded;
            text::Cp932ToUtf8(stored, decoded);
            const bool may = p.MayMatchStored(stored);
            turnedAway += may ? 0 : 1;
            EXPECT_TRUE(may || !p.Search(decoded)) << c.pattern << " on " << decoded;
        }
    }
    EXPECT_GT(turnedAway, 10000);
}
