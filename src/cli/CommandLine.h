// quillora-cli's argument parser: one subcommand per registered command, help and
// version, and usage errors as one line on stderr with a hint to --help.
#pragma once

#include "cli/CommandRegistration.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Error;
} // namespace CLI

namespace quillora::cli {

class CCommandLine {
public:
    // `out` receives help and version texts, `err` usage errors.
    CCommandLine(const std::vector<SCommandDefinition>& commands, const std::string& version,
                 std::ostream& out, std::ostream& err);
    ~CCommandLine();

    // Parses the arguments after the program name. Returns the command to run, or
    // nothing when the run ends here: help or version was printed (ExitCode() 0) or
    // the arguments are wrong and one line said why (ExitCode() 1).
    std::optional<CommandRun> Parse(const std::vector<std::string>& args);
    int ExitCode() const { return m_exitCode; }
    // The name of the command the last Parse returned; empty when it returned none.
    const std::string& CommandName() const { return m_strCommand; }

    // Parses and runs; the process's exit code.
    int Run(const std::vector<std::string>& args);

    // The parser with every command declared, for what is written from it (the
    // manual page, the shell completion).
    CLI::App& App() { return *m_app; }

private:
    void ReportUsage(const std::string& where, const std::string& message);
    std::string Describe(const CLI::Error& error, const CLI::App* command) const;
    std::string SuggestCommand(const std::string& typed) const;

    std::unique_ptr<CLI::App> m_app;
    std::vector<std::pair<std::string, CommandRun>> m_runs;
    std::ostream& m_out;
    std::ostream& m_err;
    int m_exitCode = 0;
    std::string m_strCommand;
};

// The registered name (or option) closest to `typed` by edit distance, when it is
// close enough to be a likely slip; empty otherwise.
std::string ClosestName(const std::string& typed, const std::vector<std::string>& names);

} // namespace quillora::cli
