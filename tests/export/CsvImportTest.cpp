// The CSV import: a round trip through the export, every item type, field splitting,
// the title row, placing entries, encodings, and each kind of bad input, which is
// reported by line and adds nothing.
#include "ExportTestSupport.h"
#include "ExportTestTree.h"

#include "export/CCsvImporter.h"
#include "export/CExportJob.h"
#include "model/CaseSchema.h"
#include "model/CatalogPath.h"
#include "support/ScratchDir.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quillora;
using namespace quillora::test;

namespace {

class CsvImportTest : public ::testing::Test {
protected:
    CsvImportTest() {
        m_preset.PutTitle = 0;
        m_preset.StrDQoute = 0;
    }
    void Items(std::initializer_list<int> types) { m_preset.Visible = MakeFormItems(types); }
    SImportResult Import(std::string_view bytes,
                         EImportEncoding encoding = EImportEncoding::Detect) {
        return CCsvImporter(m_preset, encoding).ImportBytes(bytes);
    }
    // The import that must work, and the record at a catalogue path in it.
    SImportResult Good(std::string_view bytes) {
        SImportResult r = Import(bytes);
        EXPECT_TRUE(r.Ok()) << r.m_strError;
        return r;
    }
    static SFileInfo* At(const SImportResult& r, const char* path) {
        return r.m_pRoot ? FindByCatalogPath(*r.m_pRoot, path) : nullptr;
    }
    static void ExpectBad(const SImportResult& r, std::uint64_t line, const char* words) {
        EXPECT_EQ(r.m_status, SImportResult::EStatus::Failed);
        EXPECT_EQ(r.m_nLine, line) << r.m_strError;
        EXPECT_NE(r.m_strError.find(words), std::string::npos) << r.m_strError;
        EXPECT_EQ(r.m_pRoot, nullptr);
    }

