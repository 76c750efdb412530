// quillora-cli find and search as a user runs them: conditions, the start record,
// counts and JSON, case files in collection order with the ones that cannot be read,
// and input that cannot be used.
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include "core/FileTime.h"
#include "model/CaseFile.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillora {
namespace {

using test::CliResult;
using test::RunCli;
using test::ScratchDir;

// A medium "Disc" holding "Docs" (a.txt 100 bytes, B.JPG 2000 bytes, marked) and
// "readme.txt" written in 2001 with a comment; a group "Group" with a medium "Card"
// holding "photo.jpg".
void WriteSample(const std::string& path, const std::string& password = {}) {
    CCDCase root;
    root.m_strPassword = password;
    auto disc = std::make_unique<SVolumeInfo>();
    disc->SetLabel("Disc");
    SFileInfo* medium = root.AddChild(std::move(disc));
    auto add = [](SFileInfo& parent, const std::string& name, std::uint64_t size,
                  std::uint32_t flags) {
        auto r = std::make_unique<SFileInfo>();
        r->m_strName = name;
        r->m_nSize = size;
        r->m_dwFlags = flags;
        r->m_ftLastWrite = r->m_ftCreation = FileTimeFromUnix(1500000000); // 2017
        return parent.AddChild(std::move(r));
    };
    SFileInfo* docs = add(*medium, "Docs", 0, kAttrDirectory);
    add(*docs, "a.txt", 100, kAttrArchive);
    add(*docs, "B.JPG", 2000, kAttrArchive)->m_byMark = 1;
    SFileInfo* readme = add(*medium, "readme.txt", 500, kAttrArchive);
    readme->m_ftLastWrite = FileTimeFromUnix(1000000000); // 2001
    readme->SetComment("first line\nsecond");
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel("Group");
    SFileInfo* g = root.AddChild(std::move(group));
    auto card = std::make_unique<SVolumeInfo>();
    card->SetLabel("Card");
    add(*g->AddChild(std::move(card)), "photo.jpg", 3000, kAttrArchive);
    root.RecalcSize(true);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    SaveCaseFile(root, path, false);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}

std::vector<std::string> Find(const std::string& path, std::vector<std::string> args) {
    args.insert(args.begin(), {"find", path});
    CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Lines(r.out);
}

} // namespace

TEST(CliFind, ConditionsMethodsAndTheStartRecord) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    WriteSample(path);
    using L = std::vector<std::string>;
    // Wildcards ignoring case by default, on the names as the views show them ("B.JPG"
    // shows as "B.jpg"); the lines give the stored names.
    EXPECT_EQ(Find(path, {"--name", "*.jpg"}), (L{"Disc\\Docs\\B.JPG", "Group\\Card\\photo.jpg"}));
    // Telling capitals from small letters, a find sees the name as it is stored.
    EXPECT_EQ(Find(path, {"--name", "*.JPG", "--case-sensitive"}), L{"Disc\\Docs\\B.JPG"});
    EXPECT_EQ(Find(path, {"--name", "*.jpg", "--case-sensitive"}), L{"Group\\Card\\photo.jpg"});
    EXPECT_EQ(Find(path, {"--name", "^B\\.JPG$", "--regex", "--case-sensitive"}),
              L{"Disc\\Docs\\B.JPG"});
    EXPECT_EQ(Find(path, {"--name", "^[ab]\\.", "--regex"}),
              (L{"Disc\\Docs\\a.txt", "Disc\\Docs\\B.JPG"}));
    EXPECT_EQ(Find(path, {"--comment", "line?second"}), L{"Disc\\readme.txt"});
    EXPECT_EQ(Find(path, {"--mark"}), L{"Disc\\Docs\\B.JPG"});
    EXPECT_EQ(Find(path, {"--size-min", "1000"}),
              (L{"Disc\\Docs\\B.JPG", "Group\\Card\\photo.jpg"}));
    // Media and groups have no times (1601): they are before any bound.
    EXPECT_EQ(Find(path, {"--written-to", "2001-12-31"}),
              (L{"Disc\\", "Disc\\readme.txt", "Group\\", "Group\\Card\\"}));
    EXPECT_EQ(Find(path, {"--or", "--mark", "--name", "readme"}),
              (L{"Disc\\Docs\\B.JPG", "Disc\\readme.txt"}));
    // NOT: everything AND does not find, the case itself first.
    L notTxt = Find(path, {"--not", "--name", "*.txt"});
    EXPECT_EQ(notTxt.size(), 7u);
    EXPECT_EQ(notTxt[0], "shelf.cas");
    EXPECT_EQ(notTxt[1], "Disc\\");
    // From a record: its subtree must hold the first match; later matches follow.
    EXPECT_EQ(Find(path, {"--name", "*.jpg", "--from", "Disc\\Docs\\B.JPG"}),
              (L{"Disc\\Docs\\B.JPG", "Group\\Card\\photo.jpg"}));
    EXPECT_EQ(Find(path, {"--name", "*.jpg", "--from", "Disc/Docs/a.txt"}), L{});
    // No condition: every record, with --count only the number.
    EXPECT_EQ(Find(path, {"--count"}), L{"9"});
    // --json: the objects `tree --json` prints for the same records.
    L json = Find(path, {"--name", "photo", "--json"});
    ASSERT_EQ(json.size(), 1u);
    L tree = Lines(RunCli({"tree", path, "--json"}).out);
    EXPECT_NE(std::find(tree.begin(), tree.end(), json[0]), tree.end()) << json[0];
}

