// The HTML writer: the file document's tables and indentation, cells (empty, multi-line,
// sizes), escaping, targets, encodings and the clipboard document.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

using namespace quillora;
using namespace quillora::test;

namespace {

class HtmlExportTest : public ::testing::Test {
protected:
    HtmlExportTest() {
        m_preset.Visible = MakeFormItems({5, 7, 11});
        m_preset.Encoding = EExportEncoding::Utf8;
    }
    CExportTestEnvironment m_env;
    SSampleCase m_case;
    CFormCondition m_preset{EFormFormat::Html};
};

const char* const kHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
    "<HTML lang=\"ja\">\r\n"
    "<HEAD>\r\n"
    "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\r\n";
const char* const kTitleRow = "    <TR>\r\n"
                              "      <TD  align=\"left\">名前</TD><TD  align=\"right\">ｻｲｽﾞ</TD>"
                              "<TD  align=\"left\">ｺﾒﾝﾄ</TD>\r\n"
                              "    </TR>\r\n";

TEST_F(HtmlExportTest, FileDocumentHasOneTablePerFolderHoldingFiles) {
    const std::string expected =
        std::string(kHead) +
        "<TITLE>shelf.cas</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
        "<STRONG></STRONG><BR>\r\n"
        "<TABLE border=\"1\" summary=\"CD1\">\r\n"
        "  <TBODY>\r\n" +
        kTitleRow +
        "    <TR>\r\n"
        "      <TD  align=\"left\">a.txt</TD><TD  align=\"right\">1,234,567</TD>"
        "<TD align=\"center\">-</TD>\r\n"
        "    </TR>\r\n"
        "  </TBODY>\r\n"
        "</TABLE><BR>\r\n"
        "<STRONG>\\DIR</STRONG><BR>\r\n"
        "<TABLE border=\"1\" summary=\"DIR\">\r\n"
        "  <TBODY>\r\n" +
        kTitleRow +
        "    <TR>\r\n"
        "      <TD  align=\"left\">b.txt</TD><TD  align=\"right\">10</TD>"
        "<TD  align=\"left\">line1<BR>line2</TD>\r\n"
        "    </TR>\r\n"
        "  </TBODY>\r\n"
        "</TABLE><BR>\r\n"
        "<STRONG></STRONG><BR>\r\n"
        "<TABLE border=\"1\" summary=\"CD2\">\r\n"
        "  <TBODY>\r\n" +
        kTitleRow +
        "    <TR>\r\n"
        "      <TD  align=\"left\">z.txt</TD><TD  align=\"right\">5</TD>"
        "<TD align=\"center\">-</TD>\r\n"
        "    </TR>\r\n"
        "  </TBODY>\r\n"
        "</TABLE><BR>\r\n"
        "</BODY>\r\n</HTML>\r\n";
    SExportResult result;
    EXPECT_EQ(ExportBytes(m_preset, *m_case.root, &result), expected);
    EXPECT_EQ(result.m_nLines, 3u);
}

TEST_F(HtmlExportTest, FoldersOnlyGiveTitleRowsAndFoldersOfFoldersNoTable) {
    m_preset.Target = kTargetFolders;
    m_preset.PutTitle = 1;
    const std::string doc = ExportBytes(m_preset, *m_case.group);
    // The group holds only a medium: the medium's table, with its title row and no rows.
    EXPECT_EQ(doc.find("summary=\"G\""), std::string::npos);
    EXPECT_NE(doc.find("summary=\"CD2\""), std::string::npos);
    EXPECT_EQ(doc.find("z.txt"), std::string::npos);
    EXPECT_NE(doc.find(kTitleRow), std::string::npos);
}

TEST_F(HtmlExportTest, NamesAndCommentsAreEscapedAndCp932FilesReferenceWhatItLacks) {
    m_case.b->m_strName = "Tom & <Jerry>.txt";
    m_case.b->SetComment("\"quoted\"\nsecond\r\nthird 😀");
    m_case.dir->m_strName = "A&B";
    m_case.dir->UpdateDisplayNameTree(true);
    m_preset.Encoding = EExportEncoding::Cp932;
    SExportResult result;
    const std::string doc = text::Cp932ToUtf8(ExportBytes(m_preset, *m_case.dir, &result));
    EXPECT_NE(doc.find("charset=Shift_JIS"), std::string::npos);
    EXPECT_NE(doc.find("<TITLE>A&amp;B</TITLE>"), std::string::npos);
    EXPECT_NE(doc.find("<STRONG>\\A&amp;B</STRONG>"), std::string::npos);
    EXPECT_NE(doc.find("summary=\"A&amp;B\""), std::string::npos);
    EXPECT_NE(doc.find("<TD  align=\"left\">Tom &amp; &lt;Jerry&gt;.txt</TD>"), std::string::npos);
    EXPECT_NE(doc.find("<TD  align=\"left\">&quot;quoted&quot;<BR>second<BR>third &#128512;</TD>"),
              std::string::npos);
    EXPECT_EQ(result.m_nReplaced, 1u);
}

TEST_F(HtmlExportTest, ClipboardDocumentListsSelectedFilesThenEachSelectedFolder) {
    const std::string expected =
        std::string(kHead) +
        "<TITLE></TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
        "<B></B><BR>\r\n"
        "<TABLE border=\"1\">\r\n"
        "  <TBODY>\r\n" +
        kTitleRow +
        "    <TR>\r\n"
        "      <TD  align=\"left\">a.txt</TD><TD  align=\"right\">1,234,567</TD>"
        "<TD align=\"center\">-</TD>\r\n"
        "    </TR>\r\n"
        "  </TBODY>\r\n"
        "</TABLE><BR>\r\n"
        "<STRONG>\\DIR</STRONG><BR>\r\n"
        "<TABLE border=\"1\">\r\n"
        "  <TBODY>\r\n" +
        kTitleRow +
        "    <TR>\r\n"
        "      <TD  align=\"left\">b.txt</TD><TD  align=\"right\">10</TD>"
        "<TD  align=\"left\">line1<BR>line2</TD>\r\n"
        "    </TR>\r\n"
        "  </TBODY>\r\n"
        "</TABLE><BR>\r\n"
        "</BODY>\r\n</HTML>\r\n";
    auto exporter = MakeExporter(m_preset);
    EXPECT_TRUE(exporter->ClipboardIsHtml());
    EXPECT_EQ(exporter->MakeClipboardText({m_case.a, m_case.dir}, false, false), expected);
    // The medium with its subfolders gives its own table and the folder's.
    const std::string deep = exporter->MakeClipboardText({m_case.cd1}, true, false);
    EXPECT_NE(deep.find("a.txt"), std::string::npos);
    EXPECT_NE(deep.find("b.txt"), std::string::npos);
    EXPECT_EQ(exporter->MakeClipboardText({m_case.cd1}, false, false).find("b.txt"),
              std::string::npos);
}

} // namespace
