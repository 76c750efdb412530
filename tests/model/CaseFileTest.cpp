// The case file format: exact bytes of the current form, every older schema's
// loader rules, and the errors a damaged file must give.
#include "model/ArchiveException.h"
#include "model/CCDCase.h"
#include "model/CaseFileException.h"
#include "model/CaseSchema.h"
#include "model/FileException.h"
#include "model/PropertyDefinitions.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "support/ByteBuilder.h"
#include "support/MemoryStream.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quillora;
using quillora::test::ByteBuilder;
using quillora::test::MemoryStream;

namespace {

std::string WriteToBytes(const CCDCase& root) {
    MemoryStream stream;
    root.Write(stream);
    return stream.Bytes();
}

std::unique_ptr<CCDCase> ReadBytes(const std::string& bytes, const std::string& tryPassword = "") {
    SetTryPassword(tryPassword);
    MemoryStream stream(bytes);
    return CCDCase::Read(stream, "/shelf/test.cas");
}

int ArchiveCause(const std::string& bytes) {
    try {
        ReadBytes(bytes);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

// A record body in the current form without children (child count follows).
ByteBuilder& CurrentBody(ByteBuilder& b, std::uint32_t flags, std::string_view name,
                         std::uint32_t childCount, std::uint64_t size = 0) {
    b.U64(size).U32(flags).U16(0).U64(0).U64(0).U64(0).Text(name);
    b.U8(2).Text("").Text("").U8(0).Text("").U8(0).U8(0).U32(0).U16(0).U32(0);
    return b.U32(childCount);
}

ByteBuilder& CurrentVolumeFields(ByteBuilder& b, std::string_view label) {
    return b.Text(label)
        .Text("")
        .U32(0x1A2B3C4D)
        .Text("CDFS")
        .U64(700)
        .U64(0)
        .Text(label)
        .U32(1)
        .U32(2048);
}

} // namespace

TEST(CaseFileFormat, EmptyCaseIsClassRecordPasswordBlockAndOneBody) {
    CCDCase root;
    std::string bytes = WriteToBytes(root);
    ByteBuilder expected;
    expected.ClassRecord(12).Raw(std::string(16, '\xFF'));
    CurrentBody(expected, 0x20000000, "\x90\x56\x82\xb5\x82\xa2\xb9\xb0\xbd", 0);
    EXPECT_EQ(bytes, expected.Bytes());
    EXPECT_EQ(bytes.size(),
              13u + 16u + 8 + 4 + 2 + 24 + 10 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 4 + 2 + 4 + 4);
}

TEST(CaseFileFormat, PasswordBlocksMatchKnownVectorsAndReadBack) {
    struct Vector {
        std::string password;
        std::string block;
    } vectors[] = {
        {"", std::string(16, '\xFF')},
        {"abc", "\xFF\xFF\xFF\xFF\xFF\xE7\xFC\xFF\xFF\xEF\xFC\xFF\xFF\xF7\xFC\xFF"},
        {"0123456789ABCDEF", "\xCD\x65\x46\xEE\xD5\x6D\x4E\xF6\xDE\x75\x56\x36\xE6\x7D\x5E\x3E"},
    };
    for (const Vector& v : vectors) {
        CCDCase root;
        root.m_strPassword = v.password;
        std::string bytes = WriteToBytes(root);
        EXPECT_EQ(bytes.substr(13, 16), v.block) << v.password;
        std::unique_ptr<CCDCase> back = ReadBytes(bytes, v.password);
        EXPECT_EQ(back->m_strPassword, v.password);
    }
    // A 16-byte password carries no terminating zero and still reads back whole.
    std::array<std::uint8_t, 16> block = EncodePasswordBlock("0123456789ABCDEF");
    EXPECT_EQ(DecodePasswordBlock(block), "0123456789ABCDEF");
}

TEST(CaseFileFormat, WrongOrMissingPasswordIsRejectedBeforeAnyRecord) {
    CCDCase root;
    root.m_strPassword = "secret";
    std::string bytes = WriteToBytes(root);
    for (const char* attempt : {"", "Secret", "secret1"}) {
        try {
            ReadBytes(bytes, attempt);
            FAIL() << "opened with " << attempt;
        } catch (const CCaseFileException& e) {
            EXPECT_EQ(e.m_cause, CCaseFileException::kBadPassword);
            EXPECT_EQ(e.m_lOsError, -1);
            // The reader leaves the stored password as the try-password.
            EXPECT_EQ(TryPassword(), "secret");
        }
    }
    EXPECT_NO_THROW(ReadBytes(bytes, "secret"));
    // A block cut short is a damaged file, never a password question.
    EXPECT_THROW(ReadBytes(bytes.substr(0, 20), "secret"), CArchiveException);
}

TEST(CaseFileFormat, TextLengthPrefixesAndWideForm) {
    CCDCase root;
    auto* file =
        root.AddChild(std::make_unique<SVolumeInfo>())->AddChild(std::make_unique<SFileInfo>());
    file->m_strName = std::string(255, 'n');
    file->SetComment(std::string(254, 'c'));
    file->SetCategory("caf\xC3\xA9"); // "café": é is not in CP932
    std::string bytes = WriteToBytes(root);
    std::string name255 = std::string("\xFF\xFF\x00", 3) + std::string(255, 'n');
    EXPECT_NE(bytes.find(name255), std::string::npos);
    std::string comment254 = "\xFE" + std::string(254, 'c');
    EXPECT_NE(bytes.find(comment254), std::string::npos);
    std::string wide("\xFF\xFE\xFF\x04"
                     "c\0a\0f\0\xE9\0",
                     12);
    EXPECT_NE(bytes.find(wide), std::string::npos);

    std::unique_ptr<CCDCase> back = ReadBytes(bytes);
    const SFileInfo* readFile = back->ChildAt(0)->ChildAt(0);
    EXPECT_EQ(readFile->m_strName, file->m_strName);
    EXPECT_EQ(readFile->Comment(), file->Comment());
    EXPECT_EQ(readFile->Category(), "caf\xC3\xA9");
}

TEST(CaseFileFormat, Schema11OpensWithoutPasswordAndSavesAsSchema12) {
    ByteBuilder b;
    b.ClassRecord(11);
    CurrentBody(b, 0x20000000, "old", 2);
    b.U32(0x00200010);
    CurrentBody(b, 0x00200000, "Group", 0); // the directory bit is added on load
    CurrentVolumeFields(b, "Group");
    b.U32(0x11000010);
    CurrentBody(b, 0x11000010, "D:Disc", 0);
    CurrentVolumeFields(b, "Disc");
    std::unique_ptr<CCDCase> root = ReadBytes(b.Bytes(), "whatever");
    EXPECT_EQ(root->m_nLoadedSchema, 11);
    EXPECT_TRUE(root->m_strPassword.empty());
    ASSERT_EQ(root->ChildCount(), 2u);
    EXPECT_EQ(root->ChildAt(0)->Class(), RecordClass::Group);
    EXPECT_EQ(root->ChildAt(0)->m_dwFlags, 0x00200010u);
    EXPECT_EQ(root->ChildAt(1)->Class(), RecordClass::Volume);
    EXPECT_EQ(root->ChildAt(1)->m_strName, "Disc"); // "D:" dropped
    std::string again = WriteToBytes(*root);
    EXPECT_EQ(again.substr(0, 4), std::string("\xFF\xFF\x0C\x00", 4));
    EXPECT_EQ(again.substr(13, 16), std::string(16, '\xFF'));
}

TEST(CaseFileFormat, MediumNamesWithDriveLettersLoseThemFromSchema6) {
    auto schema6 = [](std::string_view mediumName) {
        ByteBuilder b;
        b.ClassRecord(6);
        auto body = [&b](std::uint32_t flags, std::string_view name, std::uint32_t children) {
            b.U64(0).U32(flags).U64(0).U64(0).U64(0).Text(name).Text("").Text("").U8(0).U8(0).U32(
                0);
            b.U32(children);
        };
        body(0x20000000, "case", 1);
        body(0x11000010, mediumName, 0);
        b.Text("Label").Text("").U32(7).Text("CDFS").F64(1000.0).F64(10.0).Text("Org");
        return b.Bytes();
    };
    EXPECT_EQ(ReadBytes(schema6("D:Label"))->ChildAt(0)->m_strName, "Label");
    EXPECT_EQ(ReadBytes(schema6(":whole"))->ChildAt(0)->m_strName, ":whole");
    std::unique_ptr<CCDCase> root = ReadBytes(schema6("x"));
    auto* volume = static_cast<SVolumeInfo*>(root->ChildAt(0));
    EXPECT_EQ(volume->m_nTotalBytes, 1000u);
    EXPECT_EQ(volume->m_strOrgLabel, "Org");

    // A folder medium whose Linux path holds ":" keeps its whole name through a save.
    for (const char* name : {"backup:2024", "a:b:c", ":lead", "plain"}) {
        CCDCase saved;
        saved.AddChild(std::make_unique<SVolumeInfo>())->m_strName = name;
        std::unique_ptr<CCDCase> back = ReadBytes(WriteToBytes(saved));
        EXPECT_EQ(back->ChildAt(0)->m_strName, name);
        back->m_strName = saved.m_strName;
        EXPECT_EQ(WriteToBytes(*back), WriteToBytes(saved)) << name;
    }
}

TEST(CaseFileFormat, EarlySchemasApplyNameRuleAndOldFlagWord) {
    // Schema 2: no flag words before children; names cut to their last component,
    // the medium's name dropped, archive type from bits 16-23, sizes recomputed.
    ByteBuilder b;
    b.ClassRecord(2);
    b.Schema2Body(0, 0x20000000, "C:\\cases\\old.cas", 1);
    b.Schema2Body(0, 0x10000010, "E:\\", 2);
    b.Schema2Body(5, 0x00000020, "E:\\dir\\a.txt", 0);
    b.Schema2Body(9, 0x40040020, "E:\\b.tar", 1); // listed archive, type TAR
    b.Schema2Body(9, 0x80000020, "inner.txt", 0);
    b.U32(4); // packed size of inner.txt
    b.Text("Disc").Text("").U32(0xCAFEBABE).Text("CDFS").F64(4294967296.0 + 7).F64(3.0);
    std::unique_ptr<CCDCase> root = ReadBytes(b.Bytes());
    auto* volume = static_cast<SVolumeInfo*>(root->ChildAt(0));
    EXPECT_EQ(volume->m_strName, "");
    EXPECT_EQ(volume->m_strLabel, "Disc");
    EXPECT_EQ(volume->m_nTotalBytes, 7u); // only the low 32 bits of the old double
    EXPECT_TRUE(volume->m_strOrgLabel.empty());
    EXPECT_EQ(volume->ChildAt(0)->m_strName, "a.txt");
    EXPECT_EQ(volume->ChildAt(0)->m_byMark, 1); // low byte of the u32 mark
    const SFileInfo* archive = volume->ChildAt(1);
    EXPECT_EQ(archive->m_wArcType, kArcTar);
    EXPECT_EQ(archive->m_dwFlags, 0x40000020u);
    ASSERT_EQ(archive->ChildCount(), 1u);
    EXPECT_EQ(archive->ChildAt(0)->Class(), RecordClass::ArcFile);
    EXPECT_EQ(static_cast<const SArcFileInfo*>(archive->ChildAt(0))->m_dwPackedSize, 4u);
    EXPECT_EQ(volume->m_nSize, 14u); // recomputed from the children
    EXPECT_EQ(root->ChildAt(0)->Comment(), "note");
}

TEST(CaseFileFormat, Schema1VolumeKeepsLabelAsOriginalAndUnknownSizes) {
    ByteBuilder b;
    b.ClassRecord(1);
    auto body = [&b](std::string_view name, std::uint32_t children) {
        b.U16(0).U16(0).U32(0).U32(0x10).U64(0).U64(0).U64(0).Text(name).Text("").U32(0).U32(
            children);
    };
    body("case", 1);
    body("A:\\", 0);
    b.Text("Floppy");
    std::unique_ptr<CCDCase> root = ReadBytes(b.Bytes());
    auto* volume = static_cast<SVolumeInfo*>(root->ChildAt(0));
    EXPECT_EQ(volume->m_strOrgLabel, "Floppy");
    EXPECT_EQ(volume->m_nTotalBytes, kUnknownSize);
    EXPECT_EQ(volume->m_dwSerial, 0u);
}

TEST(CaseFileFormat, Schema8And10TextsPropertiesAndArchiveType) {
    CPropertyDefinitionRegistry strict(false);
    CPropertyDefinition known{"MS-Office", {1, 2}};
    strict.Add(known);
    SetPropertyDefinitions(&strict);
    ByteBuilder b;
    b.ClassRecord(10);
    auto body = [&b](std::uint32_t flags, std::string_view name, std::uint32_t texts,
                     std::string_view definition, std::uint32_t children) {
        b.U64(0).U32(flags).U32(0x10002).U64(0).U64(0).U64(0).Text(name);
        b.U32(texts).Text("comment");
        for (std::uint32_t i = 1; i < texts; ++i) {
            b.Text("cat" + std::to_string(i));
        }
        if (definition.empty()) {
            b.U32(0);
        } else {
            b.U32(2).Text(definition).Text("v1").Text("v2");
        }
        b.Text("link").U8(1).U8(0).U32(3).Raw("abc").U32(children);
    };
    body(0x20000000, "case", 0, "", 1);
    body(0x10000010, "Disc", 1, "", 2);
    body(0x20, "known.doc", 3, "MS-Office", 0);
    body(0x20, "gone.pdf", 2, "NoSuchReader", 0);
    CurrentVolumeFields(b, "Disc");
    std::unique_ptr<CCDCase> root = ReadBytes(b.Bytes());
    SetPropertyDefinitions(nullptr);
    const SFileInfo* knownFile = root->ChildAt(0)->ChildAt(0);
    EXPECT_EQ(knownFile->m_wArcType, 2);      // low 16 bits of the u32
    EXPECT_EQ(knownFile->Category(), "cat2"); // the last of the texts stays
    ASSERT_NE(knownFile->Props(), nullptr);
    EXPECT_EQ(knownFile->Props()->Values()[1], "v2");
    EXPECT_EQ(knownFile->Data().size(), 3u);
    // The unknown definition's set is dropped and the next bytes still read in step.
    const SFileInfo* goneFile = root->ChildAt(0)->ChildAt(1);
    EXPECT_EQ(goneFile->Props(), nullptr);
    EXPECT_EQ(goneFile->Link(), "link");
    EXPECT_EQ(static_cast<SVolumeInfo*>(root->ChildAt(0))->m_dwBytesPerSector, 2048u);
}

TEST(CaseFileFormat, UnknownDefinitionsSurviveWhenNoExtractorIsInstalled) {
    CCDCase root;
    auto* file =
        root.AddChild(std::make_unique<SVolumeInfo>())->AddChild(std::make_unique<SFileInfo>());
    CPropertyDefinition definition{"PDF", {1, 2, 3}};
    auto props = std::make_unique<CPropertySet>(&definition);
    props->Values() = {"Title", "", "Author"};
    file->SetProps(std::move(props));
    std::unique_ptr<CCDCase> back = ReadBytes(WriteToBytes(root));
    const CPropertySet* read = back->ChildAt(0)->ChildAt(0)->Props();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->DefinitionName(), "PDF");
    ASSERT_GE(read->Values().size(), 3u);
    EXPECT_EQ(read->Values()[2], "Author");
    // Written back, the set holds its three values again.
    back->m_strName = root.m_strName;
    EXPECT_EQ(WriteToBytes(*back), WriteToBytes(root));
}

TEST(CaseFileFormat, EndOfFileAtClusterFieldsIsAccepted) {
    ByteBuilder b;
    b.ClassRecord(12).Raw(std::string(16, '\xFF'));
    CurrentBody(b, 0x20000000, "c", 1);
    b.U32(0x10000010);
    CurrentBody(b, 0x10000010, "", 0);
    b.Text("L").Text("").U32(5).Text("").U64(1).U64(1).Text("L");
    std::unique_ptr<CCDCase> root = ReadBytes(b.Bytes());
    auto* volume = static_cast<SVolumeInfo*>(root->ChildAt(0));
    EXPECT_EQ(volume->m_dwSectorsPerCluster, 0u);
    EXPECT_EQ(volume->m_dwBytesPerSector, 0u);
    EXPECT_EQ(volume->m_dwSerial, 5u);
}

TEST(CaseFileFormat, ForeignClassUnknownSchemaAndShortFilesAreRejected) {
    ByteBuilder other;
    other.ClassRecord(12, "CMyDoc").Raw(std::string(16, '\xFF'));
    CurrentBody(other, 0x20000000, "c", 0);
    EXPECT_EQ(ArchiveCause(other.Bytes()), CArchiveException::badClass);

    for (std::uint16_t schema : {3, 13, 200}) {
        ByteBuilder b;
        b.ClassRecord(schema);
        CurrentBody(b, 0x20000000, "c", 0);
        EXPECT_EQ(ArchiveCause(b.Bytes()), CArchiveException::badSchema) << schema;
    }
    EXPECT_EQ(ArchiveCause(std::string("\xFF\xFF\x0C", 3)), CArchiveException::endOfFile);
    EXPECT_EQ(ArchiveCause(""), CArchiveException::endOfFile);
}

TEST(CaseFileFormat, EveryTruncationFailsCleanly) {
    CCDCase root;
    auto* volume = static_cast<SVolumeInfo*>(root.AddChild(std::make_unique<SVolumeInfo>()));
    volume->m_strLabel = "Disc";
    auto* folder = volume->AddChild(std::make_unique<SFileInfo>());
    folder->m_dwFlags = kAttrDirectory;
    folder->m_strName = "dir";
    auto* file = folder->AddChild(std::make_unique<SFileInfo>());
    file->m_strName = "ソフト表.txt";
    file->SetComment("memo");
    file->SetData({1, 2, 3});
    std::string bytes = WriteToBytes(root);
    // The last 8 bytes are the cluster fields, which may be missing all together;
    // a file cut anywhere else, also inside those 8 bytes, is damaged.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        if (n == bytes.size() - 8) {
            EXPECT_NO_THROW(ReadBytes(bytes.substr(0, n)));
            continue;
        }
        EXPECT_THROW(ReadBytes(bytes.substr(0, n)), std::exception) << "length " << n;
    }
}

