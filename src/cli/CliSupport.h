// Shared helpers of the quillora-cli commands: option parsing, loading a case with
// a clear one-line error, JSON text.
#pragma once

#include "cli/Commands.h"
#include "model/CCDCase.h"
#include "model/CCaseLock.h"

#include <memory>
#include <optional>
#include <string>

namespace quillora::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailure = 2;

// Splits arguments into positionals and "--name value" / "--flag" options.
class CArgs {
public:
    // `valued` lists the options that take a value.
    CArgs(const Args& args, std::initializer_list<const char*> valued);

    const std::vector<std::string>& Positional() const { return m_positional; }
    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    // Set when an option is unknown to `valued` and `flags`, or lacks its value.
    const std::string& Error() const { return m_error; }
    // Fails on any option that is not in `flags` or `valued`.
    bool Check(std::initializer_list<const char*> flags);

private:
    std::vector<std::string> m_positional;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_options;
    std::vector<std::string> m_valued;
    std::string m_error;
};

// Loads the case at `path`, printing one line on stderr when it fails.
std::unique_ptr<CCDCase> LoadCaseOrReport(const std::string& path,
                                          const std::optional<std::string>& password);

// Locks the case at `path` exclusively for a command that reads, changes and saves
// it, so that two such commands never lose each other's changes. While another
// program holds it, says so on stderr and waits (or, with `noWait`, fails at once).
// A path with no file yet takes no lock. False after reporting why.
bool LockCaseForEdit(CCaseLock& lock, const std::string& path, bool noWait = false);

// Whether `password` can be set on a case: fewer than 4 characters is a usage error
// (exit 1); one a case file cannot store whole (a character Shift_JIS lacks, or more
// than 16 bytes) a failure (exit 2). Reports why; kExitOk when it can be set.
int CheckNewPassword(const std::string& password);

// Prints "quillora-cli: message" on stderr.
void ReportError(const std::string& message);

// A JSON string literal; escaped bytes become \udcXX so the output stays valid.
std::string JsonString(std::string_view utf8);

} // namespace quillora::cli
