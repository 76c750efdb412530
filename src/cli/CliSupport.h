// Shared helpers of the quillora-cli commands: exit codes, loading a case with a
// clear one-line error, JSON text.
#pragma once

#include "model/CCDCase.h"

#include <memory>
#include <optional>
#include <string>

namespace quillora::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailure = 2;

// Loads the case at `path`, printing one line on stderr when it fails.
std::unique_ptr<CCDCase> LoadCaseOrReport(const std::string& path,
                                          const std::optional<std::string>& password);

// Prints "quillora-cli: message" on stderr, as one line.
void ReportError(const std::string& message);

// A JSON string literal; escaped bytes become \udcXX so the output stays valid.
std::string JsonString(std::string_view utf8);

} // namespace quillora::cli