    CExportTestEnvironment m_env;
    CFormCondition m_preset{EFormFormat::Csv};
};

// Every record with its own values, compared with the original.
void ExpectSameTree(const SFileInfo& original, const SFileInfo& imported) {
    ASSERT_EQ(original.ChildCount(), imported.ChildCount()) << CatalogPath(original);
    for (std::size_t i = 0; i < original.ChildCount(); ++i) {
        const SFileInfo& o = *original.ChildAt(i);
        const SFileInfo* m = nullptr;
        for (const auto& c : imported.Children()) {
            if (c->m_strName == o.m_strName) {
                m = c.get();
            }
        }
        ASSERT_NE(m, nullptr) << CatalogPath(o);
        EXPECT_EQ(o.IsDirectory(), m->IsDirectory()) << CatalogPath(o);
        EXPECT_EQ(o.m_nSize, m->m_nSize) << CatalogPath(o);
        EXPECT_EQ(o.m_ftLastWrite, m->m_ftLastWrite) << CatalogPath(o);
        EXPECT_EQ(o.m_ftCreation, m->m_ftCreation) << CatalogPath(o);
        EXPECT_EQ(o.m_ftLastAccess, m->m_ftLastAccess) << CatalogPath(o);
        EXPECT_EQ(o.Comment(), m->Comment()) << CatalogPath(o);
        EXPECT_EQ(o.Category(), m->Category()) << CatalogPath(o);
        EXPECT_EQ(o.m_dwExtValue, m->m_dwExtValue) << CatalogPath(o);
        ExpectSameTree(o, *m);
    }
}

TEST_F(CsvImportTest, ExportedCaseComesBackWithItsMediaFoldersAndValues) {
    SSampleCase sample;
    // Odd seconds, a date before 1980, comments with breaks, quotes and separators.
    sample.b->m_ftLastWrite = FileTimeFromUnix(kSampleUnix + 1);
    sample.a->m_ftCreation = FileTimeFromUnix(86400 * 365);
    sample.dir->SetComment("folder, \"quoted\"\r\nsecond line");
    sample.dir->SetCategory("フォルダ");
    sample.z->SetComment("x\r\n\r\ny");
    sample.cd1->SetComment("the disc");
    CFormCondition preset(EFormFormat::Csv);
    preset.Visible = MakeFormItems({3, 7, 8, 9, 10, 11, 13, 26});
    preset.ConvCommentRCode = 1;
    const std::string bytes = ExportBytes(preset, *sample.root);
    SImportResult r = CCsvImporter(preset).ImportBytes(bytes);
    ASSERT_TRUE(r.Ok()) << r.m_strError;
    EXPECT_EQ(r.m_encoding, EExportEncoding::Cp932);
    // The case's and the group's lines lie outside any medium.
    EXPECT_EQ(r.m_nSkipped, 2u);
    ASSERT_EQ(r.m_pRoot->ChildCount(), 2u);
    SFileInfo* cd1 = At(r, "CD1");
    SFileInfo* cd2 = At(r, "CD2");
    ASSERT_TRUE(cd1 && cd2);
    EXPECT_EQ(cd1->Comment(), "the disc");
    ExpectSameTree(*sample.cd1, *cd1);
    ExpectSameTree(*sample.cd2, *cd2);
    EXPECT_TRUE(cd1->ChildAt(1)->m_wExtFlags & kExtFlagCrc);
    EXPECT_EQ(cd1->m_nSize, sample.cd1->m_nSize);
    // The same through UTF-8 with tabs and no quotes.
    preset.Encoding = EExportEncoding::Utf8;
    preset.ItemSep = 2;
    r = CCsvImporter(preset).ImportBytes(ExportBytes(preset, *sample.root));
    ASSERT_TRUE(r.Ok()) << r.m_strError;
    EXPECT_EQ(r.m_encoding, EExportEncoding::Utf8);
    ExpectSameTree(*sample.cd1, *At(r, "CD1"));
}

TEST_F(CsvImportTest, EachItemType) {
    Items({1, 2, 5, 6, 7, 8, 12, 13, 14, 24, 26});
    SImportResult r =
        Good("CD,/a/b,f.txt,.xyz,42,2002/03/04 05:06:07,parent,cat,T,Last,0xdeadbeef\r\n"
             "cd,\\a\\b\\,g.txt,,,（不明）,,,,,3735928559\n"
             "CD,a,h.txt,,,,,,,,DEADBEEF\n"
             "CD,a,i.txt,,,,,,,,0\n");
    ASSERT_EQ(r.m_pRoot->ChildCount(), 1u); // labels meet without regard to case
    SFileInfo* f = At(r, "CD\\a\\b\\f.txt");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->m_nSize, 42u);
    EXPECT_EQ(f->m_ftLastWrite, SampleTime());
    EXPECT_EQ(f->Category(), "cat");
    ASSERT_NE(f->Props(), nullptr);
    EXPECT_EQ(f->Props()->DefinitionName(), "Improt");
    EXPECT_EQ(*f->Props()->ValueByKey(1), "T");
    EXPECT_EQ(*f->Props()->ValueByKey(11), "Last");
    EXPECT_EQ(f->m_dwExtValue, 0xDEADBEEFu);
    EXPECT_EQ(f->m_dwFlags, 0x80u);
    SFileInfo* g = At(r, "CD\\a\\b\\g.txt");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->m_ftLastWrite, 0u);
    EXPECT_EQ(g->m_dwExtValue, 0xDEADBEEFu);
    EXPECT_EQ(g->Props(), nullptr);
    EXPECT_EQ(At(r, "CD\\a\\h.txt")->m_dwExtValue, 0xDEADBEEFu);
    EXPECT_EQ(At(r, "CD\\a\\i.txt")->m_wExtFlags & kExtFlagCrc, 0);
    EXPECT_TRUE(At(r, "CD\\a")->IsDirectory());
    EXPECT_EQ(At(r, "CD\\a")->m_dwFlags, kAttrDirectory);

    // Names with folders, relative names, labels in brackets.
    Items({4});
    EXPECT_NE(At(Good("C:\\x\\y.txt\n\\\\server\\share\\z.txt\n"), "CSV\\x\\y.txt"), nullptr);
    EXPECT_NE(At(Good("\\\\server\\share\\z.txt\n"), "CSV\\share\\z.txt"), nullptr);
    Items({25, 11});
    SImportResult relative = Good("./DIR/b.txt,\nsub/disc,the medium's line\n");
    EXPECT_NE(At(relative, "CSV\\DIR\\b.txt"), nullptr);
    EXPECT_EQ(At(relative, "CSV")->Comment(), "the medium's line");
    EXPECT_EQ(At(relative, "CSV")->ChildCount(), 1u);
    m_preset.RelRootSpec = 1;
    m_preset.RelRoot = "top";
    EXPECT_NE(At(Good("top/DIR/b.txt\n"), "CSV\\DIR\\b.txt"), nullptr);
    Items({3});
    EXPECT_NE(At(Good("(My Disc)\\d\\e.txt\n"), "My Disc\\d\\e.txt"), nullptr);
    m_preset.LabelSep = 3;
    EXPECT_NE(At(Good("[L]/e.txt\n"), "L\\e.txt"), nullptr);
    m_preset.LabelSep = 0;
    EXPECT_NE(At(Good("L\\d\\e.txt\n"), "L\\d\\e.txt"), nullptr);
    // An item number outside the table ends the line's fields.
    m_preset.Visible = MakeFormItems({5});
    m_preset.Visible.push_back(FormItem{"?", 99, 1});
    m_preset.Visible.push_back(MakeFormItem(7));
    EXPECT_EQ(At(Good("n.txt,x,abc\n"), "CSV\\n.txt")->m_nSize, 0u);
}

