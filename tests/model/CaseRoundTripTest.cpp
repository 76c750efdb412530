// A whole catalogue written and read back keeps every stored field, through memory
// and through real files (plain and gzip), and a failed save leaves the old file.
#include "core/Text.h"
#include "model/CCDCase.h"
#include "model/CPlainCaseFile.h"
#include "model/CaseFile.h"
#include "model/CaseSchema.h"
#include "model/FileException.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "support/MemoryStream.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using quillora::test::MemoryStream;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;

namespace {

CPropertyDefinition g_officeDefinition{"MS-Office", {1, 2, 3}, false};

SFileInfo* AddFile(SFileInfo& parent, std::string name, std::uint64_t size) {
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = std::move(name);
    file->m_nSize = size;
    file->m_dwFlags = kAttrArchive;
    file->m_ftLastWrite = 133000000000000000ULL + size;
    file->m_ftCreation = 132000000000000000ULL;
    file->m_ftLastAccess = 134000000000000000ULL;
    return parent.AddChild(std::move(file));
}

SVolumeInfo* AddVolume(SFileInfo& parent, std::string label, std::uint32_t serial) {
    auto volume = std::make_unique<SVolumeInfo>();
    volume->m_dwFlags |= kFlagCdRom;
    volume->m_strLabel = label;
    volume->m_strOrgLabel = label + "_ORG";
    volume->m_dwSerial = serial;
    volume->m_strVolText2 = "CDFS";
    volume->m_nTotalBytes = 700ULL << 20;
    volume->m_nFreeBytes = 0;
    volume->m_dwSectorsPerCluster = 1;
    volume->m_dwBytesPerSector = 2048;
    return static_cast<SVolumeInfo*>(parent.AddChild(std::move(volume)));
}

std::unique_ptr<CCDCase> BuildRichCase() {
    auto root = std::make_unique<CCDCase>();
    root->m_strPassword = "pass1234";
    auto* group = static_cast<SGroupInfo*>(root->AddChild(std::make_unique<SGroupInfo>()));
    group->SetLabel("写真 2002");
    SVolumeInfo* disc = AddVolume(*group, "Photos 12/31/02 07", 0x1A2B3C4D);
    disc->SetComment("line one\r\nline two");
    disc->SetCategory("Backup");

    auto* folder = AddFile(*disc, "ソフト表", 0);
    folder->m_dwFlags = kAttrDirectory;
    SFileInfo* japanese = AddFile(*folder, "ソフト表.txt", 1234);
    japanese->m_byMark = 1;
    japanese->SetLink("/home/user/copies/ソフト表.txt");
    japanese->m_bLinkInherited = 1;
    japanese->m_wExtFlags = kExtFlagCrc;
    japanese->m_dwExtValue = 0xDEADBEEF;
    auto props = std::make_unique<CPropertySet>(&g_officeDefinition);
    props->Values() = {"Title", "", "著者"};
    japanese->SetProps(std::move(props));
    japanese->SetData({0, 1, 2, 255, 0});

    // Names CP932 cannot hold: an accented letter, an emoji, an invalid Linux byte.
    AddFile(*folder, "caf\xC3\xA9 \xF0\x9F\x93\x80.txt", 7);
    AddFile(*folder, text::OsBytesToUtf8("bad\xFFname"), 8);

    auto* archive = AddFile(*disc, "bundle.zip", 4096);
    archive->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    archive->m_wArcType = kArcZip;
    auto parent = std::make_unique<SArcFileInfo>();
    parent->m_dwFlags |= kAttrDirectory | kFlagListedArchive | kFlagParentPlaceholder;
    parent->m_strName = "Parent";
    auto* placeholder = archive->AddChild(std::move(parent));
    auto entry = std::make_unique<SArcFileInfo>();
    entry->m_strName = "up.txt";
    entry->m_nSize = 5000000000ULL;
    entry->m_dwPackedSize = 1000;
    entry->m_strArcText = "../";
    placeholder->AddChild(std::move(entry));

    AddVolume(*root, "Second", 7);
    root->RecalcSize(true);
    return root;
}

void ExpectSameRecord(const SFileInfo& a, const SFileInfo& b, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(a.Class(), b.Class());
    EXPECT_EQ(a.m_nSize, b.m_nSize);
    EXPECT_EQ(a.m_dwFlags, b.m_dwFlags);
    EXPECT_EQ(a.m_wArcType, b.m_wArcType);
    EXPECT_EQ(a.m_ftLastAccess, b.m_ftLastAccess);
    EXPECT_EQ(a.m_ftLastWrite, b.m_ftLastWrite);
    EXPECT_EQ(a.m_ftCreation, b.m_ftCreation);
    if (a.Class() != RecordClass::Case) {
        EXPECT_EQ(a.m_strName, b.m_strName);
    }
    EXPECT_EQ(a.Comment(), b.Comment());
    EXPECT_EQ(a.Category(), b.Category());
    EXPECT_EQ(a.Link(), b.Link());
    EXPECT_EQ(a.m_byMark, b.m_byMark);
    EXPECT_EQ(a.m_bLinkInherited, b.m_bLinkInherited);
    EXPECT_EQ(a.Data(), b.Data());
    EXPECT_EQ(a.m_wExtFlags, b.m_wExtFlags);
    EXPECT_EQ(a.m_dwExtValue, b.m_dwExtValue);
    ASSERT_EQ(a.Props() != nullptr, b.Props() != nullptr);
    if (a.Props()) {
        EXPECT_EQ(a.Props()->DefinitionName(), b.Props()->DefinitionName());
        EXPECT_EQ(a.Props()->Values(), b.Props()->Values());
    }
    if (a.Class() == RecordClass::ArcFile) {
        const auto& x = static_cast<const SArcFileInfo&>(a);
        const auto& y = static_cast<const SArcFileInfo&>(b);
        EXPECT_EQ(x.m_dwPackedSize, y.m_dwPackedSize);
        EXPECT_EQ(x.m_strArcText, y.m_strArcText);
    }
    if (a.Class() == RecordClass::Volume || a.Class() == RecordClass::Group) {
        const auto& x = static_cast<const SVolumeInfo&>(a);
        const auto& y = static_cast<const SVolumeInfo&>(b);
        EXPECT_EQ(x.m_dwSerial, y.m_dwSerial);
        EXPECT_EQ(x.m_strLabel, y.m_strLabel);
        EXPECT_EQ(x.m_strOrgLabel, y.m_strOrgLabel);
        EXPECT_EQ(x.m_strVolText1, y.m_strVolText1);
        EXPECT_EQ(x.m_strVolText2, y.m_strVolText2);
        EXPECT_EQ(x.m_nTotalBytes, y.m_nTotalBytes);
        EXPECT_EQ(x.m_nFreeBytes, y.m_nFreeBytes);
        EXPECT_EQ(x.m_dwSectorsPerCluster, y.m_dwSectorsPerCluster);
        EXPECT_EQ(x.m_dwBytesPerSector, y.m_dwBytesPerSector);
    }
    ASSERT_EQ(a.ChildCount(), b.ChildCount());
    for (std::size_t i = 0; i < a.ChildCount(); ++i) {
        EXPECT_EQ(b.ChildAt(i)->GetParent(), &b);
        ExpectSameRecord(*a.ChildAt(i), *b.ChildAt(i), where + "/" + a.ChildAt(i)->m_strName);
    }
}

} // namespace

