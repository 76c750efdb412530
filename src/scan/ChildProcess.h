// Running a helper program as a child process: an argument vector, never a shell line.
#pragma once

#include <string>
#include <vector>

namespace quillora {

// Runs argv[0] (a path) with the arguments, stdin from /dev/null, stderr discarded and
// stdout collected into `output` when given (at most `outputLimit` bytes kept). Returns
// the exit status, or -1 when the program could not be started or did not exit normally.
int RunChildProcess(const std::vector<std::string>& argv, std::string* output = nullptr,
                    std::size_t outputLimit = 64 * 1024 * 1024);

} // namespace quillora