TEST(CliFind, InputThatCannotBeUsedIsOneLine) {
    ScratchDir dir;
    const std::string path = (dir / "shelf.cas").string();
    WriteSample(path, "secret12");
    // A value that does not read is a usage error (exit code 1), told before the case
    // is opened; a record or password that does not fit the case is a failure (2).
    struct SCase {
        std::vector<std::string> args;
        int exitCode;
    };
    for (const SCase& c : {SCase{{"--name", "a(", "--regex"}, 1},
                           {{"--size-max", "4294967296"}, 1},
                           {{"--size-min", "-1"}, 1},
                           {{"--size-min", "notanumber"}, 1},
                           {{"--created-from", "yesterday"}, 1},
                           {{"--name", std::string(1100, 'x')}, 1},
                           {{"--name", "a" + std::string(30, '+'), "--regex"}, 1},
                           {{"--name", "(a*)*\\1[^a]a", "--regex"}, 1},
                           {{"--category", "(x)\\2"}, 1},
                           {{"--from", "Disc\\nothing"}, 2},
                           {{}, 2}}) {
        std::vector<std::string> full = {"find", path};
        full.insert(full.end(), c.args.begin(), c.args.end());
        if (!c.args.empty()) {
            full.insert(full.end(), {"--password", "secret12"});
        }
        CliResult r = RunCli(full);
        EXPECT_EQ(r.exitCode, c.exitCode) << (c.args.empty() ? "no password" : c.args[0]);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    // The same before the file is even looked at.
    EXPECT_EQ(RunCli({"find", (dir / "none.cas").string(), "--size-min", "x"}).exitCode, 1);
    // A back reference is named as the reason, before any record is read.
    CliResult back = RunCli({"find", path, "--password", "secret12", "--regex", "--name",
                             "(.*)(.*)(.*)(.*)\\4\\3\\2\\1[^a]a"});
    EXPECT_EQ(back.exitCode, 1);
    EXPECT_NE(back.err.find("back reference"), std::string::npos) << back.err;
    // Dates out of range are clamped, as the dialog does, not refused.
    CliResult clamped =
        RunCli({"find", path, "--password", "secret12", "--created-to", "2099/13/40", "--count"});
    EXPECT_EQ(clamped.exitCode, 0) << clamped.err;
    EXPECT_EQ(RunCli({"find", path, "--or", "--not"}).exitCode, 1);
}

TEST(CliSearch, CountsEveryCaseFileInCollectionOrder) {
    ScratchDir dir;
    WriteSample((dir / "shelf/one.cas").string());
    WriteSample((dir / "shelf/deeper/two.cas").string());
    WriteSample((dir / "shelf/locked.cas").string(), "secret12");
    dir.Write("shelf/broken.cas", "not a case");
    dir.Write("shelf/notes.txt", "not listed");
    const std::string folder = (dir / "shelf").string();
    CliResult r = RunCli({"search", folder, "--name", "*.jpg"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    std::vector<std::string> sorted = lines;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"broken.cas\t-1", "deeper/two.cas\t2",
                                                "locked.cas\t-1", "one.cas\t2"}));
    // Capitals as stored, in the stream of each case file too.
    CliResult capitals = RunCli({"search", folder, "--name", "B.JPG", "--case-sensitive"});
    std::vector<std::string> counted = Lines(capitals.out);
    std::sort(counted.begin(), counted.end());
    EXPECT_EQ(counted, (std::vector<std::string>{"broken.cas\t-1", "deeper/two.cas\t1",
                                                 "locked.cas\t-1", "one.cas\t1"}));
    // The same order on every run, with one worker or many, and with a trailing "/".
    CliResult one = RunCli({"search", folder + "/", "--name", "*.jpg", "--jobs", "1"});
    EXPECT_EQ(Lines(one.out), lines);
    // The password given opens the protected file; JSON lines.
    CliResult json = RunCli({"search", folder, "--json", "--password", "secret12"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    std::vector<std::string> objects = Lines(json.out);
    EXPECT_NE(std::find(objects.begin(), objects.end(), "{\"path\":\"locked.cas\",\"count\":9}"),
              objects.end())
        << json.out;
    EXPECT_NE(std::find(objects.begin(), objects.end(), "{\"path\":\"broken.cas\",\"count\":-1}"),
              objects.end());
    // A folder that is not there (exit code 2), or a bad pattern or number (1): one line.
    for (const auto& [args, code] :
         {std::pair<std::vector<std::string>, int>{{"search", (dir / "missing").string()}, 2},
          {{"search", folder, "--regex", "--comment", "(("}, 1},
          {{"search", folder, "--regex", "--name", "(a*)*\\1[^a]a"}, 1},
          {{"search", folder, "--size-min", "notanumber"}, 1}}) {
        CliResult bad = RunCli(args);
        EXPECT_EQ(bad.exitCode, code) << args.back();
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    }
}

namespace {

// Names whose CP932 bytes hold ASCII letters, "\" and "|" as second bytes of
// Japanese characters ("ャ", "ソ", "表", "ポ"), which the count tests before decoding.
void WriteJapaneseSample(const std::string& path) {
    CCDCase root;
    auto disc = std::make_unique<SVolumeInfo>();
    disc->SetLabel("Disc");
    SFileInfo* medium = root.AddChild(std::move(disc));
    SFileInfo* folder = nullptr;
    for (const char* name : {"ソフト", "ャa.txt", "表示_Holiday.JPG", "ポ|a.TXT", "holiday.txt",
                             "ソ\\a", "写真.jpg", "a.txt"}) {
        auto r = std::make_unique<SFileInfo>();
        r->m_strName = name;
        r->m_nSize = 10;
        r->m_dwFlags = folder ? kAttrArchive : kAttrDirectory;
        SFileInfo* added = (folder ? folder : medium)->AddChild(std::move(r));
        folder = folder ? folder : added;
    }
    root.RecalcSize(true);
    SaveCaseFile(root, path, false);
}

} // namespace

// A count over the whole case is taken from the records as they stream past, a listing
// from the loaded tree: both must agree, also for files of the old schemas whose folder
// sizes are summed at load, and for media whose labels come after their contents.
TEST(CliFind, CountsFromTheStreamAgreeWithTheListedMatches) {
    ScratchDir dir;
    const std::string sample = (dir / "sample.cas").string();
    WriteSample(sample);
    const std::string japanese = (dir / "japanese.cas").string();
    WriteJapaneseSample(japanese);
    const std::string seeds = std::string(QUILLORA_SOURCE_DIR) + "/fuzz/seeds/case_reader/";
    const std::vector<std::vector<std::string>> conditions = {
        {},
        {"--name", "*.txt"},
        {"--name", "Disc;Card"},
        {"--size-min", "1000"},
        {"--size-max", "0"},
        {"--mark"},
        {"--name", "*.jpg", "--not"},
        {"--name", "a"},
        {"--name", "holiday"},
        {"--name", "a.txt", "--case-sensitive"},
        {"--name", "\\\\", "--regex"},
        {"--name", "a", "--or", "--mark"},
        {"--name", "a$", "--regex"},
        {"--name", "ソ"}};
    for (const std::string& file : {sample, japanese, seeds + "schema2.cas", seeds + "rich.cas"}) {
        for (const std::vector<std::string>& condition : conditions) {
            std::vector<std::string> list = {"find", file};
            list.insert(list.end(), condition.begin(), condition.end());
            std::vector<std::string> count = list;
            count.push_back("--count");
            CliResult listed = RunCli(list);
            CliResult counted = RunCli(count);
            ASSERT_EQ(listed.exitCode, 0) << listed.err;
            ASSERT_EQ(counted.exitCode, 0) << counted.err;
            const auto lines = std::count(listed.out.begin(), listed.out.end(), '\n');
            EXPECT_EQ(counted.out, std::to_string(lines) + "\n")
                << file << " " << (condition.empty() ? "" : condition[0]);
        }
    }
}

} // namespace quillora
