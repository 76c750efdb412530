// The compound-document reader: property sets found at sector and mini-sector
// boundaries, their value types and code pages, the revision rule, documents that
// LibreOffice writes, and damaged files.
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "extract/ExtractFile.h"
#include "extract/ExtractTextManager.h"
#include "extract/OfficeExtractor.h"
#include "extract/OfficePropertyReader.h"
#include "extract/TextFileExtractor.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

using test::PropCodePage;
using test::PropInt;
using test::PropString;
using test::Section;

class OfficeReader : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.Register(m_store, {}, {}, std::make_unique<COfficeExtractor>());
        m_manager.Register(m_store, {}, {}, std::make_unique<CTextFileExtractor>());
        m_office = m_manager.FindExtractor("MS-Office");
    }

    std::string Extract(const std::string& name, const std::string& bytes) {
        const auto path = m_dir.Write(name, bytes);
        std::string text;
        m_props.reset();
        m_ok = m_manager.ExtractText(path.string(), text, &m_props);
        return text;
    }

    std::string Prop(int key) const {
        const std::string* v = m_props ? m_props->ValueByKey(key) : nullptr;
        return v ? *v : "<none>";
    }

    test::ScratchDir m_dir;
    CProfileStore m_store;
    CExtractTextManager m_manager;
    CTextExtractor* m_office = nullptr;
    std::unique_ptr<CPropertySet> m_props;
    bool m_ok = false;
};

TEST_F(OfficeReader, TitleAndPropertiesOfTheSummaryAndDocumentSummary) {
    const std::string summary =
        Section({PropCodePage(932), PropString(2, test::Cp932("会議の議事録")),
                 PropString(4, test::Cp932("山田太郎")), PropInt(14, 12),
                 test::PropFileTime(12, 127000000000000000ULL)});
    const std::string doc =
        Section({PropCodePage(932), PropString(15, test::Cp932("株式会社ペルベーン")),
                 PropString(14, "Hanako")});
    const std::string user = Section({PropString(2, "http://example.invalid/")});
    EXPECT_EQ(Extract("minutes.doc", test::CompoundDocument(summary, doc, user)), "会議の議事録");
    EXPECT_TRUE(m_ok);
    ASSERT_TRUE(m_props);
    EXPECT_EQ(m_props->DefinitionName(), "MS-Office");
    EXPECT_EQ(Prop(6), "山田太郎");
    EXPECT_EQ(Prop(142), "12");
    EXPECT_EQ(Prop(8), "株式会社ペルベーン");
    EXPECT_EQ(Prop(9), "Hanako");
    EXPECT_EQ(Prop(386), "http://example.invalid/");
    EXPECT_EQ(Prop(10).size(), 19u); // "YYYY/MM/DD HH:MM:SS" in local time
    // Target 2 lists every property of the table, also the empty ones.
    m_office->m_nDocTarget = kTargetProperties;
    const std::string all = Extract("minutes.doc", test::CompoundDocument(summary, doc, user));
    EXPECT_NE(all.find("ﾀｲﾄﾙ=会議の議事録\r\n"), std::string::npos);
    EXPECT_NE(all.find("ｻﾌﾞｼﾞｪｸﾄ=\r\n"), std::string::npos);
}

TEST_F(OfficeReader, SmallStreamsInTheMiniStreamAreFoundOnTheir64ByteSectors) {
    const std::string summary = Section({PropCodePage(932), PropString(2, test::Cp932("小さな"))});
    const std::string doc = Section({PropCodePage(932), PropString(15, test::Cp932("会社"))});
    std::string file = test::CompoundDocument(summary, doc, {});
    // Each stream moved off its 512-byte sector onto a 64-byte one.
    for (std::size_t at = 512; at + 4 <= file.size(); at += 512) {
        if (file.compare(at, 4, std::string("\xFE\xFF\0\0", 4)) == 0) {
            file.insert(at, 64 * (at / 512 % 7 + 1), '\0');
            at += 512;
        }
    }
    EXPECT_EQ(Extract("small.doc", file), "小さな");
    EXPECT_EQ(Prop(8), "会社");
}

