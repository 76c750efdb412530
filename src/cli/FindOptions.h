// The find conditions of `find` and `search`, declared once so that both commands take
// the same options: patterns for name, category and comment, the method, the mark,
// size and date bounds.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
} // namespace CLI

namespace quillora {
struct SFindSettings;
}

namespace quillora::cli {

struct SFindOptions {
    std::optional<std::string> name;
    std::optional<std::string> category;
    std::optional<std::string> comment;
    bool regex = false;
    bool caseSensitive = false;
    bool orMethod = false;
    bool notMethod = false;
    bool mark = false;
    // Read as text (the way the find dialog reads its fields) and checked once the
    // command line is parsed: a number, date or pattern that cannot be used is a usage
    // error, one line and exit code 1.
    std::optional<std::string> sizeMin;
    std::optional<std::string> sizeMax;
    std::optional<std::string> createdFrom;
    std::optional<std::string> createdTo;
    std::optional<std::string> writtenFrom;
    std::optional<std::string> writtenTo;
};

// Declares the options on `cmd`; the values land in `options`.
void AddFindConditions(CLI::App& cmd, SFindOptions& options);

enum class EFindSettings {
    Ok,
    BadValue, // a number or date that does not read, a pattern that cannot be used
    Failure,  // the system cannot run the pattern (no UTF-8 locale)
};

// The conditions as the find dialog would store them: wildcards ignoring case unless
// --regex or --case-sensitive; sizes as unsigned 32-bit numbers; dates "YYYY/MM/DD"
// or "YYYY-MM-DD" at the current time of day, clamped to 1970-2038. Anything but Ok
// comes with a sentence in `error`. AddFindConditions already refuses BadValue while
// parsing.
EFindSettings MakeFindSettings(const SFindOptions& options, SFindSettings& settings,
                               std::string& error);

} // namespace quillora::cli
