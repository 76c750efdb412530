// quillora-cli new, info and tree as a user runs them, and their answers to files
// that cannot be read.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora::test;

TEST(CliCaseCommands, NewInfoAndTreeOfAnEmptyCase) {
    ScratchDir dir;
    std::string path = (dir / "shelf.cas").string();
    CliResult made = RunCli({"new", path});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    CliResult info = RunCli({"info", path});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("schema: 12"), std::string::npos);
    EXPECT_NE(info.out.find("password: no"), std::string::npos);
    EXPECT_NE(info.out.find("media: 0"), std::string::npos);
    CliResult tree = RunCli({"tree", path, "--json"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_EQ(tree.out.find("{\"path\":\"\",\"name\":" + std::string("\"") + path + "\""), 0u)
        << tree.out;
    EXPECT_NE(tree.out.find("\"class\":\"case\""), std::string::npos);
    EXPECT_NE(tree.out.find("\"crc\":null"), std::string::npos);
}

TEST(CliCaseCommands, PasswordProtectedCaseNeedsThePassword) {
    ScratchDir dir;
    std::string path = (dir / "locked.cas").string();
    ASSERT_EQ(RunCli({"new", path, "--password", "abcd1234"}).exitCode, 0);
    CliResult without = RunCli({"info", path});
    EXPECT_EQ(without.exitCode, 2);
    EXPECT_NE(without.err.find("password"), std::string::npos);
    EXPECT_EQ(std::count(without.err.begin(), without.err.end(), '\n'), 1);
    EXPECT_EQ(RunCli({"info", path, "--password", "wrong"}).exitCode, 2);
    CliResult with = RunCli({"info", path, "--password", "abcd1234"});
    EXPECT_EQ(with.exitCode, 0) << with.err;
    EXPECT_NE(with.out.find("password: yes"), std::string::npos);
}

TEST(CliCaseCommands, UnreadableFilesGiveOneLineAndExitCode2WithoutWriting) {
    ScratchDir dir;
    std::string corrupt = dir.Write("corrupt.cas", std::string("\xFF\xFF\x0C\x00\x07\x00"
                                                               "CCDCase\x01",
                                                               14))
                              .string();
    std::string before = ReadFileBytes(corrupt);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"info", corrupt},
                                                 {"tree", corrupt},
                                                 {"tree", corrupt, "--json"},
                                                 {"info", (dir / "missing.cas").string()}}) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(ReadFileBytes(corrupt), before);
    EXPECT_EQ(RunCli({"info"}).exitCode, 1);
    EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 1);
    EXPECT_EQ(RunCli({"new", (dir / "no-folder" / "x.cas").string()}).exitCode, 2);
}
