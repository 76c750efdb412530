// quillora-cli copies over planted case files: the JSON shape, the filters, a damaged
// case file named while the rest is reported, every case of the index, and --verify
// finding a planted false match on folders the test scans.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"
#include "support/ShelfCase.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillora {
namespace {

using test::CliResult;
using test::ScratchDir;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CopiesCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(test::CliPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "quillora-cli is not built";
        }
        std::filesystem::create_directories(m_home);
        test::WriteShelfCase(
            Case("shelf/a.cas"),
            {{"Disc 1", "Box", 1, "", {{"photos\\x.jpg", 10, 7}, {"only.txt", 5, 8}}},
             {"Disc 2", "", 2, "", {{"x.jpg", 10, 7}, {"copy\\x.jpg", 10, 7}}}});
        test::WriteShelfCase(Case("shelf/deep/b.cas"),
                             {{"Disc 3", "", 3, "", {{"x.jpg", 10, 7}, {"n", 4, 0}}}});
    }
    std::string Case(const std::string& name) const { return (m_dir / name).string(); }
    CliResult Run(const std::vector<std::string>& args) {
        return test::FinishCli(test::StartCli(args,
                                              {"XDG_CONFIG_HOME=" + m_home.string(),
                                               "XDG_STATE_HOME=" + m_home.string(),
                                               "XDG_DATA_HOME=" + m_home.string(), "LANG=C.UTF-8"},
                                              m_home.string()),
                               m_home.string());
    }

    ScratchDir m_dir;
    std::filesystem::path m_home = m_dir / "home";
};

