// The case reader's byte source: the offset it reports in errors, counted across the
// refills of its buffer, through every kind of read.
#include "model/ArchiveException.h"
#include "model/CArchiveReader.h"
#include "support/MemoryStream.h"

#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::MemoryStream;

TEST(ArchiveReader, OffsetsCountEveryByteAcrossRefillsUpToTheEnd) {
    // A million bytes: several buffers, and reads that straddle their edges.
    std::string bytes;
    for (int i = 0; bytes.size() < 1000000; ++i) {
        bytes += static_cast<char>(5); // a text of five bytes
        bytes += "abcde";
        bytes.append(8, static_cast<char>(i));
        bytes += std::string(1, '\0'); // an empty text
    }
    MemoryStream stream(bytes);
    CArchiveReader reader(stream);
    std::uint64_t expected = 0;
    std::string text;
    while (expected + 15 <= bytes.size()) {
        reader.ReadTextInto(text);
        EXPECT_EQ(text, "abcde");
        reader.ReadU64();
        reader.ReadTextInto(text);
        expected += 15;
        ASSERT_EQ(reader.Offset(), expected);
    }
    char rest[32];
    expected += reader.ReadSome(rest, sizeof rest);
    EXPECT_EQ(expected, bytes.size());
    EXPECT_EQ(reader.Offset(), bytes.size());
    try {
        reader.ReadU32();
        FAIL() << "read past the end";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
        EXPECT_EQ(e.m_nOffset, bytes.size());
    }
}