TEST_F(CsvImportTest, FieldSplittingQuotesSeparatorsAndLineEnds) {
    Items({5, 11});
    m_preset.ConvCommentRCode = 0;
    // Doubled quotes, quotes written as they are, separators and line ends in quotes.
    SImportResult r = Good("\"a,b.txt\",\"say \"\"hi\"\"\"\r\n"
                           "\"c\"d.txt\",\"x\"y\"\r"
                           "\"e.txt\",\"two\r\nlines\"\n"
                           "f.txt\n"
                           "\"\",\"\"\n");
    EXPECT_EQ(At(r, "CSV\\a,b.txt")->Comment(), "say \"hi\"");
    EXPECT_EQ(At(r, "CSV\\c\"d.txt")->Comment(), "x\"y");
    EXPECT_EQ(At(r, "CSV\\e.txt")->Comment(), "two\r\nlines");
    EXPECT_NE(At(r, "CSV\\f.txt"), nullptr);
    EXPECT_EQ(r.m_nEntries, 4u);
    EXPECT_EQ(r.m_nLines, 5u);
    // Tabs and spaces as separators; line breaks turned back from their replacement.
    m_preset.ItemSep = 2;
    m_preset.ConvCommentRCode = 1;
    EXPECT_EQ(At(Good("g h.txt\tone^ntwo\n"), "CSV\\g h.txt")->Comment(), "one\r\ntwo");
    m_preset.ItemSep = 3;
    EXPECT_EQ(At(Good("i.txt \"a b\"\n"), "CSV\\i.txt")->Comment(), "a b");
}

