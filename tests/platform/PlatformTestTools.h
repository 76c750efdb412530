// Running the Debian tools the platform tests make their images with.
#pragma once

#include <string>
#include <vector>

namespace quillora::test {

// The full path of a program in PATH or the sbin folders; empty when missing.
std::string FindTool(const std::string& name);

// Runs a program with an argument vector (argv[0] is looked up with FindTool),
// collecting its standard output. Returns the exit status, or -1 when it could
// not be started.
int RunTool(const std::vector<std::string>& argv, std::string* output = nullptr);

} // namespace quillora::test