TEST(CaseRoundTrip, EveryStoredFieldSurvivesInMemory) {
    std::unique_ptr<CCDCase> root = BuildRichCase();
    MemoryStream out;
    root->Write(out);
    SetTryPassword("pass1234");
    MemoryStream in(out.Bytes());
    std::unique_ptr<CCDCase> back = CCDCase::Read(in, "/shelf/rich.cas");
    EXPECT_EQ(back->m_strPassword, "pass1234");
    ExpectSameRecord(*root, *back, "case");
    EXPECT_EQ(back->GetDisplayName(), "rich.cas");
    // The invalid byte of the Linux name is the same byte again.
    EXPECT_EQ(text::Utf8ToOsBytes(back->ChildAt(0)->ChildAt(0)->ChildAt(0)->ChildAt(2)->m_strName),
              "bad\xFFname");
}

TEST(CaseRoundTrip, PlainAndCompressedFilesReadBackTheSame) {
    ScratchDir dir;
    std::unique_ptr<CCDCase> root = BuildRichCase();
    std::string plainPath = (dir / "plain.cas").string();
    std::string gzPath = (dir / "packed.cas").string();
    SaveCaseFile(*root, plainPath, false);
    SaveCaseFile(*root, gzPath, true);
    std::string plain = ReadFileBytes(plainPath);
    std::string packed = ReadFileBytes(gzPath);
    EXPECT_EQ(plain.substr(0, 2), "\xFF\xFF");
    EXPECT_EQ(packed.substr(0, 2), "\x1F\x8B");
    for (const std::string& path : {plainPath, gzPath}) {
        bool badPassword = false;
        std::unique_ptr<CCDCase> back = ReadCaseFile(path, "pass1234", &badPassword);
        ASSERT_TRUE(back) << path;
        ExpectSameRecord(*root->ChildAt(0), *back->ChildAt(0), path);
        // The case takes the facts of its own file.
        EXPECT_EQ(back->m_nSize, path == plainPath ? plain.size() : packed.size());
        EXPECT_EQ(back->m_strName, path);
    }
    bool badPassword = false;
    EXPECT_FALSE(ReadCaseFile(gzPath, "wrong", &badPassword));
    EXPECT_TRUE(badPassword);
}

