// The CSV writer and the item values every format shares: fields, separators, quoting,
// titles, names, relative names, comments, dates, the sorted walk, depth limits, targets,
// and the file written in place of the old one only when it is complete.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

#include "export/CExportJob.h"
#include "model/FileException.h"
#include "support/OrdinaryUser.h"
#include "support/ScratchDir.h"

#include <filesystem>
#include <sys/stat.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CsvExportTest : public ::testing::Test {
protected:
    CExportTestEnvironment m_env;
    SSampleCase m_case;
    CFormCondition m_preset{EFormFormat::Csv};

    void Items(std::initializer_list<int> types) { m_preset.Visible = MakeFormItems(types); }
    std::string Row(const SFileInfo& entry) { return MakeExporter(m_preset)->ItemLine(entry); }
};

TEST_F(CsvExportTest, WholeCaseWithTheDefaultPresetSortsFoldersFirstAndWritesEveryRecord) {
    const std::string expected =
        "\"ﾌｫﾙﾀﾞ名\",\"名前\",\"拡張子\",\"ｻｲｽﾞ\",\"分類\",\"ｺﾒﾝﾄ\",\"更新日付\",\"作成日付\","
        "\"最終ｱｸｾｽ日付\",\"親ﾌｫﾙﾀﾞ名\"\r\n"
        "\"/cases/\",\"shelf.cas\",\".cas\",0,,,\"（不明）\",\"（不明）\",\"（不明）\",\r\n"
        ",,,1234577,,,\"（不明）\",\"（不明）\",\"（不明）\",\"/cases/shelf.cas\"\r\n"
        "\"/\",\"DIR\",,10,,,\"2002/03/04 05:07:47\",\"2002/03/04 04:07:47\","
        "\"2002/03/04 05:08:47\",\r\n"
        "\"/DIR/\",\"b.txt\",\".txt\",10,\"text\",\"line1 line2\",\"2002/03/04 05:09:27\","
        "\"2002/03/04 04:09:27\",\"2002/03/04 05:10:27\",\"DIR\"\r\n"
        "\"/\",\"a.txt\",\".txt\",1234567,,,\"2002/03/04 05:06:07\",\"2002/03/04 04:06:07\","
        "\"2002/03/04 05:07:07\",\r\n"
        // A group stands for no place on any drive: no folder.
        ",\"G\",,5,,,\"（不明）\",\"（不明）\",\"（不明）\",\"/cases/shelf.cas\"\r\n"
        ",,,5,,,\"（不明）\",\"（不明）\",\"（不明）\",\"G\"\r\n"
        "\"/\",\"z.txt\",\".txt\",5,,,\"2002/03/04 05:11:07\",\"2002/03/04 04:11:07\","
        "\"2002/03/04 05:12:07\",\r\n";
    SExportResult result;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.root, &result), Cp932(expected));
    EXPECT_EQ(result.m_nLines, 8u);
    EXPECT_EQ(result.m_nReplaced, 0u);
}

TEST_F(CsvExportTest, FieldsSeparatorsQuotesAndLineEnds) {
    Items({1, 13, 5});
    m_case.b->SetCategory("");
    m_preset.StrDQoute = 0;
    EXPECT_EQ(Row(*m_case.b), "CD1,,b.txt");
    m_preset.StrDQoute = 1;
    EXPECT_EQ(Row(*m_case.b), "\"CD1\",,\"b.txt\"");
    m_preset.ItemSep = 2;
    EXPECT_EQ(Row(*m_case.b), "\"CD1\"\t\t\"b.txt\"");
    m_preset.ItemSep = 3;
    EXPECT_EQ(Row(*m_case.b), "\"CD1\"  \"b.txt\"");
    m_preset.ItemSep = 9;
    EXPECT_EQ(Row(*m_case.b), "\"CD1\"\"b.txt\"");
    // Quotes inside a quoted text are doubled; sizes and CRCs never get quotes.
    m_preset.ItemSep = 1;
    m_case.b->m_strName = "say \"hi\".txt";
    Items({5, 7, 26});
    EXPECT_EQ(Row(*m_case.b), "\"say \"\"hi\"\".txt\",10,");
    m_preset.StrDQoute = 0;
    EXPECT_EQ(Row(*m_case.b), "say \"hi\".txt,10,");
    m_preset.StrDQoute = 1;
    EXPECT_EQ(Row(*m_case.a), "\"a.txt\",1234567,DEADBEEF");
    // The title row quotes every title, the size title included.
    EXPECT_EQ(MakeExporter(m_preset)->TitleLine(), "\"名前\",\"ｻｲｽﾞ\",\"CRC\"");
    m_preset.PutTitle = 0;
    EXPECT_EQ(MakeExporter(m_preset)->TitleLine(), "");
    const char* ends[] = {"", "\r\n", "\n", "\r", ""};
    for (int rcode = 0; rcode <= 4; ++rcode) {
        m_preset.RCode = rcode;
        EXPECT_EQ(ExportBytes(m_preset, *m_case.a),
                  "\"a.txt\",1234567,DEADBEEF" + std::string(ends[rcode]))
            << rcode;
    }
}

