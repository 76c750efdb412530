// quillora-cli new, info and tree as a user runs them, and their answers to files
// that cannot be read.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(CliCaseCommands, FailuresAreOneEnglishLineNamingTheFileAndTheCause) {
    ScratchDir dir;
    const std::string good = (dir / "good.cas").string();
    const std::string locked = (dir / "locked.cas").string();
    ASSERT_EQ(RunCli({"new", good}).exitCode, 0);
    ASSERT_EQ(RunCli({"new", locked, "--password", "abcd1234"}).exitCode, 0);
    const std::string gz = (dir / "gz.cas").string();
    ASSERT_EQ(RunCli({"save", good, gz, "--compress"}).exitCode, 0);
    std::string bytes = ReadFileBytes(gz);
    bytes[bytes.size() - 6] ^= 0x5A; // the gzip trailer's CRC
    const std::string crc = dir.Write("crc.cas", bytes).string();
    // Cut inside the password block: damaged, not protected.
    const std::string cut = dir.Write("cut.cas", ReadFileBytes(locked).substr(0, 20)).string();
    const std::string broken = dir.Write("broken.caz", "not an archive").string();
    const std::string missing = (dir / "missing.caz").string();
    const std::string goodBefore = ReadFileBytes(good);

    struct SCase {
        std::vector<std::string> args;
        std::string file;
        std::string cause;
    };
    const SCase cases[] = {
        {{"info", broken}, broken, "not a .caz file"},
        {{"info", missing}, missing, "No such file"},
        {{"tree", crc}, crc, "damaged compressed data"},
        {{"info", cut, "--password", "abcd1234"}, cut, "cut short"},
        {{"merge", good, broken}, broken, "not a .caz file"},
        {{"merge", good, crc}, crc, "damaged compressed data"},
        {{"merge", good, locked}, locked, "protected by a password"},
        {{"merge", broken, good}, broken, "not a .caz file"},
        {{"volume", missing}, missing, "No such file"},
        {{"save", good, (dir / "no" / "x.caz").string()}, "x.caz", "No such file"},
    };
    for (const SCase& c : cases) {
        CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0] << " " << c.file;
        ASSERT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("quillora-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.cause), std::string::npos) << r.err;
        EXPECT_TRUE(std::all_of(r.err.begin(), r.err.end(),
                                [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
            << "not English: " << r.err;
        EXPECT_EQ(r.err.find("<fd:"), std::string::npos) << r.err;
        if (c.file != locked) {
            EXPECT_EQ(r.err.find("protected"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("wrong password"), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(ReadFileBytes(good), goodBefore) << "a failed merge left the case as it was";
}

TEST(CliCaseCommands, NewRefusesAnExistingCaseUnlessForcedAndStoresTheFullPath) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    ASSERT_EQ(RunCli({"new", path}).exitCode, 0);
    ASSERT_EQ(RunCli({"group", path, "Keep me"}).exitCode, 0);
    const std::string before = ReadFileBytes(path);
    CliResult refused = RunCli({"new", path});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFileBytes(path), before);
    CliResult forced = RunCli({"new", path, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(ReadFileBytes(path), before);

    // A relative name is stored as the full path, as the case names its own file.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    CliResult relative = RunCli({"new", "relative.cas"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(relative.exitCode, 0) << relative.err;
    const std::string full = (dir / "relative.cas").string();
    const std::string bytes = ReadFileBytes(full);
    EXPECT_NE(bytes.find(static_cast<char>(full.size()) + full), std::string::npos);
}

TEST(CliCaseCommands, PasswordsACaseFileCannotHoldAreRefusedInOneLine) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    ASSERT_EQ(RunCli({"new", path}).exitCode, 0);
    for (const char* password : {"abcdefghijklmnoあ", "パスワード日本語です", "café"}) {
        CliResult r = RunCli({"password", path, "--set", password});
        EXPECT_EQ(r.exitCode, 2) << password;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(RunCli({"info", path}).exitCode, 0) << "the case stays open to all";
        EXPECT_EQ(RunCli({"new", (dir / "other.cas").string(), "--password", password}).exitCode,
                  2);
    }
    // A non-ASCII password that fits opens the case, and only the same bytes do.
    ASSERT_EQ(RunCli({"password", path, "--set", "パスワード日本"}).exitCode, 0);
    EXPECT_EQ(RunCli({"info", path, "--password", "パスワード日本"}).exitCode, 0);
    EXPECT_EQ(RunCli({"info", path, "--password", "ﾊﾟｽﾜｰﾄﾞ日本"}).exitCode, 2);
}
