// quillora-cli export and import: every format to a file and to standard output, the
// preset and the starting record chosen, a case that comes back the same through a CSV
// list into a new case, and the refusals (an unknown preset, a label already in the
// case, a list that does not read).
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include "core/ProfileStore.h"
#include "core/Text.h"
#include "export/CExportFormSets.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

using namespace quillora;
using namespace quillora::test;

namespace {

class CliListCommands : public ::testing::Test {
protected:
    void SetUp() override {
        // The commands read the presets of this scratch folder's settings.
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        WritePresets();
        m_case = (m_dir / "shelf.cas").string();
        m_dir.Write("disc/DIR/b.txt", "beta");
        m_dir.Write("disc/DIR/SUB/c.txt", "gamma");
        m_dir.Write("disc/a.txt", "alpha");
        m_dir.Write("card/z.txt", "zeta");
        Ok({"new", m_case});
        Ok({"scan", m_case, (m_dir / "disc").string(), "--label", "Disc", "--crc"});
        Ok({"scan", m_case, (m_dir / "card").string(), "--label", "Card"});
        Ok({"comment", m_case, "Disc\\DIR\\b.txt", "first line"});
        Ok({"category", m_case, "Disc\\DIR", "フォルダ"});
        Ok({"comment", m_case, "Disc", "the disc"});
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

    // The standard presets and "roundtrip": label, relative name and every value.
    void WritePresets() {
        CExportFormSets sets;
        CFormConditionSet& csv = sets.Set(EFormFormat::Csv);
        auto& trip = dynamic_cast<CFormCondition&>(csv.Add(csv.NewPreset()));
        trip.Name = "roundtrip";
        trip.Visible = MakeFormItems({1, 25, 7, 8, 9, 10, 11, 13, 26});
        trip.ConvCommentRCode = 1;
        CProfileStore store;
        sets.Save(store);
        std::filesystem::create_directories(
            std::filesystem::path(CProfileStore::DefaultPath()).parent_path());
        store.SetPath(CProfileStore::DefaultPath());
        ASSERT_TRUE(store.Save()) << store.Problem();
    }

    CliResult Ok(const std::vector<std::string>& args) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
        return r;
    }

    std::unique_ptr<CCDCase> Load(const std::string& path) {
        bool bad = false;
        std::string error;
        std::unique_ptr<CCDCase> root = ReadCaseFile(path, "", &bad, &error);
        EXPECT_NE(root, nullptr) << error;
        return root;
    }

