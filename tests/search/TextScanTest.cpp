// The substring search under every matcher: each of its paths (short needles, names
// searched in a padded copy, long texts sixteen places at a time) against the
// standard library's find, over texts and needles that put matches at the edges; the
// folding of ASCII capitals at every length.
#include "search/TextScan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace quillora {
namespace {

TEST(TextScan, FindBytesAgreesWithStringFindAtEveryLengthAndStart) {
    std::mt19937 random(7);
    // Few letters, so that first and last bytes often match where the rest does not.
    auto text = [&](std::size_t length) {
        std::string s(length, 'a');
        for (char& c : s) {
            c = "abc\0\xff"[random() % 5];
        }
        return s;
    };
    for (std::size_t n = 0; n <= 48; ++n) {
        for (int round = 0; round < 40; ++round) {
            const std::string haystack = text(n);
            const std::size_t m = random() % 6 == 0 ? n : random() % 8;
            std::string needle = text(m);
            if (m > 0 && m <= n && round % 2 == 0) {
                // A needle that is in the text, often at its very end.
                const std::size_t at = round % 4 == 0 ? n - m : random() % (n - m + 1);
                needle = haystack.substr(at, m);
            }
            for (std::size_t from = 0; from <= n + 1; from += 1 + n / 5) {
                EXPECT_EQ(FindBytes(haystack, needle, from),
                          std::string_view(haystack).find(needle, from))
                    << "text length " << n << ", needle length " << needle.size() << ", from "
                    << from;
            }
        }
    }
}

// Searching with A-Z folded in registers finds what folding the text first and then
// searching finds: capitals and lower case around matches, bytes just outside A-Z ('@',
// '[', and their lower-case neighbours '`', '{'), and every length of both paths.
TEST(TextScan, FoldedSearchAgreesWithFoldingFirst) {
    std::mt19937 random(13);
    auto text = [&](std::size_t length) {
        std::string s(length, 'a');
        for (char& c : s) {
            c = "aAbB@[`{\0\xff"[random() % 10];
        }
        return s;
    };
    std::string folded;
    for (std::size_t n = 0; n <= 48; ++n) {
        for (int round = 0; round < 60; ++round) {
            const std::string haystack = text(n);
            FoldAsciiCase(haystack, folded);
            const std::size_t m = random() % 6 == 0 ? n : random() % 8;
            std::string needle = text(m);
            if (m > 0 && m <= n && round % 2 == 0) {
                const std::size_t at = round % 4 == 0 ? n - m : random() % (n - m + 1);
                needle = folded.substr(at, m);
            } else {
                std::string lowered;
                FoldAsciiCase(needle, lowered);
                needle = lowered;
            }
            EXPECT_EQ(FindFoldedBytes(haystack, needle), FindBytes(folded, needle, 0))
                << "text length " << n << ", needle length " << needle.size();
        }
    }
}

// A text whose last bytes end a memory page is searched in a padded copy, never read
// past its end.
// Folding lowers A-Z and nothing else, at every length (the short path, whole blocks of
// sixteen and the overlapping last block), into a buffer that held a longer text.
TEST(TextScan, FoldingLowersOnlyAsciiCapitalsAtEveryLength) {
    std::mt19937 random(11);
    std::string folded(100, '#');
    for (std::size_t n = 0; n <= 48; ++n) {
        std::string text(n, ' ');
        for (char& c : text) {
            c = static_cast<char>(random() % 256);
        }
        if (n > 0) {
            text[n - 1] = 'Z'; // the edges, where a block ends
            text[0] = 'A';
        }
        std::string expected = text;
        for (char& c : expected) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
        }
        FoldAsciiCase(text, folded);
        EXPECT_EQ(folded, expected) << "length " << n;
    }
}

TEST(TextScan, TextsThatEndAPageAreSearchedWithoutReadingPastThem) {
    constexpr std::size_t kPage = 4096;
    auto* block = static_cast<char*>(std::aligned_alloc(kPage, 2 * kPage));
    ASSERT_NE(block, nullptr);
    for (std::size_t n = 2; n <= 32; ++n) {
        char* text = block + kPage - n;
        for (std::size_t i = 0; i < n; ++i) {
            text[i] = static_cast<char>('a' + i % 3);
        }
        const std::string_view haystack(text, n);
        for (const std::string_view needle : {haystack.substr(n - 2), haystack.substr(0, n),
                                              std::string_view("ca"), std::string_view("zz")}) {
            EXPECT_EQ(FindBytes(haystack, needle, 0), haystack.find(needle))
                << "text length " << n << ", needle " << needle;
            EXPECT_EQ(FindFoldedBytes(haystack, needle), haystack.find(needle))
                << "text length " << n << ", needle " << needle;
        }
    }
    std::free(block);
}

} // namespace
} // namespace quillora
