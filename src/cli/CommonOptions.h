// Arguments and options that several quillora-cli commands share, defined once here
// so that every command spells and checks them the same way, and the typed options
// (dates, enumerations) whose bad values the parser rejects as usage errors.
#pragma once

#include <CLI/App.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillora::cli {

// Refuses an empty file name, which names no file.
CLI::Validator NonEmptyPath();

// The positional CASE: the case file a command reads (and, for edits, writes).
CLI::Option* AddCaseArgument(CLI::App& cmd, std::string& path,
                             const std::string& description = "The case file (.cas or .caz)");

// --password P: the password of a protected case. Absent when not given.
CLI::Option* AddPasswordOption(CLI::App& cmd, std::optional<std::string>& password);

// --json: print JSON (one object per line) instead of text.
CLI::Option* AddJsonFlag(CLI::App& cmd, bool& json,
                         const std::string& description = "Print one JSON object per line");

// --full, --changes and --json of the commands that scan a medium again; each needs
// `rescan` when given (the flag that makes the command a re-scan).
void AddRescanFlags(CLI::App& cmd, bool& full, bool& changes, bool& json,
                    CLI::Option* rescan = nullptr);

// --no-wait: fail at once when another program is using the case, instead of waiting.
CLI::Option* AddNoWaitFlag(CLI::App& cmd, bool& noWait);

// --index DIR: the folder of the index of every case. Absent when not given: the
// settings' folder, else the default one.
CLI::Option* AddIndexOption(CLI::App& cmd, std::optional<std::string>& index);

// --server URL: the shared index on a PostgreSQL server instead of the embedded one
// (excludes `indexOption`).
CLI::Option* AddServerOption(CLI::App& cmd, std::optional<std::string>& server,
                             CLI::Option* indexOption);

// A password a command is about to store: at least `minBytes` bytes. Whether the case
// file can hold it (CheckStorablePassword) is a failure, not a usage error.
CLI::Validator NewPasswordCheck(std::size_t minBytes);

// A calendar date (local time) given as YYYY-MM-DD or YYYY/MM/DD, optionally followed
// by " HH:MM[:SS]" or "THH:MM[:SS]"; seconds since 1970, or nothing when the text is
// not such a date or names a day that does not exist.
std::optional<std::int64_t> ParseLocalDate(std::string_view text);

// An option taking a date of ParseLocalDate's forms; `seconds` receives it.
CLI::Option* AddDateOption(CLI::App& cmd, const std::string& name,
                           std::optional<std::int64_t>& seconds, const std::string& description);

// An option that takes one of a fixed set of words, such as
// `--format csv|html|tree|mediamax`; `value` receives the value paired with the word.
// Any other word is a usage error that lists the accepted ones.
template <typename T>
CLI::Option* AddChoiceOption(CLI::App& cmd, const std::string& name, T& value,
                             std::vector<std::pair<std::string, T>> choices,
                             const std::string& description) {
    std::string words;
    for (const auto& choice : choices) {
        words += (words.empty() ? "" : "|") + choice.first;
    }
    CLI::Validator check(
        [choices, words](std::string& text) -> std::string {
            for (const auto& choice : choices) {
                if (choice.first == text) {
                    return {};
                }
            }
            return "'" + text + "' is not one of " + words;
        },
        "", "choice");
    auto store = [&value, choices](const std::string& text) {
        for (const auto& choice : choices) {
            if (choice.first == text) {
                value = choice.second;
            }
        }
    };
    return cmd.add_option_function<std::string>(name, store, description)
        ->type_name(words)
        ->check(check);
}

// The find conditions that `find` and `search` share (name, category and comment
// patterns, size and date bounds, marks): AddFindConditions in FindOptions.h.

} // namespace quillora::cli