    ScratchDir m_dir;
    std::string m_case;
};

void ExpectSame(const SFileInfo& a, const SFileInfo& b) {
    const std::string where = CatalogPath(a);
    EXPECT_EQ(a.ChildCount(), b.ChildCount()) << where;
    EXPECT_EQ(a.Comment(), b.Comment()) << where;
    EXPECT_EQ(a.Category(), b.Category()) << where;
    if (!a.HasFlags(kFlagMedium)) {
        EXPECT_EQ(a.m_nSize, b.m_nSize) << where;
        EXPECT_EQ(a.IsDirectory(), b.IsDirectory()) << where;
        EXPECT_EQ(a.m_ftLastWrite / 10000000, b.m_ftLastWrite / 10000000) << where;
        EXPECT_EQ(a.m_ftCreation / 10000000, b.m_ftCreation / 10000000) << where;
        EXPECT_EQ(a.m_ftLastAccess / 10000000, b.m_ftLastAccess / 10000000) << where;
        EXPECT_EQ(a.m_dwExtValue, b.m_dwExtValue) << where;
    }
    for (const auto& child : a.Children()) {
        const SFileInfo* other = nullptr;
        for (const auto& c : b.Children()) {
            if (c->m_strName == child->m_strName) {
                other = c.get();
            }
        }
        ASSERT_NE(other, nullptr) << CatalogPath(*child);
        ExpectSame(*child, *other);
    }
}

TEST_F(CliListCommands, EveryFormatToAFileAndToStandardOutput) {
    CliResult csv = Ok({"export", m_case, "--format", "csv", "-o", "-"});
    EXPECT_EQ(csv.out.find(text::Utf8ToCp932Lossy("\"ﾌｫﾙﾀﾞ名\",\"名前\"")), 0u);
    EXPECT_NE(csv.out.find("\"b.txt\""), std::string::npos);
    const std::string file = (m_dir / "list.csv").string();
    Ok({"export", m_case, "--format", "csv", "-o", file});
    EXPECT_EQ(ReadFileBytes(file), csv.out);
    CliResult utf8 = Ok({"export", m_case, "--format", "csv", "--encoding", "utf-8", "-o", "-"});
    EXPECT_EQ(utf8.out.find("\xEF\xBB\xBF\"ﾌｫﾙﾀﾞ名\""), 0u);
    CliResult html = Ok({"export", m_case, "--format", "html", "-o", "-"});
    EXPECT_NE(html.out.find("charset=Shift_JIS"), std::string::npos);
    CliResult tree = Ok({"export", m_case, "--format", "tree", "--from", "Disc\\DIR", "-o", "-"});
    EXPECT_EQ(tree.out, text::Utf8ToCp932Lossy("\"DIR\",\"フォルダ\",\r\n"
                                               "  + \"SUB\",,\r\n"
                                               "  |   + \"c.txt\",,\r\n"
                                               "  + \"b.txt\",,\"first line\"\r\n"));
    CliResult mm = Ok({"export", m_case, "--format", "mediamax", "-o", "-"});
    EXPECT_NE(mm.out.find("./DIR/SUB/c.txt,"), std::string::npos);
    CliResult trip = Ok({"export", m_case, "--format", "csv", "--preset", "roundtrip", "-o", "-"});
    EXPECT_NE(trip.out.find("\"Disc\",\"./DIR/b.txt\",4,"), std::string::npos) << trip.out;

    CliResult unknown =
        RunCli({"export", m_case, "--format", "csv", "--preset", "nope", "-o", "-"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("roundtrip"), std::string::npos);
    EXPECT_EQ(
        RunCli({"export", m_case, "--format", "csv", "--from", "No\\Such", "-o", "-"}).exitCode, 2);
    CliResult unwritable =
        RunCli({"export", m_case, "--format", "csv", "-o", (m_dir / "no/such/dir/x.csv").string()});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_NE(unwritable.err.find("x.csv"), std::string::npos);
}

TEST_F(CliListCommands, TheFolderOfAFolderMediumIsItsLinuxPath) {
    // As the user knows the folder, "/" separated, whatever file system holds it.
    const std::string disc = std::filesystem::canonical(m_dir / "disc").string();
    CliResult csv = Ok({"export", m_case, "--format", "csv", "--encoding", "utf-8", "-o", "-"});
    EXPECT_NE(csv.out.find("\"" + disc + "/DIR/SUB/\",\"c.txt\""), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("\"" + disc + "/\",\"a.txt\""), std::string::npos);
    EXPECT_EQ(csv.out.find("/\\"), std::string::npos) << "no mixed separators";
}

TEST_F(CliListCommands, ACaseComesBackTheSameThroughACsvListIntoANewCase) {
    const std::string list = (m_dir / "trip.csv").string();
    Ok({"export", m_case, "--format", "csv", "--preset", "roundtrip", "-o", list});
    const std::string copy = (m_dir / "copy.cas").string();
    Ok({"new", copy});
    CliResult imported = Ok({"import", copy, list, "--format", "csv", "--preset", "roundtrip"});
    EXPECT_NE(imported.out.find("entries in 2 media"), std::string::npos) << imported.out;
    std::unique_ptr<CCDCase> original = Load(m_case);
    std::unique_ptr<CCDCase> back = Load(copy);
    ASSERT_TRUE(original && back);
    for (const char* label : {"Disc", "Card"}) {
        SFileInfo* a = FindByCatalogPath(*original, label);
        SFileInfo* b = FindByCatalogPath(*back, label);
        ASSERT_TRUE(a && b) << label;
        ExpectSame(*a, *b);
    }

    // The same labels again: refused without --replace, the case unchanged.
    const std::string before = ReadFileBytes(copy);
    CliResult again = RunCli({"import", copy, list, "--format", "csv", "--preset", "roundtrip"});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_NE(again.err.find("--replace"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(copy), before);
    Ok({"import", copy, list, "--format", "csv", "--preset", "roundtrip", "--replace"});
    back = Load(copy);
    EXPECT_EQ(back->CollectMedia().size(), 2u);
}

TEST_F(CliListCommands, AListThatDoesNotReadChangesNothing) {
    const std::string before = ReadFileBytes(m_case);
    const auto bad = m_dir.Write("bad.csv", "\"ﾌｫﾙﾀﾞ名\",\"名前\"\r\n\"x");
    CliResult r = RunCli({"import", m_case, bad.string(), "--format", "csv"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(m_case), before);
    // A list with no entries is not an edit: the file is not even written again.
    struct stat old {};
    ASSERT_EQ(::stat(m_case.c_str(), &old), 0);
    const auto empty = m_dir.Write("empty.csv", "\"ﾌｫﾙﾀﾞ名\",\"名前\"\r\n");
    r = Ok({"import", m_case, empty.string(), "--format", "csv"});
    EXPECT_NE(r.out.find("unchanged"), std::string::npos) << r.out;
    struct stat now {};
    ASSERT_EQ(::stat(m_case.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, old.st_ino);
    EXPECT_EQ(now.st_mtim.tv_nsec, old.st_mtim.tv_nsec);
    // Nor is one nested deeper than a case holds, which names its line.
    std::string deep = "\"ﾌｫﾙﾀﾞ名\",\"名前\"\r\n\"";
    for (int i = 0; i < 5000; ++i) {
        deep += "d/";
    }
    const auto tooDeep = m_dir.Write("deep.csv", deep + "\",\"x.txt\"\r\n");
    r = RunCli({"import", m_case, tooDeep.string(), "--format", "csv"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(m_case), before);
    const auto binary = m_dir.Write("bin.csv", std::string("\x7F"
                                                           "ELF\0\0\0",
                                                           7));
    r = RunCli({"import", m_case, binary.string(), "--format", "mediamax"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("binary"), std::string::npos) << r.err;
    EXPECT_EQ(RunCli({"import", m_case, bad.string(), "--format", "html"}).exitCode, 1);
    EXPECT_EQ(ReadFileBytes(m_case), before);
}

} // namespace
