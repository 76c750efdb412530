// quillora-cli's argument parser: the help agrees with the README, every command
// answers --help, and bad arguments are one-line usage errors with exit code 1.
#include "cli/CommandLine.h"
#include "cli/CommonOptions.h"

#include "support/CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>

using namespace quillora::cli;
using quillora::test::CliResult;
using quillora::test::RunCli;

namespace {

struct SListedCommand {
    std::string group;
    std::string name;
    std::string description;
    std::string synopsis; // README only
    bool operator==(const SListedCommand& o) const {
        return group == o.group && name == o.name && description == o.description;
    }
};

std::ostream& operator<<(std::ostream& out, const SListedCommand& c) {
    return out << c.group << " / " << c.name << " / " << c.description;
}

// The commands of `quillora-cli --help`, under their group headings.
std::vector<SListedCommand> CommandsOfHelp(const std::string& help) {
    std::vector<SListedCommand> commands;
    std::istringstream in(help);
    std::string line, group;
    const std::regex heading(R"(^(\S.*):$)");
    const std::regex entry(R"(^  (\S+) {2,}(\S.*)$)");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, heading)) {
            group = m[1] == "Options" ? "" : m[1].str();
        } else if (!group.empty() && std::regex_match(line, m, entry)) {
            commands.push_back({group, m[1], m[2], {}});
        }
    }
    return commands;
}

// The README's command table: "**Group**" headings and "| `quillora-cli NAME ...` | Text |".
std::vector<SListedCommand> CommandsOfReadme() {
    std::ifstream in(std::string(QUILLORA_SOURCE_DIR) + "/README.md");
    std::vector<SListedCommand> commands;
    std::string line, group;
    const std::regex heading(R"(^\*\*(.+)\*\*$)");
    const std::regex row(R"(^\| `quillora-cli (\S+)([^`]*)` \| (.+) \|$)");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, heading)) {
            group = m[1];
        } else if (std::regex_match(line, m, row)) {
            commands.push_back({group, m[1], m[3], m[2]});
        }
    }
    return commands;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST(CommandLine, HelpListsTheReadmesCommandsInItsGroupsAndEveryCommandAnswersHelp) {
    CliResult help = RunCli({"--help"});
    ASSERT_EQ(help.exitCode, 0) << help.err;
    const std::vector<SListedCommand> listed = CommandsOfHelp(help.out);
    const std::vector<SListedCommand> documented = CommandsOfReadme();
    ASSERT_GE(listed.size(), 17u) << help.out;
    EXPECT_EQ(listed, documented) << "the README's command table differs from --help";

    const std::regex option(R"(--[a-z][a-z-]*)");
    for (const SListedCommand& command : documented) {
        CliResult own = RunCli({command.name, "--help"});
        EXPECT_EQ(own.exitCode, 0) << command.name;
        EXPECT_TRUE(own.err.empty()) << command.name << ": " << own.err;
        EXPECT_NE(own.out.find("Usage: quillora-cli " + command.name), std::string::npos)
            << own.out;
        EXPECT_EQ(own.out.find(command.description), 0u) << own.out;
        for (std::sregex_iterator it(command.synopsis.begin(), command.synopsis.end(), option), end;
             it != end; ++it) {
            EXPECT_NE(own.out.find("  " + it->str() + " "), std::string::npos)
                << command.name << " --help does not name " << it->str();
        }
        EXPECT_EQ(RunCli({command.name, "-h"}).out, own.out);
    }

    CliResult version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("quillora-cli ", 0), 0u) << version.out;
}

TEST(CommandLine, UsageErrorsAreOneLineWithAHint) {
    struct SCase {
        std::vector<std::string> args;
        std::string says;
    };
    const SCase cases[] = {
        {{}, "a command is required"},
        {{"sacn", "a.cas", "/mnt"}, "did you mean 'scan'"},
        {{"presense"}, "did you mean 'presence'"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"info"}, "missing argument CASE"},
        {{"info", "a.cas", "--password"}, "--password needs a value"},
        {{"scan", "a.cas", "/mnt", "--lable", "L"}, "did you mean --label"},
        {{"scan", "a.cas", "/mnt", "extra"}, "unexpected argument extra"},
        {{"extract", "a.cas", "Disc\\a.txt"}, "missing option --to"},
        {{"password", "a.cas"}, "--set or --clear"},
        {{"password", "a.cas", "--set", "abcd1", "--clear"}, "cannot be used together"},
        {{"password", "a.cas", "--set", "abc"}, "4 to 16"},
        {{"volume", ""}, "empty"},
    };
    for (const SCase& c : cases) {
        CliResult r = RunCli(c.args);
        const std::string what = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(r.exitCode, 1) << what << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << what;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("quillora-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--help'"), std::string::npos) << r.err;
    }
}