TEST(CaseFileFormat, HugeCountsAndDeepNestingEndInErrorsNotAllocations) {
    ByteBuilder hugeChildren;
    hugeChildren.ClassRecord(12).Raw(std::string(16, '\xFF'));
    CurrentBody(hugeChildren, 0x20000000, "c", 0xFFFFFFFF);
    EXPECT_EQ(ArchiveCause(hugeChildren.Bytes()), CArchiveException::badSchema);

    ByteBuilder hugeText;
    hugeText.ClassRecord(12).Raw(std::string(16, '\xFF'));
    hugeText.U64(0).U32(0x20000000).U16(0).U64(0).U64(0).U64(0);
    hugeText.U8(0xFF).U16(0xFFFF).U32(0xFFFFFFF0); // a 4 GiB name with no bytes behind it
    EXPECT_EQ(ArchiveCause(hugeText.Bytes()), CArchiveException::badSchema);

    ByteBuilder hugeData;
    hugeData.ClassRecord(12).Raw(std::string(16, '\xFF'));
    hugeData.U64(0).U32(0x20000000).U16(0).U64(0).U64(0).U64(0).Text("c");
    hugeData.U8(2).Text("").Text("").U8(0).Text("").U8(0).U8(0).U32(0xFFFFFFFF);
    EXPECT_EQ(ArchiveCause(hugeData.Bytes()), CArchiveException::badSchema);

    // A well-formed file nested deeper than any scan produces is refused; one just
    // inside the limit loads.
    auto nested = [](int levels) {
        ByteBuilder deep;
        deep.ClassRecord(12).Raw(std::string(16, '\xFF'));
        CurrentBody(deep, 0x20000000, "c", 1);
        for (int i = 0; i < levels; ++i) {
            deep.U32(0x10);
            CurrentBody(deep, 0x10, "d", i + 1 < levels ? 1 : 0);
        }
        return deep.Bytes();
    };
    EXPECT_EQ(ArchiveCause(nested(kMaxTreeDepth + 10)), CArchiveException::badSchema);
    EXPECT_NO_THROW(ReadBytes(nested(kMaxTreeDepth - 10)));
}