TEST_F(CsvExportTest, NamesWithLabelFolderAndSeparatorConversion) {
    m_preset.StrDQoute = 0;
    Items({3});
    // A local medium's folders are Linux folders, "/" separated; absent, they count
    // from "/".
    EXPECT_EQ(Row(*m_case.b), "(CD1)/DIR/b.txt");
    m_preset.LabelSep = 0;
    EXPECT_EQ(Row(*m_case.b), "CD1/DIR/b.txt");
    m_preset.LabelSep = 2;
    EXPECT_EQ(Row(*m_case.b), "<CD1>/DIR/b.txt");
    m_preset.LabelSep = 3;
    m_preset.FolderSep = 1;
    EXPECT_EQ(Row(*m_case.b), "[CD1]/DIR/b.txt");
    Items({4, 2});
    EXPECT_EQ(Row(*m_case.b), "/DIR/b.txt,/DIR/");
    m_preset.FolderSep = 2;
    m_case.root->m_strName = "/cases/x.cas";
    EXPECT_EQ(Row(*m_case.root), "\\cases\\x.cas,\\cases\\");
    EXPECT_EQ(Row(*m_case.group), "G,") << "a group has no location";
    // A mounted medium's files carry its mount point in their folder, one path with one
    // separator; FolderSep 2 then writes it with "\\".
    m_case.cd1->m_strRoot = "/media/me/CD1";
    m_case.cd1->RecomputeLocation();
    m_preset.FolderSep = 0;
    EXPECT_EQ(Row(*m_case.b), "/media/me/CD1/DIR/b.txt,/media/me/CD1/DIR/");
    m_preset.FolderSep = 2;
    EXPECT_EQ(Row(*m_case.b), "\\media\\me\\CD1\\DIR\\b.txt,\\media\\me\\CD1\\DIR\\");
    // A folder registered as a medium: the folders the user knows, from its mount
    // point, present or not.
    m_case.cd1->m_strName = "home\\me\\discs\\Docs";
    m_case.cd1->m_strRoot = "/";
    m_case.cd1->RecomputeLocation();
    m_preset.FolderSep = 0;
    EXPECT_EQ(Row(*m_case.b), "/home/me/discs/Docs/DIR/b.txt,/home/me/discs/Docs/DIR/");
    EXPECT_EQ(Row(*m_case.cd1), "/home/me/discs/Docs,/home/me/discs/");
    m_case.cd1->m_strRoot.clear();
    m_case.cd1->RecomputeLocation();
    EXPECT_EQ(Row(*m_case.b), "/home/me/discs/Docs/DIR/b.txt,/home/me/discs/Docs/DIR/");
    m_case.cd1->m_strRoot = "/home";
    m_case.cd1->m_strName = "me\\discs\\Docs";
    m_case.cd1->RecomputeLocation();
    EXPECT_EQ(Row(*m_case.b), "/home/me/discs/Docs/DIR/b.txt,/home/me/discs/Docs/DIR/");
    // A network medium keeps its network path.
    m_case.cd1->m_dwFlags |= kFlagRemote;
    m_case.cd1->m_strName = "\\\\SERVER\\share";
    m_case.cd1->m_strRoot.clear();
    m_case.cd1->RecomputeLocation();
    EXPECT_EQ(Row(*m_case.b), "\\\\SERVER\\share\\DIR\\b.txt,\\\\SERVER\\share\\DIR\\");
    m_case.cd1->m_dwFlags &= ~kFlagRemote;
    m_case.cd1->m_strName.clear();
    m_case.cd1->m_strRoot = "/media/me/CD1";
    m_case.cd1->RecomputeLocation();
    // Display names when asked (the extension always comes from the display name).
    m_case.b->m_strName = "B.TXT";
    {
        CScopedModelSettings explorer(0);
        m_case.b->UpdateDisplayName();
        m_preset.OrgName = 0;
        Items({5, 6, 12});
        EXPECT_EQ(Row(*m_case.b), "B.txt,.txt,DIR");
        m_preset.OrgName = 1;
        EXPECT_EQ(Row(*m_case.b), "B.TXT,.txt,DIR");
    }
}

