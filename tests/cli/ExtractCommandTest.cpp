// quillora-cli extract: plain files copied from the mounted medium, members taken out
// of the archive that holds them, nothing written outside the target, and a clear
// answer when the medium is not there.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <set>

using namespace quillora::test;

namespace {

class ExtractCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("src-bundle/dir/inner.txt", "inner bytes");
        dir.Write("src-bundle/top.txt", "top bytes");
        dir.Write("disc/plain.txt", "plain bytes");
        dir.Write("disc/sub/deeper.txt", "deeper bytes");
        std::filesystem::create_directories(dir / "disc" / "sub");
        CliResult zip =
            RunProgram({"bsdtar", "-a", "-cf", (dir / "disc" / "sub" / "bundle.zip").string(), "-C",
                        (dir / "src-bundle").string(), "dir", "top.txt"});
        ASSERT_EQ(zip.exitCode, 0) << zip.err;
        cas = (dir / "shelf.cas").string();
        CliResult scan = RunCli({"scan", cas, (dir / "disc").string(), "--label", "Disc"});
        ASSERT_EQ(scan.exitCode, 0) << scan.err;
        target = (dir / "out").string();
    }

    ScratchDir dir;
    std::string cas;
    std::string target;
};

} // namespace

TEST_F(ExtractCommandTest, AnArchiveMemberComesOutWithItsPathInsideTheArchive) {
    CliResult r = RunCli({"extract", cas, "Disc\\sub\\bundle.zip\\dir\\inner.txt", "--to", target});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir / "out" / "dir" / "inner.txt"), "inner bytes");
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "top.txt"));
}

TEST_F(ExtractCommandTest, AFolderCopiesItsFilesAndExtractsItsArchivesBelowIt) {
    CliResult r = RunCli({"extract", cas, "Disc\\sub", "Disc\\plain.txt", "--to", target});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir / "out" / "plain.txt"), "plain bytes");
    EXPECT_EQ(ReadFileBytes(dir / "out" / "sub" / "deeper.txt"), "deeper bytes");
    EXPECT_EQ(ReadFileBytes(dir / "out" / "sub" / "bundle.zip" / "dir" / "inner.txt"),
              "inner bytes");
    EXPECT_EQ(ReadFileBytes(dir / "out" / "sub" / "bundle.zip" / "top.txt"), "top bytes");
    // Nothing but the target, the tree and the case were written.
    std::set<std::string> top;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        top.insert(e.path().filename().string());
    }
    EXPECT_EQ(top, (std::set<std::string>{"disc", "out", "shelf.cas", "src-bundle"}));
}

TEST_F(ExtractCommandTest, AMissingMediumOrRecordIsReportedAndNothingIsWritten) {
    std::filesystem::rename(dir / "disc", dir / "elsewhere");
    CliResult r = RunCli({"extract", cas, "Disc\\plain.txt", "--to", target});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("not mounted"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "plain.txt"));
    EXPECT_EQ(RunCli({"extract", cas, "Disc\\nothing.txt", "--to", target}).exitCode, 2);
    EXPECT_EQ(RunCli({"extract", cas, "Disc", "--to", target}).exitCode, 2); // a medium alone
    EXPECT_EQ(RunCli({"extract", cas, "Disc\\plain.txt"}).exitCode, 1);
}