TEST(CaseFileFormat, ClassBitsFollowTheRecordClassSoSavedFilesReadBack) {
    // A medium of an old file without the medium bit, and a current file whose flag
    // word says "medium" while the body's flags say "file": both must save to a file
    // that reads back into the same tree.
    ByteBuilder old;
    old.ClassRecord(5);
    auto body = [&old](std::uint32_t flags, std::string_view name, std::uint32_t children) {
        old.U16(0).U32(0).U32(flags).U64(0).U64(0).U64(0).Text(name).Text("").Text("").U8(0).U8(0);
        old.U32(children);
    };
    body(0x20000000, "case", 1);
    body(0x10, "A:\\", 0);
    old.Text("L").Text("").U32(1).Text("FAT").F64(1.0).F64(1.0).Text("L");

    ByteBuilder mixed;
    mixed.ClassRecord(12).Raw(std::string(16, '\xFF'));
    CurrentBody(mixed, 0x20000000, "c", 1);
    mixed.U32(0x10000010);
    CurrentBody(mixed, 0x00000010, "x", 0);
    CurrentVolumeFields(mixed, "X");

    for (const std::string& bytes : {old.Bytes(), mixed.Bytes()}) {
        std::unique_ptr<CCDCase> root = ReadBytes(bytes);
        ASSERT_EQ(root->ChildAt(0)->Class(), RecordClass::Volume);
        EXPECT_TRUE(root->ChildAt(0)->HasFlags(kFlagMedium));
        std::string saved = WriteToBytes(*root);
        std::unique_ptr<CCDCase> back = ReadBytes(saved);
        EXPECT_EQ(back->ChildAt(0)->Class(), RecordClass::Volume);
        EXPECT_EQ(WriteToBytes(*back), saved);
    }
}