TEST_F(CsvExportTest, FolderSeparatorConversionLeavesDoubleByteCharactersWhole) {
    // 表 is 0x95 0x5C in CP932: its trail byte is a backslash.
    m_case.b->m_strName = "表.txt";
    m_preset.StrDQoute = 0;
    m_preset.PutTitle = 0;
    m_preset.FolderSep = 1;
    Items({4});
    EXPECT_EQ(ExportBytes(m_preset, *m_case.b), "/DIR/\x95\x5C.txt\r\n");
}

TEST_F(CsvExportTest, RelativeNamesFromTheMediumRoot) {
    m_preset.StrDQoute = 0;
    Items({25});
    EXPECT_EQ(Row(*m_case.b), "./DIR/b.txt");
    EXPECT_EQ(Row(*m_case.a), "./a.txt");
    m_preset.RelRootSpec = 1;
    m_preset.RelRoot = "C:\\list";
    EXPECT_EQ(Row(*m_case.b), "C:/list/DIR/b.txt");
    m_preset.RelRoot = "top/";
    EXPECT_EQ(Row(*m_case.b), "top/DIR/b.txt");
    m_preset.RelRoot = "";
    EXPECT_EQ(Row(*m_case.b), "DIR/b.txt");
    // The medium itself and records outside a medium give their own name.
    m_case.cd1->m_strName = "sub\\dir";
    EXPECT_EQ(Row(*m_case.cd1), "sub\\dir");
    EXPECT_EQ(Row(*m_case.group), "G");
}

TEST_F(CsvExportTest, CommentsOnOneLineOrWithTheirBreaksReplaced) {
    m_preset.StrDQoute = 0;
    Items({11});
    m_case.b->SetComment("a\r\nb\nc\rd");
    EXPECT_EQ(Row(*m_case.b), "a b cd");
    m_preset.ConvCommentRCode = 1;
    EXPECT_EQ(Row(*m_case.b), "a^nb^nc^nd");
    m_preset.CommentRCode = "<br>";
    EXPECT_EQ(Row(*m_case.b), "a<br>b<br>c<br>d");
}

TEST_F(CsvExportTest, DatesUnknownAndPropertiesAbsent) {
    m_preset.StrDQoute = 0;
    Items({8, 9, 10, 14, 24});
    m_case.b->m_ftLastWrite = 0;
    m_case.b->m_ftCreation = 0x8000000000000000ULL;
    m_case.b->m_ftLastAccess = FileTimeFromUnix(-86400); // 1969/12/31
    EXPECT_EQ(Row(*m_case.b), "（不明）,（不明）,1969/12/31 00:00:00,,");
    CPropertyDefinition definition{"Improt", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false};
    auto props = std::make_unique<CPropertySet>(&definition);
    props->Values()[0] = "Title";
    props->Values()[10] = "2001/01/01";
    m_case.b->SetProps(std::move(props));
    EXPECT_EQ(Row(*m_case.b), "（不明）,（不明）,1969/12/31 00:00:00,Title,2001/01/01");
    m_case.b->SetProps(nullptr);
}

TEST_F(CsvExportTest, DepthLimitsAndTargets) {
    m_preset.StrDQoute = 0;
    m_preset.PutTitle = 0;
    Items({5});
    m_preset.SpecSubLayer = 1;
    // A whole-disc medium has no original name: its row is empty and not written.
    m_preset.SubLayer = 0;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.dir), "DIR\r\n");
    EXPECT_EQ(ExportBytes(m_preset, *m_case.cd1), "");
    m_preset.SubLayer = 1;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.cd1), "DIR\r\na.txt\r\n");
    m_preset.SpecSubLayer = 0;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.cd1), "DIR\r\nb.txt\r\na.txt\r\n");
    m_preset.Target = kTargetFiles;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.cd1), "b.txt\r\na.txt\r\n");
    m_preset.Target = kTargetFolders;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.root), "shelf.cas\r\nDIR\r\nG\r\n");
    // An empty item list writes no line at all.
    m_preset.Target = kTargetAll;
    m_preset.Visible.clear();
    SExportResult result;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.root, &result), "");
    EXPECT_EQ(result.m_nLines, 0u);
}