TEST_F(CsvImportTest, TheTitleRowIsPassedOverWhateverItSays) {
    Items({5, 7});
    m_preset.PutTitle = 1;
    SImportResult r = Good("\"名前\",\"ｻｲｽﾞ\"\r\nx.txt,5\r\n");
    EXPECT_EQ(At(r, "CSV\\x.txt")->m_nSize, 5u);
    EXPECT_EQ(r.m_nEntries, 1u);
    // Another program's words, or none: the first line is still the title.
    r = Good("Name;Size\r\ny.txt,6\r\n");
    EXPECT_EQ(At(r, "CSV\\Name;Size"), nullptr);
    EXPECT_EQ(At(r, "CSV\\y.txt")->m_nSize, 6u);
    EXPECT_EQ(Good("x.txt,5\r\ny.txt,6\r\n").m_nEntries, 1u);
    // Lines after it keep their numbers.
    ExpectBad(Import("\"名前\",\"ｻｲｽﾞ\"\r\nx.txt,5\r\ny.txt,six\r\n"), 3, "size");
    EXPECT_TRUE(Import(Cp932("名前,ｻｲｽﾞ\n")).Ok());
    EXPECT_TRUE(Import("").Ok());
}

TEST_F(CsvImportTest, PlainRelativePathsAreEntriesNotTheMediumsLine) {
    Items({1, 25, 11});
    // A list from elsewhere: no "./" anywhere, so every value is an entry.
    SImportResult r = Good("M,Docs/a.txt,first\nM,b.txt,second\nM,Docs/Sub/c.txt,third\n");
    EXPECT_EQ(r.m_nEntries, 3u);
    EXPECT_EQ(At(r, "M\\Docs\\a.txt")->Comment(), "first");
    EXPECT_EQ(At(r, "M\\b.txt")->Comment(), "second");
    EXPECT_EQ(At(r, "M\\Docs\\Sub\\c.txt")->Comment(), "third");
    EXPECT_EQ(At(r, "M")->Comment(), "");
    // The medium's own name, or nothing, is still its line.
    r = Good("M,m,by name\nM,x.txt,\n");
    EXPECT_EQ(At(r, "M")->Comment(), "by name");
    EXPECT_EQ(r.m_nEntries, 1u);
    EXPECT_EQ(At(Good("M,,unnamed\n"), "M")->Comment(), "unnamed");
    // With the prefix in use, a bare value is the line of the medium it names.
    r = Good("M,Disc One,the medium\nM,./x.txt,entry\n");
    EXPECT_EQ(At(r, "M")->Comment(), "the medium");
    EXPECT_EQ(At(r, "M\\Disc One"), nullptr);
    EXPECT_EQ(At(r, "M\\x.txt")->Comment(), "entry");
    // A prefix inside a comment does not count as the list's.
    r = Good("M,a.txt,see ./b\n");
    EXPECT_NE(At(r, "M\\a.txt"), nullptr);
}

TEST_F(CsvImportTest, PathsDeeperThanACaseHoldsAreRefusedByLine) {
    Items({4});
    auto path = [](std::size_t levels) {
        std::string p;
        for (std::size_t i = 0; i < levels; ++i) {
            p += "d\\";
        }
        return p + "leaf.txt";
    };
    const std::size_t most = kMaxTreeDepth - 4;
    SImportResult r = Good(path(most) + "\n");
    EXPECT_EQ(r.m_nEntries, 1u);
    ExpectBad(Import("a.txt\n" + path(most + 1) + "\n"), 2, "folder levels");
    ExpectBad(Import(path(5000) + "\n"), 1, "folder levels");
}

