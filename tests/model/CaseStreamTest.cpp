// The case streams: the gzip stream's open modes, seeks and lengths, plain files read
// through it, members finished by Flush, and the opener's choice of stream.
#include "model/CPlainCaseFile.h"
#include "model/CXFileZlib.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "model/SVolumeInfo.h"
#include "support/MemoryStream.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace quillora;
using quillora::test::MemoryStream;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

namespace {

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

void WriteGzip(const std::string& path, const std::string& bytes) {
    CXFileZlib out;
    out.Open(path, kOpenForSave);
    out.Write(bytes.data(), bytes.size());
    out.Close();
}

std::string ReadAll(CXFileZlib& in) {
    std::string bytes;
    char buffer[1000];
    while (std::size_t n = in.Read(buffer, sizeof buffer)) {
        bytes.append(buffer, n);
    }
    return bytes;
}

} // namespace

TEST(CXFileZlibTest, PlainAndGzipFilesReadTheSameAndSeekToTheEndKeepsThePosition) {
    ScratchDir dir;
    const std::string data = Pattern(5000);
    const std::string plain = dir.Write("plain.cas", data).string();
    const std::string packed = (dir / "packed.cas").string();
    WriteGzip(packed, data);
    EXPECT_EQ(ReadFileBytes(packed).substr(0, 2), "\x1F\x8B");
    for (const std::string& path : {plain, packed}) {
        for (unsigned flags : {kOpenRead, kOpenShareDenyWrite}) {
            CXFileZlib in;
            in.Open(path, flags);
            char head[300];
            ASSERT_EQ(in.Read(head, sizeof head), sizeof head);
            EXPECT_EQ(std::string(head, sizeof head), data.substr(0, 300));
            // The end reports the uncompressed length and leaves the position alone.
            EXPECT_EQ(in.Seek(12345, CXFileZlib::end), 5000);
            char next[10];
            ASSERT_EQ(in.Read(next, sizeof next), sizeof next);
            EXPECT_EQ(std::string(next, sizeof next), data.substr(300, 10));
            EXPECT_EQ(in.Seek(90, CXFileZlib::current), 400);
            ASSERT_EQ(in.Read(next, 1), 1u);
            EXPECT_EQ(next[0], data[400]);
            // Begin rewinds whatever the offset says.
            EXPECT_EQ(in.Seek(777, CXFileZlib::begin), 0);
            EXPECT_EQ(ReadAll(in), data);
            EXPECT_EQ(in.Seek(0, 7), -1);
            // The length is the file's size on disk: compressed for gzip.
            EXPECT_EQ(in.GetLength(), ReadFileBytes(path).size());
            in.Close();
        }
    }
    EXPECT_LT(ReadFileBytes(packed).size(), data.size());
}

TEST(CXFileZlibTest, OpenModesFlushMembersAndFailures) {
    ScratchDir dir;
    const std::string path = (dir / "modes.cas").string();
    // Write bit or exactly create|read-write|exclusive write; read-write alone opens nothing.
    {
        CXFileZlib out;
        out.Open(path, kOpenWrite);
        out.Write("first", 5);
        // Flush finishes a gzip member; what follows is a second member.
        out.Flush();
        out.Write("second", 6);
        out.Close();
    }
    std::string bytes = ReadFileBytes(path);
    EXPECT_NE(bytes.find("\x1F\x8B", 2), std::string::npos);
    {
        CXFileZlib in;
        in.Open(path, kOpenRead);
        EXPECT_EQ(ReadAll(in), "firstsecond");
        EXPECT_EQ(in.Seek(0, CXFileZlib::end), 11);
    }
    CXFileZlib neither;
    EXPECT_THROW(neither.Open(path, kOpenReadWrite), CFileException);
    EXPECT_FALSE(neither.IsOpen());
    EXPECT_EQ(neither.Seek(0, CXFileZlib::end), -1);
    CXFileZlib missing;
    try {
        missing.Open((dir / "missing.cas").string(), kOpenShareDenyWrite);
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }

    // A write that is given up leaves the old file as it was.
    {
        CXFileZlib out;
        out.Open(path, kOpenForSave);
        out.Write("replacement", 11);
        out.Abort();
    }
    EXPECT_EQ(ReadFileBytes(path), bytes);

    // A gzip stream cut short delivers fewer bytes or an error, never made-up data.
    const std::string data = Pattern(20000);
    const std::string cutPath = (dir / "cut.cas").string();
    WriteGzip(cutPath, data);
    std::string packed = ReadFileBytes(cutPath);
    dir.Write("cut.cas", packed.substr(0, packed.size() / 2));
    CXFileZlib in;
    in.Open(cutPath, kOpenRead);
    std::string got;
    try {
        got = ReadAll(in);
    } catch (const CFileException&) {
    }
    EXPECT_LT(got.size(), data.size());
    EXPECT_EQ(got, data.substr(0, got.size()));
}