TEST(CaseFileFormat, PasswordsAreStoredWholeOrRefusedAndCompareByTheirBytes) {
    // Non-ASCII passwords CP932 holds in 16 bytes or fewer store and read back whole.
    for (const char* password : {"パスワード日本", "ﾊﾟｽﾜｰﾄﾞﾊﾟｽﾜｰﾄﾞ12", "0123456789ABCDEF"}) {
        CCDCase root;
        root.m_strPassword = password;
        std::string bytes = WriteToBytes(root);
        EXPECT_EQ(ReadBytes(bytes, password)->m_strPassword, password);
    }
    // Longer than 16 bytes, or with a character CP932 lacks: refused, never stored cut.
    EXPECT_EQ(PasswordBytes("abcdefghijklmnoあ"), EPasswordProblem::TooLong);
    EXPECT_EQ(PasswordBytes("パスワード日本語です"), EPasswordProblem::TooLong);
    EXPECT_EQ(PasswordBytes("café"), EPasswordProblem::NotCp932);
    std::string cp932;
    EXPECT_EQ(PasswordBytes("ﾊﾟｽ", &cp932), EPasswordProblem::None);
    EXPECT_EQ(cp932, "\xCA\xDF\xBD");
    for (const char* password : {"abcdefghijklmnoあ", "café"}) {
        CCDCase root;
        root.m_strPassword = password;
        MemoryStream stream;
        EXPECT_THROW(root.Write(stream), CFileException) << password;
    }

    // The try-password must equal the stored bytes: the full-width form of a
    // half-width password, or a text CP932 cannot hold, does not open the case.
    CCDCase root;
    root.m_strPassword = "ﾊﾟｽﾜｰﾄﾞ";
    std::string bytes = WriteToBytes(root);
    EXPECT_THROW(ReadBytes(bytes, "パスワード"), CCaseFileException);
    EXPECT_THROW(ReadBytes(bytes, "ﾊﾟｽﾜｰﾄﾞé"), CCaseFileException);
    EXPECT_NO_THROW(ReadBytes(bytes, "ﾊﾟｽﾜｰﾄﾞ"));
}

