// The shared options of quillora-cli's commands.
#include "cli/CommonOptions.h"

#include "core/Text.h"

#include <ctime>

namespace quillora::cli {

CLI::Validator NonEmptyPath() {
    return CLI::Validator(
        [](std::string& path) { return path.empty() ? std::string("the path is empty") : ""; }, "",
        "path");
}

CLI::Option* AddCaseArgument(CLI::App& cmd, std::string& path, const std::string& description) {
    return cmd.add_option("CASE", path, description)->required()->check(NonEmptyPath());
}

CLI::Option* AddPasswordOption(CLI::App& cmd, std::optional<std::string>& password) {
    return cmd.add_option("--password", password, "The password of a protected case")
        ->type_name("P");
}

CLI::Option* AddJsonFlag(CLI::App& cmd, bool& json, const std::string& description) {
    return cmd.add_flag("--json", json, description);
}

void AddRescanFlags(CLI::App& cmd, bool& full, bool& changes, bool& json, CLI::Option* rescan) {
    CLI::Option* options[] = {
        cmd.add_flag("--full", full,
                     "Read every file again, also those whose size and time are unchanged"),
        cmd.add_flag("--changes", changes,
                     "Print what changed: one line per file added, removed, modified or "
                     "moved and per folder added or removed"),
        cmd.add_flag("--json", json,
                     "Print the changes as JSON objects {\"change\",\"path\",\"from\","
                     "\"folder\"}, one per line, then {\"summary\":{...}}"),
    };
    if (rescan) {
        for (CLI::Option* option : options) {
            option->needs(rescan);
        }
    }
}

CLI::Option* AddNoWaitFlag(CLI::App& cmd, bool& noWait) {
    return cmd.add_flag("--no-wait", noWait,
                        "Fail at once when another program is using the case, instead of waiting");
}

CLI::Option* AddIndexOption(CLI::App& cmd, std::optional<std::string>& index) {
    return cmd
        .add_option("--index", index,
                    "The index folder (default: the settings' folder, else "
                    "$XDG_DATA_HOME/quillora/index)")
        ->type_name("DIR")
        ->check(NonEmptyPath());
}

CLI::Option* AddServerOption(CLI::App& cmd, std::optional<std::string>& server,
                             CLI::Option* indexOption) {
    return cmd
        .add_option("--server", server,
                    "The shared index on a PostgreSQL server: a postgresql:// URL (\"\" or "
                    "postgresql:// for the PG* environment and ~/.pgpass)")
        ->type_name("URL")
        ->excludes(indexOption);
}

CLI::Validator NewPasswordCheck(std::size_t minBytes) {
    return CLI::Validator(
        [minBytes](std::string& password) -> std::string {
            if (password.size() < minBytes) {
                return "a password has " + std::to_string(minBytes) + " to 16 characters";
            }
            return {};
        },
        "", "password");
}

namespace {

// Reads exactly `digits` decimal digits at `pos`.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t digits, int& value) {
    if (pos + digits > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    pos += digits;
    return true;
}

bool ReadTime(std::string_view text, std::size_t& pos, std::tm& tm) {
    if (!ReadNumber(text, pos, 2, tm.tm_hour) || pos >= text.size() || text[pos++] != ':' ||
        !ReadNumber(text, pos, 2, tm.tm_min)) {
        return false;
    }
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!ReadNumber(text, pos, 2, tm.tm_sec)) {
            return false;
        }
    }
    return tm.tm_hour < 24 && tm.tm_min < 60 && tm.tm_sec < 60;
}

} // namespace

std::optional<std::int64_t> ParseLocalDate(std::string_view text) {
    std::tm tm{};
    std::size_t pos = 0;
    int year = 0, month = 0, day = 0;
    if (!ReadNumber(text, pos, 4, year) || pos >= text.size()) {
        return std::nullopt;
    }
    const char separator = text[pos++];
    if ((separator != '-' && separator != '/') || !ReadNumber(text, pos, 2, month) ||
        pos >= text.size() || text[pos++] != separator || !ReadNumber(text, pos, 2, day)) {
        return std::nullopt;
    }
    if (pos < text.size()) {
        if ((text[pos] != ' ' && text[pos] != 'T') || !ReadTime(text, ++pos, tm) ||
            pos != text.size()) {
            return std::nullopt;
        }
    }
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    std::tm normalised = tm;
    const std::time_t seconds = std::mktime(&normalised);
    // mktime moves 2023-02-30 to March: such a day does not exist.
    if (seconds == static_cast<std::time_t>(-1) || month < 1 || month > 12 ||
        normalised.tm_mday != day || normalised.tm_mon != month - 1) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(seconds);
}

CLI::Option* AddDateOption(CLI::App& cmd, const std::string& name,
                           std::optional<std::int64_t>& seconds, const std::string& description) {
    CLI::Validator check(
        [](std::string& text) -> std::string {
            return ParseLocalDate(text) ? std::string()
                                        : "'" + text + "' is not a date (YYYY-MM-DD)";
        },
        "", "date");
    return cmd
        .add_option_function<std::string>(
            name, [&seconds](const std::string& text) { seconds = ParseLocalDate(text); },
            description)
        ->type_name("YYYY-MM-DD")
        ->check(check);
}

} // namespace quillora::cli