TEST_F(OfficeReader, DocumentsWrittenByLibreOffice) {
    if (test::RunProgram({"sh", "-c", "command -v soffice"}).exitCode != 0) {
        GTEST_SKIP() << "LibreOffice is not installed (Debian packages libreoffice-writer-nogui, "
                        "libreoffice-calc-nogui)";
    }
    const std::string meta =
        "<office:meta><dc:title>見積書</dc:title><dc:subject>件名</dc:subject>"
        "<meta:initial-creator>山田太郎</meta:initial-creator><dc:creator>山田太郎</dc:creator>"
        "<meta:keyword>鍵語</meta:keyword>"
        "<meta:user-defined meta:name=\"Company\">株式会社ペルベーン</meta:user-defined>"
        "</office:meta>";
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.";
    m_dir.Write("flat/letter.fodt", head + "text\">" + meta +
                                        "<office:body><office:text><text:p>本文</text:p>"
                                        "</office:text></office:body></office:document>");
    m_dir.Write("flat/sales.fods",
                head + "spreadsheet\">" + meta +
                    "<office:body><office:spreadsheet><table:table table:name=\"S\">"
                    "<table:table-row><table:table-cell><text:p>1</text:p></table:table-cell>"
                    "</table:table-row></table:table></office:spreadsheet></office:body>"
                    "</office:document>");
    const std::string profile = "-env:UserInstallation=file://" + (m_dir / "profile").string();
    for (const auto& [source, format] :
         {std::pair<const char*, const char*>{"letter.fodt", "doc"}, {"sales.fods", "xls"}}) {
        const auto converted =
            test::RunProgram({"soffice", profile, "--headless", "--convert-to", format, "--outdir",
                              (m_dir / "out").string(), (m_dir / "flat" / source).string()});
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        std::string name = source;
        name = name.substr(0, name.find('.') + 1) + format;
        std::string text;
        m_props.reset();
        ASSERT_TRUE(m_manager.ExtractText((m_dir / "out" / name).string(), text, &m_props)) << name;
        EXPECT_EQ(text, "見積書") << name;
        EXPECT_EQ(Prop(2), "件名") << name;
        EXPECT_EQ(Prop(6), "山田太郎") << name;
        EXPECT_EQ(Prop(4), "鍵語") << name;
        EXPECT_EQ(Prop(8), "株式会社ペルベーン") << name;
    }
}

TEST_F(OfficeReader, ModernCodePagesAreDecodedByTheirCodePage) {
    // Suites write UTF-8 (65001) or UTF-16 (1200) strings; read as Shift_JIS they
    // would be garbage.
    EXPECT_EQ(Extract("u8.xls", test::CompoundDocument(
                                    Section({PropCodePage(65001), PropString(2, "売上表 2024")}))),
              "売上表 2024");
    EXPECT_EQ(Extract("u16.ppt", test::CompoundDocument(Section(
                                     {PropCodePage(1200), PropString(2, test::Utf16Le("発表"))}))),
              "発表");
    EXPECT_EQ(Extract("w.doc", test::CompoundDocument(
                                   Section({PropCodePage(1252), PropString(2, "R\xE9sum\xE9")}))),
              "Résumé");
}

TEST_F(OfficeReader, TheHighestRevisionWins) {
    // Old copies of the summary stream stay in the file's free sectors; the one with
    // the highest revision number is the document's.
    const std::string old = Section({PropString(2, "old title"), PropString(9, "3")});
    const std::string current = Section({PropString(2, "new title"), PropString(9, "12")});
    const std::string older = Section({PropString(2, "oldest title"), PropString(9, "1")});
    std::string file = test::CompoundDocument(old);
    for (const std::string* s : {&current, &older}) {
        file += test::SummaryStreamHeader() + *s;
        file.resize((file.size() + 511) / 512 * 512, '\0');
    }
    EXPECT_EQ(Extract("r.doc", file), "new title");
    EXPECT_EQ(Prop(137), "12");
}

TEST_F(OfficeReader, PlainTextWithTheSuffixDocGoesToTheTextReader) {
    EXPECT_EQ(Extract("readme.doc", "This is plain text.\r\n"), "This is plain text.\r\n");
    EXPECT_FALSE(m_props); // the text reader keeps no properties
    // A compound document without a summary stream gives nothing from either reader.
    Extract("empty.doc", test::CompoundDocument(""));
    EXPECT_FALSE(m_ok);
}

TEST_F(OfficeReader, DamagedValuesEndTheirSectionButKeepWhatWasRead) {
    std::string section = Section({PropString(2, "kept"), PropString(4, "lost")});
    // The second string claims far more bytes than the section holds.
    const std::size_t second = section.find("lost") - 4;
    section[second] = '\xFF';
    section[second + 1] = '\xFF';
    section[second + 2] = '\xFF';
    section[second + 3] = '\x7F';
    std::vector<COfficePropertyReader::SValue> values;
    EXPECT_FALSE(COfficePropertyReader::ParseSection(section, 0, values));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].m_strValue, "kept");
    EXPECT_EQ(Extract("d.doc", test::CompoundDocument(section)), "kept");
    // Counts and offsets beyond the data, a section size of 4 GB, a truncated file.
    std::string huge = Section({PropString(2, "x")});
    huge[4] = '\xFF';
    huge[5] = '\xFF';
    values.clear();
    COfficePropertyReader::ParseSection(huge, 0, values);
    const std::string file = test::CompoundDocument(Section({PropString(2, "title")}));
    for (std::size_t cut : {8u, 520u, 560u, 600u}) {
        Extract("cut.doc", file.substr(0, cut));
    }
    SUCCEED();
}

TEST_F(OfficeReader, DumpNamesEveryPropertyFound) {
    const std::string path =
        m_dir
            .Write("d.doc", test::CompoundDocument(
                                Section({PropString(2, "T"), PropInt(15, 7), PropInt(40, 1)})))
            .string();
    CExtractFile file;
    ASSERT_TRUE(file.Open(path));
    COfficePropertyReader reader;
    ASSERT_TRUE(reader.Read(file));
    EXPECT_EQ(reader.Dump(), "$TITLE=T\r\n$STATISTIC_WORD=7\r\n");
}

} // namespace
} // namespace quillora