TEST_F(CsvImportTest, EntriesArePlacedIntoFoldersWithoutDuplicates) {
    Items({1, 4, 11});
    SImportResult r = Good("M,DIR,made as a file\n" // later lines make it a folder
                           "M,DIR\\SUB\\x.txt,\n"
                           "M,DIR\\SUB,the folder's own line\n"
                           "M,DIR\\SUB,a second line of the same name\n"
                           "M,DIR\\x.txt,\n"
                           "M,DIR\\X.txt,\n" // names differ by case: two files
                           "M,,the medium\n"
                           "M,DIR\\,no name\n"
                           ",lost.txt,\n");
    SFileInfo* dir = At(r, "M\\DIR");
    ASSERT_NE(dir, nullptr);
    EXPECT_TRUE(dir->IsDirectory());
    EXPECT_EQ(dir->m_dwFlags & 0x80, 0u);
    EXPECT_EQ(dir->Comment(), "made as a file");
    EXPECT_EQ(At(r, "M\\DIR\\SUB")->Comment(), "the folder's own line");
    EXPECT_EQ(dir->ChildCount(), 3u);
    EXPECT_EQ(At(r, "M")->Comment(), "the medium");
    EXPECT_EQ(r.m_nSkipped, 3u);
    auto* medium = static_cast<SVolumeInfo*>(At(r, "M"));
    EXPECT_TRUE(medium->HasFlags(kFlagFixed));
    EXPECT_EQ(medium->m_strName, "M");

    // Many entries in one folder (a name index takes over).
    std::string many;
    for (int i = 0; i < 200; ++i) {
        many += "M,f" + std::to_string(i) + ",\n";
    }
    many += "M,f7,\n";
    r = Good(many);
    EXPECT_EQ(At(r, "M")->ChildCount(), 200u);
    EXPECT_EQ(r.m_nSkipped, 1u);
}

TEST_F(CsvImportTest, NonAsciiTextIsDecodedWhereverItFallsInAField) {
    // Fields of many lengths with one Japanese character at each place, quoted and not:
    // the reader looks at sixteen bytes a step, so the character falls before, across
    // and after every step boundary.
    Items({5, 11});
    std::string utf8;
    std::vector<std::string> names;
    for (std::size_t length = 0; length < 40; length += 3) {
        for (std::size_t at = 0; at <= length; at += 2) {
            std::string name = std::string(at, 'a') + "表" + std::string(length - at, 'b') + ".txt";
            const bool quoted = (length + at) % 2 == 0;
            utf8 += (quoted ? "\"" + name + "\"" : name) + "," + (quoted ? "c" : "\"表\"") + "\n";
            names.push_back(std::move(name));
        }
    }
    for (const std::string& bytes : {Cp932(utf8), utf8}) {
        SImportResult r = Good(bytes);
        for (const std::string& name : names) {
            const SFileInfo* f = At(r, ("CSV\\" + name).c_str());
            ASSERT_NE(f, nullptr) << name;
            EXPECT_TRUE(f->Comment() == "c" || f->Comment() == "表") << name;
        }
        EXPECT_EQ(r.m_nEntries, names.size());
    }
}

TEST_F(CsvImportTest, DoubledQuotesInSeveralFieldsOfALine) {
    Items({5, 11, 13});
    SImportResult r =
        Good("\"a \"\"long\"\" name over sixteen bytes.txt\",\"say \"\"hi\"\"\r\nand\","
             "\"cat\"\"egory\"\n"
             "\"x\"\"y.txt\",plain,\"in \"the\" middle of a long category\"\n");
    const SFileInfo* a = At(r, "CSV\\a \"long\" name over sixteen bytes.txt");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Comment(), "say \"hi\"\r\nand");
    EXPECT_EQ(a->Category(), "cat\"egory");
    const SFileInfo* x = At(r, "CSV\\x\"y.txt");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Comment(), "plain");
    EXPECT_EQ(x->Category(), "in \"the\" middle of a long category");
}

