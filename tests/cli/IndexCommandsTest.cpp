// quillora-cli locate and index as a user runs them: cases made and changed by other
// commands are found at once, left-out cases are listed, and the JSON carries the
// fields and paths `tree --json` uses.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

class CliIndex : public ::testing::Test {
protected:
    CliIndex() {
        dir.Write("disc/Docs/ガイド.txt", "guide");
        dir.Write("disc/REPORT.pdf", "pdf");
        dir.Write("disc/Straße.doc", "doc");
        fs::create_directories(dir / "cases");
    }

    CliResult Run(std::vector<std::string> args) {
        args.push_back("--index");
        args.push_back((dir / "index").string());
        return RunCli(args);
    }

    std::string Case(const std::string& name) const { return (dir / "cases" / name).string(); }

    ScratchDir dir;
};

} // namespace

TEST_F(CliIndex, LocateFindsFoldedNamesAcrossCasesAddedByFolder) {
    ASSERT_EQ(
        RunCli({"scan", Case("a.cas"), (dir / "disc").string(), "--label", "Disc 1"}).exitCode, 0);
    ASSERT_EQ(
        RunCli({"scan", Case("b.cas"), (dir / "disc").string(), "--label", "Disc 2"}).exitCode, 0);
    CliResult added = Run({"index", "add", (dir / "cases").string()});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_NE(added.out.find("read: 2"), std::string::npos) << added.out;

    // An update reads nothing unchanged; a rebuild reads every case again.
    EXPECT_NE(Run({"index", "update"}).out.find("read: 0"), std::string::npos);
    CliResult rebuilt = Run({"index", "rebuild"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
    EXPECT_NE(rebuilt.out.find("read: 2"), std::string::npos) << rebuilt.out;

    CliResult json = Run({"locate", "ｶﾞｲﾄﾞ", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::string first = json.out.substr(0, json.out.find('\n'));
    EXPECT_NE(first.find("\"case\":\"" + fs::canonical(Case("a.cas")).string() + "\""),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("\"medium\":\"Disc 1\""), std::string::npos);
    EXPECT_NE(first.find("\"path\":\"Disc 1\\\\Docs\\\\ガイド.txt\""), std::string::npos) << first;
    EXPECT_NE(first.find("\"name\":\"ガイド.txt\""), std::string::npos);
    EXPECT_NE(first.find("\"size\":5"), std::string::npos);
    EXPECT_NE(first.find("\"lastWrite\":\"20"), std::string::npos);
    EXPECT_NE(first.find("\"class\":\"file\""), std::string::npos);
    EXPECT_NE(first.find("\"present\":"), std::string::npos);
    // The same path as tree --json prints for the record.
    CliResult tree = RunCli({"tree", Case("a.cas"), "--json"});
    EXPECT_NE(tree.out.find("\"path\":\"Disc 1\\\\Docs\\\\ガイド.txt\""), std::string::npos);
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2);

    CliResult text = Run({"locate", "STRASSE", "--limit", "1"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 1);
    EXPECT_EQ(
        text.out.find(fs::canonical(Case("a.cas")).string() + "\tDisc 1\tDisc 1\\Straße.doc\t3\t"),
        0u)
        << text.out;
    EXPECT_EQ(Run({"locate", "ＲＥＰＯＲＴ", "disc/"}).out.size(), 0u);
    const std::string second = Run({"locate", "ＲＥＰＯＲＴ", "disc 2/"}).out;
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 1) << second;
}

TEST_F(CliIndex, SavesByOtherCommandsReachTheIndexAtOnce) {
    // The commands take their cases into the index the settings name: here the
    // default one under XDG_DATA_HOME, as a user has it.
    const std::string data = (dir / "data").string();
    const std::vector<std::string> env = {
        "XDG_DATA_HOME=" + data, "XDG_CONFIG_HOME=" + (dir / "config").string(), "LANG=C.UTF-8"};
    auto run = [&](const std::vector<std::string>& args) {
        const int pid = StartCli(args, env, dir.Path().string());
        return FinishCli(pid, dir.Path().string());
    };
    ASSERT_EQ(run({"scan", Case("a.cas"), (dir / "disc").string(), "--label", "Disc"}).exitCode, 0);
    CliResult hits = run({"locate", "report"});
    EXPECT_NE(hits.out.find("Disc\\REPORT.pdf"), std::string::npos) << hits.out << hits.err;
    ASSERT_EQ(run({"label", Case("a.cas"), "Disc", "Shelf"}).exitCode, 0);
    hits = run({"locate", "report"});
    EXPECT_EQ(hits.out.find("Disc\\"), std::string::npos) << hits.out;
    EXPECT_NE(hits.out.find("\tShelf\tShelf\\REPORT.pdf"), std::string::npos) << hits.out;
    EXPECT_TRUE(fs::exists(fs::path(data) / "quillora/index/index.sqlite"));
}

TEST_F(CliIndex, StatusListsProtectedAndUnreadableCasesWithTheirCauses) {
    ASSERT_EQ(RunCli({"scan", Case("open.cas"), (dir / "disc").string()}).exitCode, 0);
    ASSERT_EQ(RunCli({"new", Case("locked.cas"), "--password", "abcd1234"}).exitCode, 0);
    std::ofstream(Case("broken.cas")) << "no case";
    ASSERT_EQ(Run({"index", "add", (dir / "cases").string()}).exitCode, 0);
    CliResult status = Run({"index", "status"});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("cases: 1\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("records: "), std::string::npos);
    EXPECT_NE(status.out.find("bytes: "), std::string::npos);
    EXPECT_NE(
        status.out.find("left out: " + fs::canonical(Case("locked.cas")).string() + ": protected"),
        std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find("broken.cas: unreadable ("), std::string::npos) << status.out;
    CliResult json = Run({"index", "status", "--json"});
    EXPECT_NE(json.out.find("\"cases\":1,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"state\":\"protected\""), std::string::npos);

    // Exit codes as elsewhere: a path that is nothing fails, a missing action is usage.
    EXPECT_EQ(Run({"index", "add", (dir / "nothing.cas").string()}).exitCode, 2);
    EXPECT_EQ(Run({"index", "remove"}).exitCode, 1);
    EXPECT_EQ(Run({"index", "frobnicate"}).exitCode, 1);
    EXPECT_EQ(Run({"locate"}).exitCode, 1);
    EXPECT_EQ(Run({"index", "remove", Case("open.cas")}).exitCode, 0);
    EXPECT_EQ(Run({"locate", "report"}).out, "");
}