namespace {

enum class ListFormat { Csv, Html, Tree };

// A command with the typed options the list and find commands take, parsed in-process.
struct STypedArgs {
    unsigned limit = 0;
    std::optional<std::int64_t> since;
    ListFormat format = ListFormat::Csv;
    std::optional<std::string> password;
    bool ran = false;
};

SCommandDefinition TypedCommand(STypedArgs& a) {
    return {"export", CommandGroup::Lists, "Write a list", [&a](CLI::App& cmd) {
                cmd.add_option("--limit", a.limit, "At most N lines")->type_name("N");
                AddDateOption(cmd, "--since", a.since, "Records written since");
                AddChoiceOption(cmd, "--format", a.format,
                                {{"csv", ListFormat::Csv},
                                 {"html", ListFormat::Html},
                                 {"tree", ListFormat::Tree}},
                                "The list's format");
                AddPasswordOption(cmd, a.password);
                return [&a] {
                    a.ran = true;
                    return 0;
                };
            }};
}

std::int64_t LocalMidnight(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

} // namespace

TEST(CommandLine, TypedOptionsRejectBadValuesAsUsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--limit", "many"},
        {"--limit", "1.5"},
        {"--limit", "-3"},
        {"--limit"},
        {"--since", "2023-02-30"},
        {"--since", "yesterday"},
        {"--since", "2023-1-5"},
        {"--since", "2023-01-05 25:00"},
        {"--format", "pdf"},
        {"--format", "CSV"},
        {"--format"},
        {"--password"},
    };
    for (const std::vector<std::string>& options : bad) {
        STypedArgs a;
        std::ostringstream out, err;
        CCommandLine line({TypedCommand(a)}, "1", out, err);
        std::vector<std::string> args{"export"};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(line.Run(args), 1) << options[0];
        EXPECT_FALSE(a.ran);
        EXPECT_TRUE(out.str().empty());
        EXPECT_EQ(Lines(err.str()), 1u) << err.str();
        EXPECT_EQ(err.str().rfind("quillora-cli: export: " + options[0], 0), 0u) << err.str();
    }

    STypedArgs a;
    std::ostringstream out, err;
    CCommandLine line({TypedCommand(a)}, "1", out, err);
    EXPECT_EQ(line.Run({"export", "--limit", "7", "--since=2024-03-05", "--format", "tree"}), 0)
        << err.str();
    EXPECT_TRUE(a.ran);
    EXPECT_EQ(a.limit, 7u);
    EXPECT_EQ(a.since, LocalMidnight(2024, 3, 5));
    EXPECT_EQ(a.format, ListFormat::Tree);
    EXPECT_FALSE(a.password);

    // Only groups with commands are listed; the accepted words are shown.
    std::ostringstream helpOut, helpErr;
    CCommandLine help({TypedCommand(a)}, "1", helpOut, helpErr);
    EXPECT_EQ(help.Run({"--help"}), 0);
    EXPECT_NE(helpOut.str().find("\nLists out and in:\n  export"), std::string::npos)
        << helpOut.str();
    EXPECT_EQ(helpOut.str().find("Catalogue"), std::string::npos);
    helpOut.str("");
    EXPECT_EQ(help.Run({"export", "--help"}), 0);
    EXPECT_NE(helpOut.str().find("--format csv|html|tree"), std::string::npos) << helpOut.str();
}

TEST(CommandLine, DatesAreCalendarDaysInLocalTime) {
    EXPECT_EQ(ParseLocalDate("2024-02-29"), LocalMidnight(2024, 2, 29));
    EXPECT_EQ(ParseLocalDate("2024/02/29"), LocalMidnight(2024, 2, 29));
    EXPECT_EQ(ParseLocalDate("2024-02-29 13:05"), LocalMidnight(2024, 2, 29) + 13 * 3600 + 300);
    EXPECT_EQ(ParseLocalDate("2024-02-29T13:05:09"), LocalMidnight(2024, 2, 29) + 13 * 3600 + 309);
    for (const char* bad :
         {"2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31", "2024-02-29 ", "2024-02-29 24:00",
          "2024-02-29 12:60", "2024/02-29", "24-02-29", "2024-02-29x", ""}) {
        EXPECT_FALSE(ParseLocalDate(bad)) << bad;
    }
}

TEST(CommandLine, SuggestionsAreCloseSlipsOnly) {
    const std::vector<std::string> names{"scan",    "save",     "presence", "extract",
                                         "comment", "category", "print"};
    EXPECT_EQ(ClosestName("sacn", names), "scan");         // swapped letters
    EXPECT_EQ(ClosestName("presense", names), "presence"); // one wrong letter
    EXPECT_EQ(ClosestName("categry", names), "category");  // one missing letter
    EXPECT_EQ(ClosestName("extr", names), "extract");      // the start of one name
    EXPECT_EQ(ClosestName("pr", names), "");               // the start of two names
    EXPECT_EQ(ClosestName("frobnicate", names), "");
    EXPECT_EQ(ClosestName("--lable", {"--label", "--group"}), "--label");
}

TEST(CommandLine, ArgumentsThatSpellACommandStayArguments) {
    std::string label;
    bool scanned = false;
    const std::vector<SCommandDefinition> commands = {
        {"group", CommandGroup::Edit, "Add a group",
         [&label](CLI::App& cmd) {
             auto casePath = std::make_shared<std::string>();
             AddCaseArgument(cmd, *casePath);
             cmd.add_option("LABEL", label, "The label")->required();
             return [casePath] { return 0; };
         }},
        {"scan", CommandGroup::Media, "Scan", [&scanned](CLI::App&) {
             return [&scanned] {
                 scanned = true;
                 return 0;
             };
         }}};
    std::ostringstream out, err;
    CCommandLine line(commands, "1", out, err);
    // A group named "scan" is a label, not a second command.
    EXPECT_EQ(line.Run({"group", "shelf.cas", "scan"}), 0) << err.str();
    EXPECT_EQ(label, "scan");
    EXPECT_FALSE(scanned);
    EXPECT_EQ(line.Run({"group", "shelf.cas", "--", "-old-"}), 0) << err.str();
    EXPECT_EQ(label, "-old-");
}