TEST_F(CsvImportTest, LargeFoldersKeepNamesApartAndFoldersTakeTheirOwnLines) {
    // Enough entries that the folder is found by its name index.
    Items({1, 4, 11});
    std::string lines;
    for (int i = 0; i < 100; ++i) {
        lines += "M,f" + std::to_string(i) + ",\n";
    }
    lines += "M,F7,case differs\n"       // a file of its own
             "M,f7,again\n"              // already there
             "M,sub\\x.txt,\n"           // makes the folder sub among many
             "M,sub,the folder's line\n" // which takes its own line
             "M,sub,a second line\n"     // only once
             "M,f3\\y.txt,\n";           // a file becomes a folder
    SImportResult r = Good(lines);
    const SFileInfo* medium = At(r, "M");
    ASSERT_NE(medium, nullptr);
    EXPECT_EQ(medium->ChildCount(), 102u);
    // Catalogue paths compare without regard to case: look the two up by their names.
    auto named = [medium](const char* name) -> const SFileInfo* {
        for (const auto& child : medium->Children()) {
            if (child->m_strName == name) {
                return child.get();
            }
        }
        return nullptr;
    };
    ASSERT_TRUE(named("F7") && named("f7"));
    EXPECT_EQ(named("F7")->Comment(), "case differs");
    EXPECT_EQ(named("f7")->Comment(), "");
    EXPECT_EQ(At(r, "M\\sub")->Comment(), "the folder's line");
    EXPECT_TRUE(At(r, "M\\f3")->IsDirectory());
    EXPECT_NE(At(r, "M\\f3\\y.txt"), nullptr);
    EXPECT_EQ(r.m_nSkipped, 2u);
}

TEST_F(CsvImportTest, FoldersWeighWhatTheyHold) {
    // Sizes of folders and media are the sums of their entries, also where a file of its
    // own size turned into a folder when a later line went through it.
    Items({1, 4, 7});
    SImportResult r = Good("M,DIR,100\n"
                           "M,DIR\\a.txt,5\n"
                           "M,DIR\\SUB\\b.txt,7\n"
                           "M,DIR\\SUB,50\n" // the folder's own line keeps its sum
                           "M,c.txt,1\n"
                           "N,x.txt,9223372036854775807\n" // sums wrap as 64-bit sizes do
                           "N,y.txt,9223372036854775807\n"
                           "N,z.txt,3\n");
    EXPECT_EQ(At(r, "M\\DIR")->m_nSize, 12u);
    EXPECT_EQ(At(r, "M\\DIR\\SUB")->m_nSize, 7u);
    EXPECT_EQ(At(r, "M")->m_nSize, 13u);
    EXPECT_EQ(At(r, "N")->m_nSize, 1u);
}

TEST_F(CsvImportTest, EncodingsAreDetectedAndHonoured) {
    Items({5});
    SImportResult r = Good(Cp932("日本語.txt\n"));
    EXPECT_EQ(r.m_encoding, EExportEncoding::Cp932);
    EXPECT_NE(At(r, "CSV\\日本語.txt"), nullptr);
    r = Good("日本語.txt\n");
    EXPECT_EQ(r.m_encoding, EExportEncoding::Utf8);
    EXPECT_NE(At(r, "CSV\\日本語.txt"), nullptr);
    r = Good("\xEF\xBB\xBFplain.txt\n");
    EXPECT_EQ(r.m_encoding, EExportEncoding::Utf8);
    EXPECT_NE(At(r, "CSV\\plain.txt"), nullptr);
    // Asked for CP932, UTF-8 bytes read as CP932 (nothing is lost; the names are odd).
    r = Import("é.txt\n", EImportEncoding::Cp932);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(At(r, "CSV\\é.txt"), nullptr);
    ExpectBad(Import("ok.txt\n" + Cp932("日本.txt\n"), EImportEncoding::Utf8), 2, "not UTF-8");
}