TEST_F(CopiesCommandTest, JsonObjectsPerContentWithMediaAndRecords) {
    const CliResult r = Run({"copies", Case("shelf"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string a = Case("shelf/a.cas");
    const std::string b = Case("shelf/deep/b.cas");
    EXPECT_EQ(r.out, "{\"size\":10,\"crc\":7,\"copies\":3,\"confidence\":\"crc\",\"media\":["
                     "{\"case\":\"" +
                         a +
                         "\",\"medium\":\"Box\\\\Disc 1\"},"
                         "{\"case\":\"" +
                         a +
                         "\",\"medium\":\"Disc 2\"},"
                         "{\"case\":\"" +
                         b +
                         "\",\"medium\":\"Disc 3\"}],\"records\":["
                         "{\"case\":\"" +
                         a +
                         "\",\"path\":\"Box\\\\Disc 1\\\\photos\\\\x.jpg\"},"
                         "{\"case\":\"" +
                         a +
                         "\",\"path\":\"Disc 2\\\\x.jpg\"},"
                         "{\"case\":\"" +
                         a +
                         "\",\"path\":\"Disc 2\\\\copy\\\\x.jpg\"},"
                         "{\"case\":\"" +
                         b +
                         "\",\"path\":\"Disc 3\\\\x.jpg\"}]}\n"
                         "{\"size\":5,\"crc\":8,\"copies\":1,\"confidence\":\"crc\",\"media\":["
                         "{\"case\":\"" +
                         a +
                         "\",\"medium\":\"Box\\\\Disc 1\"}],\"records\":["
                         "{\"case\":\"" +
                         a +
                         "\",\"path\":\"Box\\\\Disc 1\\\\only.txt\"}]}\n"
                         "{\"size\":4,\"crc\":null,\"copies\":1,\"confidence\":\"name\",\"media\":["
                         "{\"case\":\"" +
                         b +
                         "\",\"medium\":\"Disc 3\"}],\"records\":["
                         "{\"case\":\"" +
                         b + "\",\"path\":\"Disc 3\\\\n\"}]}\n");
}

TEST_F(CopiesCommandTest, FiltersSummaryAndAFileGivenTwice) {
    const CliResult sole =
        Run({"copies", Case("shelf/a.cas"), Case("shelf/a.cas"), "--max-copies", "1", "--json"});
    ASSERT_EQ(sole.exitCode, 0) << sole.err;
    EXPECT_TRUE(Has(sole.out, "only.txt"));
    EXPECT_FALSE(Has(sole.out, "x.jpg")); // a file given twice is one file, not two media

    const CliResult onDisc2 =
        Run({"copies", Case("shelf"), "--medium", "disc 2", "--min-copies", "2"});
    ASSERT_EQ(onDisc2.exitCode, 0) << onDisc2.err;
    EXPECT_TRUE(Has(onDisc2.out, "3 copies  10 bytes  CRC 00000007"));
    EXPECT_FALSE(Has(onDisc2.out, "only.txt"));
    EXPECT_TRUE(Has(onDisc2.out, "Per medium:"));

    const CliResult summary = Run({"copies", Case("shelf"), "--summary", "--json"});
    ASSERT_EQ(summary.exitCode, 0) << summary.err;
    EXPECT_TRUE(Has(summary.out, "\"medium\":\"Box\\\\Disc 1\",\"files\":2,\"bytes\":15,"
                                 "\"soleFiles\":1,\"soleBytes\":5}"));
    EXPECT_FALSE(Has(summary.out, "records"));
    // The summary alone counts without sorting the contents; its table is the one the
    // whole report ends with.
    const CliResult whole = Run({"copies", Case("shelf")});
    const CliResult table = Run({"copies", Case("shelf"), "--summary"});
    ASSERT_EQ(table.exitCode, 0) << table.err;
    ASSERT_TRUE(Has(whole.out, "Per medium:"));
    EXPECT_EQ(table.out, whole.out.substr(whole.out.find("Per medium:")));

    EXPECT_EQ(Run({"copies", Case("shelf"), "--medium", "Disc 9"}).exitCode, 2);
    EXPECT_EQ(Run({"copies", Case("shelf"), "--max-copies", "0"}).exitCode, 1);
}

TEST_F(CopiesCommandTest, DamagedCaseIsNamedAndTheRestReported) {
    std::ofstream(Case("shelf/broken.cas"), std::ios::binary) << "garbage";
    test::WriteShelfCase(Case("shelf/locked.cas"), {{"L", "", 9, "", {{"only.txt", 5, 8}}}}, "pw");
    const CliResult r = Run({"copies", Case("shelf"), "--json"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r.err, "skipped " + Case("shelf/broken.cas"))) << r.err;
    EXPECT_TRUE(Has(r.err, Case("shelf/locked.cas") + ": protected by another password")) << r.err;
    EXPECT_TRUE(Has(r.out, "\"copies\":3")) << r.out;
    const CliResult unlocked = Run({"copies", Case("shelf/a.cas"), Case("shelf/locked.cas"),
                                    "--password", "pw", "--max-copies", "1", "--json"});
    EXPECT_EQ(unlocked.exitCode, 0) << unlocked.err;
    EXPECT_FALSE(Has(unlocked.out, "only.txt"));
}

// Without arguments the report reads the cases the index knows: the same report as
// over those files named, a protected one skipped unless its password is given, a gone
// one left out with a warning, and an empty index said to be empty.
TEST_F(CopiesCommandTest, WithoutArgumentsReadsEveryCaseOfTheIndex) {
    const std::string index = (m_dir / "index").string();
    const CliResult empty = Run({"copies", "--index", index});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(Has(empty.err, "holds no case file")) << empty.err;
    EXPECT_EQ(empty.out, "");

    ASSERT_EQ(Run({"index", "add", Case("shelf"), "--index", index}).exitCode, 0);
    const CliResult named =
        Run({"copies", Case("shelf/a.cas"), Case("shelf/deep/b.cas"), "--json"});
    ASSERT_EQ(named.exitCode, 0) << named.err;
    const CliResult indexed = Run({"copies", "--index", index, "--json"});
    ASSERT_EQ(indexed.exitCode, 0) << indexed.err;
    EXPECT_EQ(indexed.out, named.out);
    EXPECT_EQ(Run({"copies", "--index", index}).out, Run({"copies", Case("shelf")}).out);

    test::WriteShelfCase(Case("locked.cas"), {{"L", "", 9, "", {{"only.txt", 5, 8}}}}, "pw");
    test::WriteShelfCase(Case("gone.cas"), {{"G", "", 10, "", {{"g.txt", 3, 3}}}});
    ASSERT_EQ(
        Run({"index", "add", Case("locked.cas"), Case("gone.cas"), "--index", index}).exitCode, 0);
    std::filesystem::remove(Case("gone.cas"));
    const CliResult locked = Run({"copies", "--index", index, "--max-copies", "1", "--json"});
    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_TRUE(Has(locked.err, Case("locked.cas") + ": protected by another password"))
        << locked.err;
    EXPECT_TRUE(Has(locked.err, "warning: " + Case("gone.cas") + ": the case file is gone"))
        << locked.err;
    EXPECT_TRUE(Has(locked.out, "only.txt")) << locked.out;
    const CliResult unlocked =
        Run({"copies", "--index", index, "--password", "pw", "--max-copies", "1", "--json"});
    EXPECT_EQ(unlocked.exitCode, 0) << unlocked.err;
    EXPECT_FALSE(Has(unlocked.out, "only.txt")); // held on two media now

    EXPECT_EQ(Run({"copies", Case("shelf"), "--index", index}).exitCode, 1);
    EXPECT_EQ(Run({"copies", Case("nowhere")}).exitCode, 2);
}

// Two scanned folders with the CRCs the scan stores; one file is changed afterwards to
// bytes of the same size, which the catalogue still calls a copy.
TEST_F(CopiesCommandTest, VerifyReportsAPlantedFalseMatch) {
    m_dir.Write("one/a.bin", "abcdef");
    m_dir.Write("two/a.bin", "abcdef");
    m_dir.Write("one/b.bin", "sameness");
    m_dir.Write("two/b.bin", "sameness");
    ASSERT_EQ(
        Run({"scan", Case("v.cas"), (m_dir / "one").string(), "--label", "One", "--crc"}).exitCode,
        0);
    ASSERT_EQ(
        Run({"scan", Case("v.cas"), (m_dir / "two").string(), "--label", "Two", "--crc"}).exitCode,
        0);
    const CliResult same = Run({"copies", Case("v.cas"), "--verify", "--json"});
    ASSERT_EQ(same.exitCode, 0) << same.err;
    if (!Has(same.err, "4 files compared")) {
        GTEST_SKIP() << "the mount check does not find folder media here: " << same.err;
    }
    m_dir.Write("two/a.bin", "ABCDEF");
    const CliResult changed = Run({"copies", Case("v.cas"), "--verify"});
    EXPECT_EQ(changed.exitCode, 1) << changed.err;
    EXPECT_TRUE(Has(changed.err, "1 false matches")) << changed.err;
    EXPECT_TRUE(Has(changed.out, "false match, other bytes: " + Case("v.cas"))) << changed.out;
}

} // namespace
} // namespace quillora
