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

// Runs any program (found on PATH) with an argument vector.
CliResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {});

} // namespace quillora::test