TEST(CaseFileFormat, OldSizeDoublesFromDamagedFilesAreClamped) {
    // Schema 4 keeps capacity and free bytes as doubles; any bits may be there.
    struct Case {
        double stored;
        std::uint64_t expected;
    } cases[] = {
        {std::numeric_limits<double>::quiet_NaN(), kUnknownSize},
        {-5.0, 0},
        {-std::numeric_limits<double>::infinity(), 0},
        {1e300, 0xFFFFFFFFu},
        {std::numeric_limits<double>::infinity(), 0xFFFFFFFFu},
        {650.0 * 1024 * 1024 + 0.75, 650u * 1024 * 1024},
    };
    for (const Case& c : cases) {
        ByteBuilder b;
        b.ClassRecord(4);
        auto body = [&b](std::uint32_t flags, std::string_view name, std::uint32_t children) {
            b.U16(0).U16(0).U32(0).U32(flags).U64(0).U64(0).U64(0).Text(name).Text("");
            b.Text("").U32(0).U32(0).U32(children);
        };
        body(0x20000000, "case", 1);
        body(0x10000010, "E:\\", 0);
        b.Text("Disc").Text("").U32(1).Text("CDFS").F64(c.stored).F64(c.stored).Text("DISC");
        std::unique_ptr<CCDCase> root = ReadBytes(b.Bytes());
        auto* volume = static_cast<SVolumeInfo*>(root->ChildAt(0));
        EXPECT_EQ(volume->m_nTotalBytes, c.expected) << c.stored;
        EXPECT_EQ(volume->m_nFreeBytes, c.expected) << c.stored;
    }
}

