// quillora-cli and comments: scan --comments and --arc-comments, the comments command
// on a mounted medium, and tree --json showing comments and property sets.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace quillora {
namespace {

using test::ScratchDir;

class CommentsCommandTest : public testing::Test {
protected:
    void SetUp() override {
        if (access(test::CliPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "quillora-cli is not built";
        }
        std::filesystem::create_directories(m_home);
        m_dir.Write("disc/readme.txt", "Read me\n");
        m_dir.Write("disc/page.html", "<title>The page</title><meta name=author content=Taro>");
        m_dir.Write("pack/inner.txt", "inside the zip\n");
        ASSERT_EQ(test::RunProgram({"sh", "-c",
                                    "cd '" + (m_dir / "pack").string() +
                                        "' && zip -q ../disc/pack.zip inner.txt"})
                      .exitCode,
                  0);
    }
    test::CliResult Run(const std::vector<std::string>& args) {
        const std::vector<std::string> env = {
            "XDG_CONFIG_HOME=" + m_home.string(), "XDG_STATE_HOME=" + m_home.string(),
            "XDG_DATA_HOME=" + m_home.string(), "LANG=C.UTF-8", "PATH=/usr/bin:/bin"};
        return test::FinishCli(test::StartCli(args, env, m_home), m_home);
    }
    std::string Tree() { return Run({"tree", m_case, "--json"}).out; }

    ScratchDir m_dir;
    std::filesystem::path m_home = m_dir / "home";
    std::string m_case = (m_dir / "shelf.cas").string();
    std::string m_disc = (m_dir / "disc").string();
};

TEST_F(CommentsCommandTest, ScanWithCommentsFillsFilesAndArchiveEntries) {
    const auto scan = Run({"scan", m_case, m_disc, "--label", "D", "--comments", "--arc-comments"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    const std::string tree = Tree();
    EXPECT_NE(tree.find("\"Read me\\r\\n\""), std::string::npos) << tree;
    EXPECT_NE(tree.find("\"The page\""), std::string::npos) << tree;
    EXPECT_NE(tree.find("{\"definition\":\"HTML\",\"values\":[\"The page\",\"\",\"\",\"Taro\""),
              std::string::npos)
        << tree;
    EXPECT_NE(tree.find("\"inside the zip\\r\\n\""), std::string::npos) << tree;
}

TEST_F(CommentsCommandTest, WithoutTheFlagsAScanRecordsNoComments) {
    ASSERT_EQ(Run({"scan", m_case, m_disc, "--label", "D"}).exitCode, 0);
    EXPECT_EQ(Tree().find("Read me"), std::string::npos);
}

TEST_F(CommentsCommandTest, TheCommentsCommandFillsAndOverwrites) {
    ASSERT_EQ(Run({"scan", m_case, m_disc, "--label", "D"}).exitCode, 0);
    ASSERT_EQ(Run({"comment", m_case, "D\\page.html", "typed"}).exitCode, 0);
    auto run = Run({"comments", m_case, "D", "--recursive"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string tree = Tree();
    EXPECT_NE(tree.find("\"Read me\\r\\n\""), std::string::npos);
    EXPECT_NE(tree.find("\"typed\""), std::string::npos) << "empty comments only";
    EXPECT_NE(tree.find("\"inside the zip\\r\\n\""), std::string::npos) << tree;
    run = Run({"comments", m_case, "D\\page.html", "--overwrite"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    tree = Tree();
    EXPECT_EQ(tree.find("\"typed\""), std::string::npos);
    EXPECT_NE(tree.find("\"The page\""), std::string::npos);
}

TEST_F(CommentsCommandTest, UnknownRecordsAndMissingMediaChangeNothing) {
    ASSERT_EQ(Run({"scan", m_case, m_disc, "--label", "D"}).exitCode, 0);
    auto run = Run({"comments", m_case, "D\\nothing.txt"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("nothing.txt"), std::string::npos);
    std::filesystem::rename(m_disc, m_dir / "moved");
    run = Run({"comments", m_case, "D", "--recursive"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("not mounted"), std::string::npos) << run.err;
}

} // namespace
} // namespace quillora
