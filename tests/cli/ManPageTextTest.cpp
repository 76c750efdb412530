// quillora-cli's manual page sections, rendered by groff: every command with its
// usage and options, and text that troff would misread kept as it was written.
#include "cli/ManPageText.h"
#include "cli/CommandLine.h"
#include "cli/CommonOptions.h"
#include "cli/ParserOutline.h"

#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quillora::cli;
using quillora::test::CliResult;
using quillora::test::RunProgram;
using quillora::test::ScratchDir;

namespace {

// The include file as the page help2man makes of it, rendered to plain text.
CliResult Render(const std::string& sections) {
    std::string page = ".TH QUILLORA-CLI 1\n.SH NAME\nquillora-cli \\- test\n";
    std::istringstream in(sections);
    for (std::string line; std::getline(in, line);) {
        if (line == "[=OPTIONS]") {
            page += ".SH OPTIONS\n";
        } else if (line == "[COMMANDS]") {
            page += ".SH COMMANDS\n";
        } else {
            page += line + "\n";
        }
    }
    ScratchDir dir;
    const auto file = dir.Write("page.1", page);
    return RunProgram({"groff", "-man", "-Tascii", "-ww", "-P-cbou", "-rLL=200n", file.string()});
}

std::string Collapse(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\n') {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

TEST(ManPageText, EveryCommandAppearsWithItsUsageArgumentsAndOptions) {
    std::ostringstream unused;
    CCommandLine line(RegisteredCommands(), "1", unused, unused);
    const SProgramOutline outline = OutlineOf(line.App());
    CliResult r = Render(ManPageSections(outline));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << "groff warns";
    const std::string text = Collapse(r.out);
    EXPECT_NE(text.find("-h, --help"), std::string::npos) << text;
    EXPECT_NE(text.find("--version"), std::string::npos);
    ASSERT_FALSE(outline.commands.empty());
    for (const SCommandOutline& command : outline.commands) {
        EXPECT_NE(text.find(command.usage + " " + command.description), std::string::npos)
            << command.usage;
        for (const SArgumentOutline& option : command.options) {
            EXPECT_NE(text.find(option.names.back()), std::string::npos) << option.names.back();
        }
    }
    for (const std::string& group : outline.groups) {
        EXPECT_NE(text.find(" " + group + " "), std::string::npos) << group;
    }
    // Required options and options that exclude each other say so.
    EXPECT_NE(text.find("--to DIR The folder to copy into (made when missing) (required)"),
              std::string::npos);
    EXPECT_NE(text.find("--set P The new password (not with --clear)"), std::string::npos);
}

TEST(ManPageText, TextThatTroffWouldReadAsRequestsStaysText) {
    std::string value;
    std::ostringstream unused;
    CCommandLine line({{"odd", CommandGroup::Edit, ".so /etc/passwd",
                        [&value](CLI::App& cmd) {
                            cmd.add_option("RECORD", value, "'Disc\\a.txt' as tree prints it");
                            cmd.add_option("--text", value, "[COMMANDS] -- \"quoted\" \\fB");
                            return [] { return 0; };
                        }}},
                      "1", unused, unused);
    CliResult r = Render(ManPageSections(OutlineOf(line.App())));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string text = Collapse(r.out);
    EXPECT_NE(text.find(".so /etc/passwd"), std::string::npos) << text;
    EXPECT_NE(text.find("'Disc\\a.txt' as tree prints it"), std::string::npos) << text;
    EXPECT_NE(text.find("[COMMANDS] -- \"quoted\" \\fB"), std::string::npos) << text;
    EXPECT_EQ(TroffText("[x]"), "\\&[x]");
    EXPECT_EQ(TroffText("/x/"), "\\&/x/");
}