TEST_F(CsvImportTest, BadInputNamesItsLineAndAddsNothing) {
    Items({5, 7, 8, 26});
    ExpectBad(Import("a,1,,\nb,x2,,\n"), 2, "size \"x2\"");
    ExpectBad(Import("a,-1,,\n"), 1, "size");
    ExpectBad(Import("a,1,,\nb,1,2002/02/30 00:00:00,\n"), 2, "date");
    ExpectBad(Import("a,1,yesterday,\n"), 1, "YYYY/MM/DD");
    ExpectBad(Import("a,1,2002/03/04 24:00:00,\n"), 1, "date");
    ExpectBad(Import("a,1,,0xZZ\n"), 1, "CRC");
    ExpectBad(Import("a,1,,\n\"b,2,,\nc,3,,\n"), 2, "not closed");
    ExpectBad(Import(std::string("a,1,,\nb\0c,2,,\n", 14)), 2, "binary");
    ExpectBad(Import(std::string(2 << 20, 'n')), 1, "1 MiB");
    Items({3});
    ExpectBad(Import("(CD\\a.txt\n"), 1, "closing");
    // Binary data in the first bytes is refused before the rest is looked at.
    ExpectBad(Import(std::string("a,1,,\n\0", 7) + std::string(1 << 20, 'x')), 2, "binary");
    // A file that is not there names itself.
    SImportResult r = CCsvImporter(m_preset).ImportFile("/nonexistent/list.csv");
    EXPECT_EQ(r.m_status, SImportResult::EStatus::Failed);
    EXPECT_NE(r.m_strError.find("/nonexistent/list.csv"), std::string::npos);
}

TEST_F(CsvImportTest, MediaMaxFilesAndFilesOnDisk) {
    CFormCondition mm(EFormFormat::MediaMax);
    ScratchDir dir;
    const auto path = dir.Write("list.csv", Cp932("./DIR/b.txt,タイトル無し,,line1 line2\r\n"
                                                  "./x.y.txt,Title,Sub,a. b\r\n"));
    SImportResult r = CCsvImporter(mm).ImportFile(path.string());
    ASSERT_TRUE(r.Ok()) << r.m_strError;
    SFileInfo* x = At(r, "CSV\\x.y.txt");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(*x->Props()->ValueByKey(1), "Title");
    EXPECT_EQ(*x->Props()->ValueByKey(2), "Sub");
    EXPECT_EQ(x->Comment(), "a. b");
    EXPECT_EQ(At(r, "CSV\\DIR\\b.txt")->Comment(), "line1 line2");

    // A cancelled import returns nothing.
    CExportJob job;
    job.Cancel();
    EXPECT_EQ(CCsvImporter(mm).ImportFile(path.string(), &job).m_status,
              SImportResult::EStatus::Cancelled);
}

TEST_F(CsvImportTest, ListsFromPipesAndDevicesAreReadWithinBounds) {
    Items({5});
    ScratchDir dir;
    const std::string fifo = (dir.Path() / "list.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A short list through a FIFO reads as a file does.
    std::thread small([&] { std::ofstream(fifo) << "a.txt\nb.txt\n"; });
    SImportResult r = CCsvImporter(m_preset).ImportFile(fifo);
    small.join();
    ASSERT_TRUE(r.Ok()) << r.m_strError;
    EXPECT_EQ(r.m_nEntries, 2u);

    // One that never ends stops at the cap with a clear error.
    std::atomic<bool> stop{false};
    std::thread endless([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        const std::string lines(1 << 16, '\n');
        while (!stop && ::write(fd, lines.data(), lines.size()) > 0) {
        }
        ::close(fd);
    });
    ::signal(SIGPIPE, SIG_IGN);
    r = CCsvImporter(m_preset).ImportFile(fifo);
    stop = true;
    endless.join();
    EXPECT_EQ(r.m_problem, EImportProblem::TooLarge);
    EXPECT_NE(r.m_strError.find("512 MiB"), std::string::npos) << r.m_strError;

    // A device of zeros, and a large sparse file, are refused from their first bytes.
    r = CCsvImporter(m_preset).ImportFile("/dev/zero");
    EXPECT_EQ(r.m_problem, EImportProblem::Binary) << r.m_strError;
    const auto sparse = dir.Write("sparse.csv", "");
    ASSERT_EQ(::truncate(sparse.c_str(), off_t{2} << 30), 0);
    r = CCsvImporter(m_preset).ImportFile(sparse.string());
    EXPECT_EQ(r.m_problem, EImportProblem::Binary);
    EXPECT_EQ(r.m_nLine, 1u);
}

} // namespace
