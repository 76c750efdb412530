// The written lists as real programs read them: the CSV opened by LibreOffice Calc
// (converted to a spreadsheet and back) keeps its rows and columns; the HTML parses
// without errors in libxml2's HTML parser, every row has as many cells as the title row
// and every name is there as it was. Skipped with a message where a program is missing.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <unistd.h>

using namespace quillora;
using namespace quillora::test;

namespace {

bool Installed(const char* program) {
    return RunProgram({"sh", "-c", std::string("command -v ") + program}).exitCode == 0;
}

// The sample case with names a list must carry through: quotes, separators, markup
// characters and Japanese.
void AddAwkwardNames(SSampleCase& sample) {
    sample.a->m_strName = "Tom & \"Jerry\", <live>.mp3";
    sample.a->SetComment("one, two\r\nthree");
    AddFile(*sample.dir, "日本語のﾌｧｲﾙ名.txt", 77);
    AddFile(*sample.dir, "semi;colon 'quote'.txt", 5);
    sample.root->RecalcSize(true);
    sample.root->UpdateDisplayNameTree(true);
}

std::string WriteExport(const ScratchDir& dir, const char* name, const CFormCondition& preset,
                        const SFileInfo& start) {
    const std::string path = (dir / name).string();
    SExportResult result = MakeExporter(preset)->ExportToFile(&start, path);
    EXPECT_TRUE(result.Ok()) << result.m_strError;
    return path;
}

// Reads two CSV files with Python's csv module and compares what matters to a
// spreadsheet user: the number of rows, the number of columns of each, the names.
const char* const kCompareCsv = R"PY(
import csv, sys
def rows(path, encoding):
    with open(path, newline='', encoding=encoding) as f:
        return list(csv.reader(f))
ours = rows(sys.argv[1], sys.argv[2])
calc = rows(sys.argv[3], 'utf-8')
if len(ours) != len(calc):
    sys.exit('rows: %d written, %d in Calc' % (len(ours), len(calc)))
for i, (a, b) in enumerate(zip(ours, calc)):
    if len(a) != len(b):
        sys.exit('row %d: %d columns written, %d in Calc' % (i + 1, len(a), len(b)))
    if a[1] != b[1] or a[3] != b[3]:
        sys.exit('row %d: name or size %r became %r' % (i + 1, a, b))
print('ok', len(ours))
)PY";

TEST(RealClientsTest, CalcOpensTheCsvWithTheSameRowsAndColumns) {
    if (!Installed("soffice")) {
        GTEST_SKIP() << "LibreOffice Calc is not installed (Debian package libreoffice-calc-nogui)";
    }
    CExportTestEnvironment env;
    SSampleCase sample;
    AddAwkwardNames(sample);
    ScratchDir dir;
    const CFormCondition preset(EFormFormat::Csv);
    const std::string csv = WriteExport(dir, "list.csv", preset, *sample.root);
    const std::string profile = "-env:UserInstallation=file://" + (dir / "profile").string();
    // 44 = ",", 34 = '"', 60 = the CP932 character set, 76 = UTF-8.
    CliResult toOds = RunProgram({"soffice", profile, "--headless", "--infilter=CSV:44,34,60",
                                  "--convert-to", "ods", "--outdir", (dir / "ods").string(), csv});
    ASSERT_EQ(toOds.exitCode, 0) << toOds.err;
    const std::string ods = (dir / "ods" / "list.ods").string();
    ASSERT_TRUE(std::filesystem::exists(ods)) << toOds.out << toOds.err;
    CliResult back = RunProgram({"soffice", profile, "--headless", "--convert-to",
                                 "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir",
                                 (dir / "back").string(), ods});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    CliResult compared = RunProgram(
        {"python3", "-c", kCompareCsv, csv, "cp932", (dir / "back" / "list.csv").string()});
    EXPECT_EQ(compared.exitCode, 0) << compared.out << compared.err;
    EXPECT_EQ(compared.out, "ok 11\n"); // the title row and ten records
}

// Collects the rows of every table: each row's cell texts.
const char* const kTableCells = R"PY(
import sys
from html.parser import HTMLParser
class Cells(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.row, self.cell = [], None, None
    def handle_starttag(self, tag, attrs):
        if tag == 'tr': self.row = []
        elif tag == 'td': self.cell = ''
        elif tag == 'br' and self.cell is not None: self.cell += '\n'
    def handle_endtag(self, tag):
        if tag == 'td': self.row.append(self.cell); self.cell = None
        elif tag == 'tr': self.rows.append(self.row); self.row = None
    def handle_data(self, data):
        if self.cell is not None: self.cell += data
p = Cells()
p.feed(open(sys.argv[1], encoding='utf-8').read())
widths = {len(r) for r in p.rows}
if len(widths) != 1:
    sys.exit('rows of %s cells' % sorted(widths))
for r in p.rows:
    print('\t'.join(c.replace('\n', '|') for c in r))
)PY";

TEST(RealClientsTest, HtmlParsesWithoutErrorsAndHoldsEveryName) {
    if (!Installed("xmllint") || !Installed("python3")) {
        GTEST_SKIP() << "xmllint (libxml2-utils) or python3 is not installed";
    }
    CExportTestEnvironment env;
    SSampleCase sample;
    AddAwkwardNames(sample);
    ScratchDir dir;
    CFormCondition preset(EFormFormat::Html);
    const std::string sjis = WriteExport(dir, "list.htm", preset, *sample.root);
    CliResult lint = RunProgram({"xmllint", "--html", "--noout", sjis});
    EXPECT_EQ(lint.exitCode, 0) << lint.err;
    EXPECT_EQ(lint.err, "");

    preset.Encoding = EExportEncoding::Utf8;
    const std::string utf8 = WriteExport(dir, "utf8.htm", preset, *sample.root);
    CliResult cells = RunProgram({"python3", "-c", kTableCells, utf8});
    ASSERT_EQ(cells.exitCode, 0) << cells.err;
    for (const char* name : {"b.txt", "z.txt", "Tom & \"Jerry\", <live>.mp3", "日本語のﾌｧｲﾙ名.txt",
                             "semi;colon 'quote'.txt", "one, two|three"}) {
        EXPECT_NE(cells.out.find(std::string("\t") + name + "\t"), std::string::npos)
            << name << "\n"
            << cells.out;
    }
    // Title rows and data rows: one per table (CD1, DIR, CD2) and one per file.
    EXPECT_EQ(std::count(cells.out.begin(), cells.out.end(), '\n'), 3 + 5);
}

} // namespace
