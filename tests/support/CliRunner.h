// Runs quillora-cli as a child process (argument vector, no shell) and captures its
// output, for tests of the command-line front end.
#pragma once

#include <string>
#include <vector>

namespace quillora::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The program: $QUILLORA_CLI when set, else src/quillora-cli beside the test build.
std::string CliPath();

CliResult RunCli(const std::vector<std::string>& args, const std::string& input = {});

// Starts quillora-cli in the background with exactly the environment `env`
// ("NAME=value" entries), stdin from /dev/null and its output into the files "out"
// and "err" of `folder`; -1 when it cannot be started. For tests that signal it.
int StartCli(const std::vector<std::string>& args, const std::vector<std::string>& env,
             const std::string& folder);
// Waits for a program StartCli started and collects what it wrote.
CliResult FinishCli(int pid, const std::string& folder);

// Runs any program (found on PATH) with an argument vector.
CliResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {});

} // namespace quillora::test
