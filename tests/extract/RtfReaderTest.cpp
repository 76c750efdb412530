// The RTF reader alone: code pages, Unicode characters and their fallbacks, skipped
// destinations, and hostile input.
#include "rtf/RtfInfoReader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillora {
namespace {

struct SRead {
    bool ok = false;
    std::string fields[CRtfInfoReader::kFieldCount];
    std::vector<std::string> lines;
};

SRead Read(const std::string& rtf) {
    std::size_t at = 0;
    CRtfInfoReader reader([&](char* buffer, std::size_t n) {
        const std::size_t take = std::min(n, rtf.size() - at);
        std::memcpy(buffer, rtf.data() + at, take);
        at += take;
        return take;
    });
    SRead r;
    r.ok = reader.Open();
    for (int i = 0; i < CRtfInfoReader::kFieldCount; ++i) {
        r.fields[i] = reader.Field(static_cast<CRtfInfoReader::EField>(i));
    }
    std::string line;
    while (r.lines.size() < 1000 && reader.NextLine(line)) {
        r.lines.push_back(line);
    }
    return r;
}

TEST(RtfReader, FontCharsetsUnicodeAndSkippedGroups) {
    const SRead r = Read(
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 Gothic;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
        "{\\info{\\subject Caf\\'e9}{\\*\\company Pelvane}{\\operator Op}}"
        "{\\*\\generator Writer;}\\f0 caf\\'e9 {\\f1 \\'93\\'fa}\\uc1\\u8364?\\par"
        "{\\pict\\pngblip 89504e47}{\\*\\unknowndest hidden}\\uc2\\u26412\\'3f\\'3f end\\par}");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.fields[CRtfInfoReader::kSubject], "Café");
    EXPECT_EQ(r.fields[CRtfInfoReader::kCompany], "Pelvane");
    EXPECT_EQ(r.fields[CRtfInfoReader::kOperator], "Op");
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0], "café 日€");
    EXPECT_EQ(r.lines[1], "本 end");
}

TEST(RtfReader, HostileInputStaysBounded) {
    EXPECT_FALSE(Read("").ok);
    EXPECT_FALSE(Read("{\\rt").ok);
    EXPECT_FALSE(Read("plain text").ok);
    // Deep nesting, a \bin that claims more than there is, broken hex, huge numbers.
    const SRead deep = Read("{\\rtf1 " + std::string(100000, '{') + "x" + std::string(10, '}'));
    EXPECT_TRUE(deep.ok);
    EXPECT_TRUE(Read("{\\rtf1 a\\bin99999999 b}").ok);
    EXPECT_TRUE(Read("{\\rtf1 \\'zz \\'4 \\u99999999999999999 \\uc99999 x}").ok);
    // A paragraph without end is cut into bounded lines.
    const SRead longLine = Read("{\\rtf1 " + std::string(200000, 'a') + "}");
    ASSERT_FALSE(longLine.lines.empty());
    for (const std::string& line : longLine.lines) {
        EXPECT_LE(line.size(), CRtfInfoReader::kMaxLine + 1024);
    }
}

} // namespace
} // namespace quillora