TEST(CaseFileFormat, StoredContentsOverOneGibibyteAreRefusedBeforeAnyAllocation) {
    auto withData = [](std::uint32_t declared, std::string_view data) {
        ByteBuilder b;
        b.ClassRecord(12).Raw(std::string(16, '\xFF'));
        CurrentBody(b, 0x20000000, "c", 1);
        b.U32(0x00000020);
        b.U64(0).U32(0x20).U16(0).U64(0).U64(0).U64(0).Text("big.bin");
        b.U8(2).Text("").Text("").U8(0).Text("").U8(0).U8(0).U32(declared).Raw(data);
        b.U16(0).U32(0).U32(0);
        return b.Bytes();
    };
    EXPECT_NO_THROW(ReadBytes(withData(3, "abc")));
    try {
        ReadBytes(withData(kMaxStoredContents + 1, "abc"));
        FAIL() << "a record over the cap was read";
    } catch (const CArchiveException& e) {
        EXPECT_NE(std::string(e.what()).find("1 GiB"), std::string::npos) << e.what();
    }
    // At the cap itself the reader waits for the bytes, which are not there.
    EXPECT_THROW(ReadBytes(withData(kMaxStoredContents, "abc")), CArchiveException);
}

TEST(CaseFileFormat, GroupsHaveNoLocation) {
    CCDCase root;
    auto* group = static_cast<SGroupInfo*>(root.AddChild(std::make_unique<SGroupInfo>()));
    group->SetLabel("Photos");
    EXPECT_EQ(group->m_strName, "Photos");
    EXPECT_EQ(group->m_strOrgLabel, "Photos");
    EXPECT_EQ(group->m_strLocation, "");
    group->RecomputeLocation();
    EXPECT_EQ(group->GetName(), "");
    std::unique_ptr<CCDCase> back = ReadBytes(WriteToBytes(root));
    auto* read = static_cast<SGroupInfo*>(back->ChildAt(0));
    EXPECT_EQ(read->m_strLabel, "Photos");
    EXPECT_EQ(read->m_strLocation, "");
}
