// quillora-cli's editing commands and scan --update, run as a script would run them.
#include "model/CCaseLock.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora::test;

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The JSON line of the record with this catalogue path.
std::string LineOf(const std::string& json, const std::string& path) {
    std::string key = "{\"path\":\"" + path + "\"";
    std::size_t at = json.find(key);
    if (at == std::string::npos) {
        return {};
    }
    return json.substr(at, json.find('\n', at) - at);
}

} // namespace

TEST(CliEditCommands, EditsSurviveARescanOfUnchangedPaths) {
    ScratchDir dir;
    dir.Write("disc/keep.txt", "same");
    dir.Write("disc/gone.txt", "soon gone");
    dir.Write("disc/sub/deep.txt", "deep");
    std::string cas = (dir / "shelf.cas").string();
    std::string disc = (dir / "disc").string();
    ASSERT_EQ(RunCli({"scan", cas, disc, "--label", "Disc"}).exitCode, 0);
    ASSERT_EQ(RunCli({"group", cas, "Archive shelf"}).exitCode, 0);
    EXPECT_EQ(RunCli({"comment", cas, "Disc\\keep.txt", "a comment"}).exitCode, 0);
    EXPECT_EQ(RunCli({"category", cas, "Disc/keep.txt", "Docs"}).exitCode, 0);
    EXPECT_EQ(RunCli({"comment", cas, "Disc\\gone.txt", "lost later"}).exitCode, 0);
    EXPECT_EQ(RunCli({"mark", cas, "Disc\\sub", "--recursive"}).exitCode, 0);
    EXPECT_EQ(RunCli({"link", cas, "Disc\\sub", "/backup/sub"}).exitCode, 0);
    EXPECT_EQ(RunCli({"label", cas, "Disc", "Renamed"}).exitCode, 0);
    CliResult missing = RunCli({"comment", cas, "Renamed\\nope.txt", "x"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(Has(missing.err, "nope.txt"));

    std::filesystem::remove(dir / "disc" / "gone.txt");
    dir.Write("disc/new.txt", "new");
    CliResult update = RunCli({"scan", cas, disc, "--update"});
    ASSERT_EQ(update.exitCode, 0) << update.err;

    CliResult tree = RunCli({"tree", cas, "--json"});
    ASSERT_EQ(tree.exitCode, 0);
    std::string keep = LineOf(tree.out, "Renamed\\\\keep.txt");
    EXPECT_TRUE(Has(keep, "\"comment\":\"a comment\"")) << tree.out;
    EXPECT_TRUE(Has(keep, "\"category\":\"Docs\""));
    EXPECT_TRUE(LineOf(tree.out, "Renamed\\\\gone.txt").empty());
    EXPECT_FALSE(LineOf(tree.out, "Renamed\\\\new.txt").empty());
    std::string deep = LineOf(tree.out, "Renamed\\\\sub\\\\deep.txt");
    EXPECT_TRUE(Has(deep, "\"mark\":1"));
    EXPECT_TRUE(Has(deep, "\"link\":\"/backup/sub\\\\deep.txt\""));
    // The re-scanned medium keeps its place before the group.
    EXPECT_LT(tree.out.find("\"path\":\"Renamed\""), tree.out.find("\"path\":\"Archive shelf\""));
}

TEST(CliEditCommands, PasswordAndMerge) {
    ScratchDir dir;
    std::string a = (dir / "a.cas").string();
    std::string b = (dir / "b.cas").string();
    dir.Write("one/x.txt", "x");
    dir.Write("two/y.txt", "y");
    ASSERT_EQ(RunCli({"scan", a, (dir / "one").string(), "--label", "One"}).exitCode, 0);
    ASSERT_EQ(RunCli({"scan", b, (dir / "two").string(), "--label", "Two"}).exitCode, 0);
    EXPECT_EQ(RunCli({"password", b, "--set", "abc"}).exitCode, 1); // too short
    ASSERT_EQ(RunCli({"password", b, "--set", "secret12"}).exitCode, 0);
    EXPECT_EQ(RunCli({"info", b}).exitCode, 2);

    CliResult refused = RunCli({"merge", a, b});
    EXPECT_EQ(refused.exitCode, 2);
    CliResult merged = RunCli({"merge", a, b, "--other-password", "secret12"});
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    CliResult info = RunCli({"info", a});
    EXPECT_TRUE(Has(info.out, "media: 2")) << info.out;
    EXPECT_TRUE(Has(info.out, "password: no"));

    ASSERT_EQ(RunCli({"password", b, "--clear", "--password", "secret12"}).exitCode, 0);
    EXPECT_EQ(RunCli({"info", b}).exitCode, 0);
}

TEST(CliEditCommands, CommentsAreStoredWithCrLfAndPrintedWithLf) {
    ScratchDir dir;
    dir.Write("disc/a.txt", "a");
    std::string cas = (dir / "shelf.cas").string();
    ASSERT_EQ(RunCli({"scan", cas, (dir / "disc").string(), "--label", "Disc"}).exitCode, 0);
    ASSERT_EQ(RunCli({"comment", cas, "Disc\\a.txt", "first line\nsecond line"}).exitCode, 0);
    CliResult tree = RunCli({"tree", cas, "--json"});
    EXPECT_TRUE(
        Has(LineOf(tree.out, "Disc\\\\a.txt"), "\"comment\":\"first line\\r\\nsecond line\""))
        << tree.out;
    CliResult shown = RunCli({"comment", cas, "Disc\\a.txt"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, "first line\nsecond line\n");
    // A text given with its final line break keeps it, as CR LF.
    ASSERT_EQ(RunCli({"comment", cas, "Disc\\a.txt", "first line\nsecond line\n"}).exitCode, 0);
    EXPECT_TRUE(
        Has(LineOf(RunCli({"tree", cas, "--json"}).out, "Disc\\\\a.txt"), "second line\\r\\n\""));
}

TEST(CliEditCommands, NoWaitFailsAtOnceWhileAnotherProgramHoldsTheCase) {
    ScratchDir dir;
    std::string cas = (dir / "shelf.cas").string();
    ASSERT_EQ(RunCli({"new", cas}).exitCode, 0);
    const std::string before = ReadFileBytes(cas);
    quillora::CCaseLock other;
    ASSERT_EQ(other.Acquire(cas, quillora::CCaseLock::EKind::Shared, false),
              quillora::CCaseLock::EResult::Held);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"group", cas, "G", "--no-wait"},
          {"new", cas, "--force", "--no-wait"},
          {"password", cas, "--set", "abcd1234", "--no-wait"}}) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_TRUE(Has(r.err, "another program is using")) << r.err;
    }
    EXPECT_EQ(ReadFileBytes(cas), before);
    // Reading needs no lock.
    EXPECT_EQ(RunCli({"info", cas}).exitCode, 0);
}