TEST_F(CsvExportTest, ClipboardTextTakesTheEntriesTheirSubtreesAndTheForceFlag) {
    m_preset.StrDQoute = 0;
    Items({5});
    auto exporter = MakeExporter(m_preset);
    EXPECT_EQ(exporter->MakeClipboardText({m_case.a, m_case.dir}, false, false),
              "名前\r\na.txt\r\nDIR\r\n");
    EXPECT_EQ(exporter->MakeClipboardText({m_case.dir}, true, false), "名前\r\nDIR\r\nb.txt\r\n");
    m_preset.Target = kTargetFiles;
    m_preset.PutTitle = 0;
    exporter = MakeExporter(m_preset);
    EXPECT_EQ(exporter->MakeClipboardText({m_case.dir}, true, false), "b.txt\r\n");
    EXPECT_EQ(exporter->MakeClipboardText({m_case.dir}, true, true), "DIR\r\nb.txt\r\n");
    m_preset.SpecSubLayer = 1;
    m_preset.SubLayer = 0;
    EXPECT_EQ(MakeExporter(m_preset)->MakeClipboardText({m_case.cd1, m_case.dir}, true, true),
              "DIR\r\n");
}

TEST_F(CsvExportTest, EncodingsCountWhatCp932CannotHold) {
    m_preset.StrDQoute = 0;
    m_preset.PutTitle = 0;
    Items({5, 11});
    m_case.a->m_strName = "日本語.txt";
    m_case.a->SetComment("€ and 😀");
    SExportResult result;
    // Neither the euro sign nor the emoji is in CP932.
    EXPECT_EQ(ExportBytes(m_preset, *m_case.a, &result), Cp932("日本語.txt,? and ?\r\n"));
    EXPECT_EQ(result.m_nReplaced, 2u);
    m_preset.Encoding = EExportEncoding::Utf8;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.a, &result), "\xEF\xBB\xBF日本語.txt,€ and 😀\r\n");
    EXPECT_EQ(result.m_nReplaced, 0u);
    // Bytes kept from undecodable CP932 go back out as they came in, and have no place
    // in UTF-8.
    m_case.a->m_strName = text::Cp932ToUtf8("\x81\x81"
                                            "a\x81.txt");
    m_case.a->SetComment("");
    m_preset.Encoding = EExportEncoding::Cp932;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.a, &result), "\x81\x81"
                                                         "a\x81.txt,\r\n");
    m_preset.Encoding = EExportEncoding::Utf8;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.a, &result), "\xEF\xBB\xBF＝a?.txt,\r\n");
    EXPECT_EQ(result.m_nReplaced, 1u);
}

class CFailingOutput : public IExportOutput {
public:
    void Write(std::string_view) override {
        throw CFileException(CFileException::diskFull, ENOSPC, "/full/list.csv");
    }
};

TEST_F(CsvExportTest, FileIsReplacedOnlyWhenCompleteAndFailuresNameIt) {
    ScratchDir dir;
    const std::string path = dir.Write("list.csv", "old contents").string();
    SExportResult result = MakeExporter(m_preset)->ExportToFile(m_case.root.get(), path);
    ASSERT_TRUE(result.Ok()) << result.m_strError;
    const std::string written = ReadFileBytes(path);
    EXPECT_EQ(written, ExportBytes(m_preset, *m_case.root));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);

    // A cancelled export leaves the old file and no temporary file.
    CExportJob job;
    job.Cancel();
    dir.Write("list.csv", "old contents");
    result = MakeExporter(m_preset)->ExportToFile(m_case.root.get(), path, &job);
    EXPECT_EQ(result.m_status, SExportResult::EStatus::Cancelled);
    EXPECT_EQ(ReadFileBytes(path), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);

    // A full disk names the file.
    CFailingOutput full;
    EXPECT_THROW(MakeExporter(m_preset)->ExportToOutput(*m_case.root, full), CFileException);
    result = MakeExporter(m_preset)->ExportToFile(nullptr, path);
    EXPECT_EQ(result.m_status, SExportResult::EStatus::Failed);

    // A folder the user cannot write to: the error names the file and the old one stays.
    std::filesystem::create_directory(dir / "locked");
    const std::string locked = dir.Write("locked/list.csv", "old").string();
    ::chmod((dir / "locked").c_str(), 0555);
    int code = AsOrdinaryUser([&] {
        SExportResult r = MakeExporter(m_preset)->ExportToFile(m_case.root.get(), locked);
        if (r.m_status != SExportResult::EStatus::Failed) {
            return 1;
        }
        return r.m_strError.find(locked) == std::string::npos ? 2 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(locked), "old");
    ::chmod((dir / "locked").c_str(), 0755);
}

} // namespace
