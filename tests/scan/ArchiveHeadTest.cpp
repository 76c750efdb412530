// The first bytes of a file decide whether an archiver is asked at all: archives made
// by the tools are recognised by their family and by no other, files of other content
// by none; an .EXE only when data follows its program image.
#include "scan/ArchiveHead.h"

#include "ArchiveTestData.h"
#include "scan/LhaWriter.h"
#include "support/ScratchDir.h"

#include <array>
#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t kStamp = 1600000000;

// Which family checks a head passes: L(ha) Z(ip) C(ab) A(rj) R(ar) T(ar family).
std::string Families(const std::string& bytes) {
    CArchiveHead head;
    head.Assign(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), bytes.size());
    std::string out;
    out += head.LooksLikeLha() ? "L" : "";
    out += head.LooksLikeZip() ? "Z" : "";
    out += head.LooksLikeCab() ? "C" : "";
    out += head.LooksLikeArj() ? "A" : "";
    out += head.LooksLikeRar() ? "R" : "";
    out += head.LooksLikeTarFamily() ? "T" : "";
    return out;
}

void Put16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

// A PE32 program of one section whose raw data ends at 0x400.
std::string SmallPe() {
    std::string pe(0x400, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    Put32(pe, 0x3C, 0x80);
    pe.replace(0x80, 4, std::string("PE\0\0", 4));
    Put16(pe, 0x84, 0x14C); // i386
    Put16(pe, 0x86, 1);     // one section
    Put16(pe, 0x94, 0xE0);  // size of the optional header
    Put16(pe, 0x98, 0x10B); // PE32
    const std::size_t section = 0x98 + 0xE0;
    pe.replace(section, 5, ".text");
    Put32(pe, section + 16, 0x200); // size of raw data
    Put32(pe, section + 20, 0x200); // pointer to raw data
    return pe;
}

bool PastImage(const std::string& bytes) {
    CArchiveHead head;
    head.Assign(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), bytes.size());
    return head.HasDataPastImage("/nonexistent");
}

} // namespace

TEST(ArchiveHead, EachFamilyKnowsItsOwnArchivesAndNothingElse) {
    quillora::test::ScratchDir dir;
    const std::vector<quillora::test::SMember> members{{"a.txt", "alpha", kStamp}};
    quillora::test::WriteLibarchive(dir / "z.zip", "zip", "", members);
    quillora::test::WriteLibarchive(dir / "p.tar", "pax", "", members);
    quillora::test::WriteLibarchive(dir / "v7.tar", "v7tar", "", members);
    quillora::test::WriteLibarchive(dir / "t.tgz", "pax", "gzip", members);
    quillora::test::WriteLibarchive(dir / "t.taz", "pax", "compress", members);
    dir.Write("src/a.txt", "alpha");
    ASSERT_EQ(quillora::test::RunTool({"gcab", "-c", "../c.cab", "a.txt"}, dir / "src"), 0);
    const bool haveArj =
        quillora::test::RunTool({"arj", "a", "../a.arj", "a.txt"}, dir / "src") == 0;
    const std::uint32_t dos = quillora::test::DosDateTime(2001, 1, 1, 0, 0, 0);
    const std::string lha0 = quillora::test::LhaStored(members, 0, dos);
    const std::string lha2 = quillora::test::LhaStored(members, 2, kStamp);
    std::string written;
    {
        CLhaWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open((dir / "w.lzh").string(), error) &&
                    writer.AddMember("a.txt", std::string_view(std::string(5000, 'w')), kStamp,
                                     0644, error) &&
                    writer.Finish(error));
    }

    EXPECT_EQ(Families(ReadFileBytes(dir / "z.zip")), "Z");
    EXPECT_EQ(Families(ReadFileBytes(dir / "p.tar")), "T");
    EXPECT_EQ(Families(ReadFileBytes(dir / "v7.tar")), "T"); // no magic: the checksum
    EXPECT_EQ(Families(ReadFileBytes(dir / "t.tgz")), "T");
    EXPECT_EQ(Families(ReadFileBytes(dir / "t.taz")), "T");
    EXPECT_EQ(Families(ReadFileBytes(dir / "c.cab")), "C");
    EXPECT_EQ(Families(lha0), "L");
    EXPECT_EQ(Families(lha2), "L");
    EXPECT_EQ(Families(ReadFileBytes(dir / "w.lzh")), "L");
    EXPECT_EQ(Families(quillora::test::Rar4Stored(members, dos)), "R");
    EXPECT_EQ(Families(quillora::test::Rar5Stored(members)), "R");
    if (haveArj) {
        EXPECT_EQ(Families(ReadFileBytes(dir / "a.arj")), "A");
    }
    // What a scan meets under archive names: empty space, text, a program, a picture.
    EXPECT_EQ(Families(std::string(4096, '\0')), "");
    EXPECT_EQ(Families(std::string(600, 'x')), "");
    EXPECT_EQ(Families(SmallPe()), "");
    EXPECT_EQ(Families("\x89PNG\r\n\x1a\n" + std::string(600, '\0')), "");
    // A damaged tar header fails its checksum.
    std::string tar = ReadFileBytes(dir / "v7.tar");
    tar[0] = static_cast<char>(tar[0] ^ 1);
    EXPECT_EQ(Families(tar), "");
}

TEST(ArchiveHead, AProgramIsLookedIntoOnlyWhenDataFollowsItsImage) {
    const std::string pe = SmallPe();
    EXPECT_FALSE(PastImage(pe));
    EXPECT_TRUE(PastImage(pe + std::string(100, 'a')));
    // A signature alone after the sections is no archive.
    std::string signedPe = pe + std::string(0x68, 's');
    Put32(signedPe, 0x98 + 96 + 4 * 8, 0x400);
    Put32(signedPe, 0x98 + 96 + 4 * 8 + 4, 0x68);
    EXPECT_FALSE(PastImage(signedPe));
    EXPECT_TRUE(PastImage(signedPe + std::string(50, 'a')));

    // A DOS program: two pages, 16 bytes used of the last.
    std::string dos(0x210, '\0');
    dos[0] = 'M';
    dos[1] = 'Z';
    Put16(dos, 2, 16);
    Put16(dos, 4, 2);
    EXPECT_FALSE(PastImage(dos));
    EXPECT_TRUE(PastImage(dos + "LHA's SFX follows"));
    EXPECT_FALSE(PastImage(std::string(0x400, 'x')));
}
