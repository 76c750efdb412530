// JSON string escaping, which every listing's names pass through sixteen bytes at a time:
// against a byte-by-byte model, at every length around the block size, with the bytes
// that need escaping at every place, and for texts that end a memory page.
#include "cli/CliSupport.h"
#include "core/Text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace quillora;

namespace {

std::string ModelEscaped(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        unsigned char byte = 0;
        char buffer[8];
        if (c == 0xED && text::IsEscapedByte(utf8, i, &byte)) {
            std::snprintf(buffer, sizeof buffer, "\\udc%02x", byte);
            out += buffer;
            i += 2;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Written(std::string_view utf8) {
    std::string room(cli::JsonEscapedRoom(utf8), '#');
    char* end = cli::WriteJsonEscaped(room.data(), utf8);
    room.resize(static_cast<std::size_t>(end - room.data()));
    return room;
}

} // namespace

TEST(JsonEscape, AgreesWithTheModelAtEveryLengthAndPlace) {
    // Plain letters, every kind of byte that is escaped, 0xED with and without the
    // bytes that make it an escaped byte, and the bytes around 0x1F.
    static const std::string kBytes[] = {
        "a", "Z",        "\"",   "\\",       "\n",           "\t",           "\x01", "\x1f",
        " ", "\xc3\xa9", "\xed", "\xb2\x80", "\xed\xb2\x80", "\xed\xb3\xbf", "\x7f", "\xff"};
    std::mt19937 random(17);
    for (std::size_t length = 0; length <= 40; ++length) {
        for (int round = 0; round < 50; ++round) {
            std::string text;
            while (text.size() < length) {
                // Mostly plain, so that the one byte to escape lands anywhere.
                text += random() % 4 != 0 ? kBytes[random() % 2] : kBytes[random() % 16];
            }
            const std::string expected = ModelEscaped(text);
            std::string appended = "x";
            cli::AppendJsonEscaped(appended, text);
            EXPECT_EQ(appended, "x" + expected) << "length " << text.size();
            EXPECT_EQ(Written(text), expected) << "length " << text.size();
            EXPECT_EQ(cli::JsonString(text), "\"" + expected + "\"");
        }
    }
}

TEST(JsonEscape, TextsThatEndAPageAreReadOnlyWhereTheyLie) {
    constexpr std::size_t kPage = 4096;
    auto* block = static_cast<char*>(std::aligned_alloc(kPage, 2 * kPage));
    ASSERT_NE(block, nullptr);
    for (std::size_t n = 0; n <= 20; ++n) {
        char* text = block + kPage - n;
        for (std::size_t i = 0; i < n; ++i) {
            text[i] = i + 1 == n ? '"' : 'b';
        }
        // What follows the text must not count: plain bytes and bytes to escape alike.
        block[kPage] = '\\';
        const std::string_view name(text, n);
        EXPECT_EQ(Written(name), ModelEscaped(name)) << "length " << n;
        EXPECT_EQ(cli::JsonPlainPrefix(name), n == 0 ? 0 : n - 1);
    }
    EXPECT_EQ(Written(std::string_view()), ""); // an empty view that points nowhere
    std::free(block);
}