// Thousands of records, most with nothing but a name and some with every field, so that
// records of every kind span the reader's buffer: names of every length up to past 255
// bytes (a longer length field), Japanese ones, comments, categories, links, marks,
// CRCs, stored contents and property sets among plain files.
TEST(CaseRoundTrip, ManyRecordsOfEveryKindAcrossTheReadBuffer) {
    auto root = std::make_unique<CCDCase>();
    SVolumeInfo* disc = AddVolume(*root, "Many", 0x01020304);
    SFileInfo* folder = AddFile(*disc, "folder", 0);
    folder->m_dwFlags = kAttrDirectory;
    for (unsigned i = 0; i < 12000; ++i) {
        std::string name =
            i % 5 == 0 ? "写真" + std::to_string(i) : std::string(i % 300, 'a' + i % 26);
        SFileInfo* file = AddFile(i % 3 == 0 ? *folder : *disc, std::move(name), i * 4099ULL);
        if (i % 7 == 0) {
            file->SetComment("comment " + std::to_string(i));
        }
        if (i % 11 == 0) {
            file->SetCategory("category");
        }
        if (i % 13 == 0) {
            file->SetLink("/elsewhere/" + std::to_string(i));
        }
        if (i % 17 == 0) {
            file->m_byMark = 1;
        }
        if (i % 19 == 0) {
            file->m_wExtFlags = kExtFlagCrc;
            file->m_dwExtValue = 0xDEADBEEF ^ i;
        }
        if (i % 23 == 0) {
            file->SetData({1, 2, 3, static_cast<std::uint8_t>(i)});
        }
        if (i % 29 == 0) {
            auto props = std::make_unique<CPropertySet>(&g_officeDefinition);
            props->Values()[0] = "title " + std::to_string(i);
            file->SetProps(std::move(props));
        }
    }
    ScratchDir dir;
    for (bool compress : {false, true}) {
        const std::string path = (dir / (compress ? "many-gzip.cas" : "many.cas")).string();
        SaveCaseFile(*root, path, compress);
        bool badPassword = false;
        std::unique_ptr<CCDCase> back = ReadCaseFile(path, "", &badPassword);
        ASSERT_TRUE(back) << path;
        ExpectSameRecord(*root->ChildAt(0), *back->ChildAt(0), path);
    }
}

TEST(CaseRoundTrip, FailedSaveLeavesTheOldFileUntouched) {
    ScratchDir dir;
    std::string path = (dir / "shelf.cas").string();
    std::unique_ptr<CCDCase> root = BuildRichCase();
    SaveCaseFile(*root, path, false);
    std::string before = ReadFileBytes(path);

    // A write that fails halfway: the stream is abandoned and the old file stays.
    CPlainCaseFile stream;
    stream.Open(path, kOpenForSave);
    stream.Write("partial", 7);
    stream.Abort();
    EXPECT_EQ(ReadFileBytes(path), before);

    // A save into a folder that does not exist fails and names the file.
    std::string missing = (dir / "no-such-folder" / "x.cas").string();
    try {
        SaveCaseFile(*root, missing, false);
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_NE(std::string(e.what()).find("x.cas"), std::string::npos);
    }
    EXPECT_EQ(root->m_strName, path); // the case keeps the name of its last good save
    // No temporary files are left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(CaseRoundTrip, ATreeTooDeepToReadBackIsNeverWritten) {
    ScratchDir dir;
    std::string path = (dir / "shelf.cas").string();
    std::unique_ptr<CCDCase> root = BuildRichCase();
    SaveCaseFile(*root, path, false);
    const std::string before = ReadFileBytes(path);

    // Folders down to the deepest level the reader takes: written and read back.
    SFileInfo* folder = AddVolume(*root, "Deep", 7);
    folder->m_dwFlags |= kAttrDirectory;
    for (int level = 2; level < kMaxTreeDepth; ++level) {
        folder = AddFile(*folder, "d", 0);
        folder->m_dwFlags = kAttrDirectory;
    }
    AddFile(*folder, "leaf", 1);
    SaveCaseFile(*root, path, false);
    std::string error;
    std::unique_ptr<CCDCase> back = ReadCaseFile(path, "pass1234", nullptr, &error);
    ASSERT_NE(back, nullptr) << error;
    const std::string good = ReadFileBytes(path);
    EXPECT_NE(good, before);

    // One level more and the file would no longer open: the save fails, the old one stays.
    folder->ChildAt(0)->m_dwFlags = kAttrDirectory;
    AddFile(*folder->ChildAt(0), "deeper", 1);
    try {
        SaveCaseFile(*root, path, false);
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_NE(std::string(e.what()).find("nested deeper"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(path), good);
}

TEST(CaseRoundTrip, ZeroLengthAndGarbageFilesGiveErrorsNamingTheFile) {
    ScratchDir dir;
    std::string empty = dir.Write("empty.cas", "").string();
    std::string garbage = dir.Write("garbage.cas", "This is not a case file at all.\n").string();
    for (const std::string& path : {empty, garbage}) {
        std::string error;
        bool badPassword = true;
        EXPECT_FALSE(ReadCaseFile(path, "", &badPassword, &error));
        EXPECT_FALSE(badPassword);
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ReadCaseFile((dir / "missing.cas").string(), "", nullptr, &error));
    EXPECT_NE(error.find("missing.cas"), std::string::npos);
}
