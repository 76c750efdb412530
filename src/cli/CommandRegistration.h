// The table of quillora-cli's commands: every command file registers its command here
// once, at start-up, and main builds the parser from the table.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

namespace quillora::cli {

// The groups `quillora-cli --help` lists commands in, in this order. A group without
// commands is not shown.
enum class CommandGroup { Catalogue, Media, Edit, Find, Lists };

const char* CommandGroupTitle(CommandGroup group);

// Runs a command whose arguments have been parsed; returns the exit code
// (kExitOk, kExitUsage or kExitFailure of CliSupport.h).
using CommandRun = std::function<int()>;

struct SCommandDefinition {
    std::string name;
    CommandGroup group = CommandGroup::Catalogue;
    // One line, shown by `quillora-cli --help` and at the top of the command's help.
    std::string description;
    // Declares the command's arguments and options on `cmd` and returns the function
    // that runs it. The parsed values must be owned by that function (a shared_ptr to
    // an arguments struct), because the parser is gone by the time it runs.
    std::function<CommandRun(CLI::App& cmd)> define;
};

// HOW TO ADD A COMMAND — everyone does it this way:
//   1. Put the command in its own file src/cli/<Name>Command.cpp (or beside its
//      siblings), with a struct of its parsed arguments and a function that runs it.
//   2. Register it in that file, once, at namespace scope:
//        const CCommandRegistration kRegistration({
//            "name", CommandGroup::Catalogue, "Does one thing to a case",
//            [](CLI::App& cmd) {
//                auto args = std::make_shared<SNameArgs>();
//                AddCaseArgument(cmd, args->casePath);   // shared options: CommonOptions.h
//                AddPasswordOption(cmd, args->password);
//                cmd.add_option("--limit", args->limit, "At most N records")->type_name("N");
//                return [args] { return RunName(*args); };
//            }});
//      Validate in the parser (typed options, ->check(...), the helpers of
//      CommonOptions.h) so that bad input is a usage error (exit 1) before anything runs.
//   3. Add the command to the README's command table, in its group.
// Nothing else changes: no list in main, no header to edit. The manual page and the
// shell completion are written from the parser: a file-system path checked with
// NonEmptyPath() completes file names, a value named DIR folders, a choice its words.
class CCommandRegistration {
public:
    explicit CCommandRegistration(SCommandDefinition definition);
};

// Every registered command, ordered by group, then by name.
std::vector<SCommandDefinition> RegisteredCommands();

} // namespace quillora::cli