TEST(CaseStreamOpener, ChoosesTheStreamByNameModeAndCompression) {
    ScratchDir dir;
    const std::string cas = (dir / "a.cas").string();
    auto plainWrite = OpenCaseStream(cas, kOpenForSave, false);
    EXPECT_NE(dynamic_cast<CPlainCaseFile*>(plainWrite.get()), nullptr);
    plainWrite->Write("xy", 2);
    plainWrite->Close();
    auto gzipWrite = OpenCaseStream(cas, kOpenForSave, true);
    EXPECT_NE(dynamic_cast<CXFileZlib*>(gzipWrite.get()), nullptr);
    gzipWrite->Abort();
    // Every read of a ".cas" goes through the gzip reader, which passes plain data.
    auto read = OpenCaseStream(cas, kOpenForLoad, true);
    EXPECT_NE(dynamic_cast<CXFileZlib*>(read.get()), nullptr);
    char buffer[4];
    EXPECT_EQ(read->Read(buffer, sizeof buffer), 2u);

    // Without a packed-case stream a ".caz" cannot be opened: message 521 names the file.
    SetArchivedCaseStreamFactory(nullptr);
    const std::string caz = (dir / "b.CAZ").string();
    try {
        OpenCaseStream(caz, kOpenForLoad, false);
        FAIL();
    } catch (const CCaseFileException& e) {
        EXPECT_EQ(e.m_nMessageKind, 1);
        EXPECT_NE(e.Message().find("b.CAZ"), std::string::npos);
        EXPECT_NE(e.Message().find("UNLHA32.DLL"), std::string::npos);
    }
    // A factory's own case-file error is turned into message 521.
    SetArchivedCaseStreamFactory(
        [](const std::string& path, unsigned) -> std::unique_ptr<ICaseStream> {
            throw CCaseFileException(CFileException::genericException, 0, path);
        });
    try {
        OpenCaseStream(caz, kOpenForLoad, false);
        FAIL();
    } catch (const CCaseFileException& e) {
        EXPECT_EQ(e.m_nMessageKind, 1);
    }
    SetArchivedCaseStreamFactory(nullptr);
}

TEST(CXFileZlibTest, GzipCasesAreCheckedToTheirTrailer) {
    ScratchDir dir;
    CCDCase root;
    auto* volume = static_cast<SVolumeInfo*>(root.AddChild(std::make_unique<SVolumeInfo>()));
    volume->m_strLabel = "Disc";
    volume->AddChild(std::make_unique<SFileInfo>())->m_strName = "readme.txt";
    const std::string good = (dir / "good.cas").string();
    SaveCaseFile(root, good, true);
    const std::string packed = ReadFileBytes(good);
    ASSERT_EQ(packed.substr(0, 2), "\x1F\x8B");

    auto readError = [&dir](const std::string& bytes) {
        const std::string path = dir.Write("damaged.cas", bytes).string();
        bool badPassword = false;
        std::string error;
        std::unique_ptr<CCDCase> back = ReadCaseFile(path, "", &badPassword, &error);
        EXPECT_FALSE(badPassword);
        return back ? std::string() : error;
    };
    EXPECT_EQ(readError(packed), "");
    // The trailer holds the CRC-32 and the length of the data: 8 bytes at the end.
    const std::size_t trailer = packed.size() - 8;
    EXPECT_NE(readError(packed.substr(0, trailer)).find("ends early"), std::string::npos);
    EXPECT_NE(readError(packed.substr(0, packed.size() - 3)).find("ends early"), std::string::npos);
    std::string badCrc = packed;
    badCrc[trailer] = static_cast<char>(badCrc[trailer] ^ 0x01);
    EXPECT_NE(readError(badCrc).find("damaged"), std::string::npos);
    std::string badLength = packed;
    badLength[packed.size() - 1] = static_cast<char>(badLength[packed.size() - 1] ^ 0x40);
    EXPECT_NE(readError(badLength).find("damaged"), std::string::npos);

    // A few stray bytes after the case are let be; a flood of them is no case file.
    MemoryStream plain;
    root.Write(plain);
    WriteGzip((dir / "tail.cas").string(), plain.Bytes() + std::string(100, '\0'));
    EXPECT_EQ(readError(ReadFileBytes(dir / "tail.cas")), "");
    WriteGzip((dir / "flood.cas").string(), plain.Bytes() + std::string(3 << 20, '\0'));
    EXPECT_NE(readError(ReadFileBytes(dir / "flood.cas")).find("more data follows"),
              std::string::npos);
}

// Large members, read in requests of every size: each piece of input ends somewhere
// inside a block, a member's trailer or the next member's header; what follows the last
// member is not read as data, and a second member cut short is an error.
TEST(CXFileZlibTest, MembersAreReadWholeAcrossEveryPieceOfInput) {
    ScratchDir dir;
    std::string first = Pattern(300000);
    std::string second(200000, '\0');
    unsigned seed = 1;
    for (char& c : second) { // noise, which deflate stores nearly as it is
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    const std::string path = (dir / "members.cas").string();
    {
        CXFileZlib out;
        out.Open(path, kOpenForSave);
        out.Write(first.data(), first.size());
        out.Flush();
        out.Write(second.data(), second.size());
        out.Close();
    }
    const std::string packed = ReadFileBytes(path);
    dir.Write("garbage.cas", packed + "not gzip");
    for (const char* name : {"members.cas", "garbage.cas"}) {
        for (std::size_t request : {std::size_t{1}, std::size_t{4093}, std::size_t{70000}}) {
            CXFileZlib in;
            in.Open((dir / name).string(), kOpenRead);
            std::string back;
            std::string piece(request, '\0');
            while (std::size_t n = in.Read(piece.data(), request)) {
                back.append(piece, 0, n);
                if (request == 1 && back.size() > 70000) {
                    request = 65537; // bytes one by one through the first blocks only
                    piece.resize(request);
                }
            }
            EXPECT_EQ(back.size(), first.size() + second.size()) << name << " " << request;
            EXPECT_TRUE(back == first + second) << name << " " << request;
        }
    }
    const std::size_t secondMember = packed.find("\x1F\x8B\x08", 10);
    ASSERT_NE(secondMember, std::string::npos);
    dir.Write("cut.cas", packed.substr(0, secondMember + (packed.size() - secondMember) / 2));
    CXFileZlib cut;
    cut.Open((dir / "cut.cas").string(), kOpenRead);
    try {
        ReadAll(cut);
        FAIL() << "a member cut short reads as complete";
    } catch (const CFileException& e) {
        EXPECT_NE(e.Message().find("ends early"), std::string::npos) << e.Message();
    }
}
