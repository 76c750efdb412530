// The shell completion written from the parser, run in a real bash with
// bash-completion loaded: commands, options, the words of enumerated options, and
// file names only where a file goes.
#include "cli/CompletionScript.h"
#include "cli/CommandLine.h"
#include "cli/CommonOptions.h"
#include "cli/ParserOutline.h"

#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace quillora::cli;
using quillora::test::CliResult;
using quillora::test::RunProgram;
using quillora::test::ScratchDir;

namespace {

constexpr const char* kBashCompletion = "/usr/share/bash-completion/bash_completion";

// Runs the completion function the way bash does at <TAB> after `line` (a trailing
// blank asks for a new word), in `folder`, and returns the offered words in order.
constexpr const char* kDriver = R"(
cd "$1" || exit 9
source /usr/share/bash-completion/bash_completion
source "$2" || exit 9
COMP_LINE=$3
COMP_POINT=${#COMP_LINE}
read -ra COMP_WORDS <<<"$COMP_LINE"
[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
function=$(complete -p "${COMP_WORDS[0]}" | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
"$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
)";

class CCompletionShell {
public:
    explicit CCompletionShell(const std::string& script) {
        m_script = m_dir.Write("completion.bash", script);
        m_driver = m_dir.Write("driver.sh", kDriver);
        std::filesystem::create_directories(m_dir / "files/sub folder");
        for (const char* name : {"shelf.cas", "old.CAZ", "notes.txt", "sub folder/inner.cas"}) {
            m_dir.Write(std::string("files/") + name, "");
        }
    }
    std::string Complete(const std::string& line) const {
        CliResult r = RunProgram(
            {"bash", m_driver.string(), (m_dir / "files").string(), m_script.string(), line});
        EXPECT_EQ(r.exitCode, 0) << line << ": " << r.err;
        std::string words;
        std::istringstream in(r.out);
        for (std::string word; std::getline(in, word);) {
            if (!word.empty()) {
                words += (words.empty() ? "" : " ") + word;
            }
        }
        return words;
    }

private:
    ScratchDir m_dir;
    std::filesystem::path m_script;
    std::filesystem::path m_driver;
};

bool HaveBashCompletion() {
    return std::filesystem::exists(kBashCompletion);
}

std::string RealBashScript() {
    std::ostringstream unused;
    CCommandLine line(RegisteredCommands(), "1", unused, unused);
    return BashCompletionScript(OutlineOf(line.App()));
}

enum class Format { Csv, Html, Tree };

// A command with the kinds of values the real ones do not all have yet.
struct SListArgs {
    std::string casePath;
    std::vector<std::string> paths;
    Format format = Format::Csv;
    std::optional<std::int64_t> since;
    std::string folder;
    bool all = false;
};

std::string ListScript(const std::string& shell, SListArgs& a) {
    std::ostringstream unused;
    CCommandLine line({{"export", CommandGroup::Lists, "Write a list",
                        [&a](CLI::App& cmd) {
                            AddCaseArgument(cmd, a.casePath);
                            cmd.add_option("PATH", a.paths, "Files to read")->check(NonEmptyPath());
                            AddChoiceOption(cmd, "--format", a.format,
                                            {{"csv", Format::Csv},
                                             {"html", Format::Html},
                                             {"tree", Format::Tree}},
                                            "The list's format");
                            AddDateOption(cmd, "--since", a.since, "Records since");
                            cmd.add_option("--into", a.folder, "Where to write")->type_name("DIR");
                            cmd.add_flag("--all", a.all, "Every record");
                            return [] { return 0; };
                        }}},
                      "1", unused, unused);
    const SProgramOutline outline = OutlineOf(line.App());
    return shell == "bash" ? BashCompletionScript(outline) : ZshCompletionScript(outline);
}

} // namespace

TEST(CompletionScript, BashCompletesTheRegisteredCommandsOptionsAndPaths) {
    if (!HaveBashCompletion()) {
        GTEST_SKIP() << "bash-completion is not installed (scripts/setup installs it)";
    }
    CCompletionShell shell(RealBashScript());
    // Commands and options, from the parser.
    EXPECT_EQ(shell.Complete("quillora-cli s"), "save scan search");
    EXPECT_EQ(shell.Complete("quillora-cli --v"), "--version");
    EXPECT_EQ(shell.Complete("quillora-cli scan --no"), "--no-archives --no-wait");
    EXPECT_EQ(shell.Complete("quillora-cli scan shelf.cas /mnt --cr"), "--crc");
    EXPECT_EQ(shell.Complete("quillora-cli frobnicate "), "");
    // The case argument: case files, either case, and folders to look into.
    EXPECT_EQ(shell.Complete("quillora-cli info "), "old.CAZ shelf.cas sub folder");
    EXPECT_EQ(shell.Complete("quillora-cli info sub"), "sub folder");
    // A path to scan: any file; a record path or a label: nothing from the disk.
    EXPECT_EQ(shell.Complete("quillora-cli scan shelf.cas "),
              "notes.txt old.CAZ shelf.cas sub folder");
    EXPECT_EQ(shell.Complete("quillora-cli comment shelf.cas "), "");
    EXPECT_EQ(shell.Complete("quillora-cli scan shelf.cas --label "), "");
    // An option's value is not counted as an argument.
    EXPECT_EQ(shell.Complete("quillora-cli scan --label L shelf.cas "),
              "notes.txt old.CAZ shelf.cas sub folder");
    // A folder option takes folders, also written with "=".
    EXPECT_EQ(shell.Complete("quillora-cli extract shelf.cas --to "), "sub folder");
    EXPECT_EQ(shell.Complete("quillora-cli extract shelf.cas --to=s"), "sub folder");
    // After "--" a word that begins with "-" is an argument, not an option.
    EXPECT_EQ(shell.Complete("quillora-cli info -- -"), "");
}

TEST(CompletionScript, EnumeratedValuesDatesFoldersAndRepeatedArguments) {
    if (!HaveBashCompletion()) {
        GTEST_SKIP() << "bash-completion is not installed (scripts/setup installs it)";
    }
    SListArgs a;
    CCompletionShell shell(ListScript("bash", a));
    EXPECT_EQ(shell.Complete("quillora-cli export --format "), "csv html tree");
    EXPECT_EQ(shell.Complete("quillora-cli export --format=h"), "html");
    EXPECT_EQ(shell.Complete("quillora-cli export --since "), "");
    EXPECT_EQ(shell.Complete("quillora-cli export --into "), "sub folder");
    EXPECT_EQ(shell.Complete("quillora-cli export --a"), "--all");
    // PATH takes every argument after CASE.
    EXPECT_EQ(shell.Complete("quillora-cli export shelf.cas notes.txt --all n"), "notes.txt");
    EXPECT_EQ(shell.Complete("quillora-cli export --format csv shelf.cas a b n"), "notes.txt");
    EXPECT_EQ(shell.Complete("quillora-cli export --format=csv n"), "");
}

TEST(CompletionScript, ZshFunctionsAreValidAndCarryTheSameKnowledge) {
    SListArgs a;
    const std::string zsh = ListScript("zsh", a);
    EXPECT_NE(zsh.find("'--format=[The list'\\''s format]:csv|html|tree:(csv html tree)'"),
              std::string::npos)
        << zsh;
    EXPECT_NE(zsh.find("'--into=[Where to write]:DIR:_files -/'"), std::string::npos) << zsh;
    EXPECT_NE(zsh.find("'--since=[Records since]:"), std::string::npos) << zsh;
    EXPECT_NE(zsh.find("'1:CASE:_files -g \"*.(#i)ca[sz](-.)\"'"), std::string::npos) << zsh;
    EXPECT_NE(zsh.find("'*:PATH:_files'"), std::string::npos) << zsh;

    if (RunProgram({"sh", "-c", "command -v zsh"}).exitCode != 0) {
        GTEST_SKIP() << "zsh is not installed (scripts/setup installs it)";
    }
    std::ostringstream unused;
    CCommandLine real(RegisteredCommands(), "1", unused, unused);
    ScratchDir dir;
    const auto listFile = dir.Write("_list", zsh);
    const auto realFile = dir.Write("_quillora-cli", ZshCompletionScript(OutlineOf(real.App())));
    for (const auto& file : {listFile, realFile}) {
        CliResult r = RunProgram({"zsh", "-n", file.string()});
        EXPECT_EQ(r.exitCode, 0) << file << ": " << r.err;
    }
}
