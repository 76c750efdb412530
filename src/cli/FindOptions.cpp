// The find-condition options.
#include "cli/FindOptions.h"

#include "core/FindSettings.h"
#include "search/CFindPattern.h"
#include "search/FindDate.h"

#include <CLI/App.hpp>

#include <ctime>

namespace quillora::cli {

namespace {

bool ReadSize(const std::string& option, const std::string& text, std::uint32_t& value,
              std::string& error) {
    std::size_t digits = 0;
    unsigned long long parsed = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || parsed > 0xFFFFFFFFull) {
            digits = 0;
            break;
        }
        parsed = parsed * 10 + static_cast<unsigned>(c - '0');
        ++digits;
    }
    if (digits == 0 || parsed > 0xFFFFFFFFull) {
        error = option + ": '" + text + "' is not a size from 0 to 4294967295";
        return false;
    }
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

bool ReadDate(const std::string& option, const std::string& text, std::time_t now,
              std::uint32_t& value, std::string& error) {
    std::optional<SDateBound> bound = ReadDateBound(text, now);
    if (!bound) {
        error = option + ": '" + text + "' is not a date (YYYY/MM/DD or YYYY-MM-DD)";
        return false;
    }
    value = bound->m_dwSeconds;
    return true;
}

EFindSettings CheckPattern(const std::string& option, const std::string& pattern,
                           const SFindSettings& s, std::string& error) {
    if (pattern.empty()) {
        return EFindSettings::Ok;
    }
    CFindPattern compiled;
    if (compiled.Compile(pattern, s.m_nWild != 0, s.m_nUpper != 0)) {
        return EFindSettings::Ok;
    }
    switch (compiled.Error()) {
    case CFindPattern::EError::TooLong:
        error = option + ": the wildcard '" + pattern + "' is too long";
        break;
    case CFindPattern::EError::TooComplex:
        error = option + ": '" + pattern + "' repeats too much to be compiled";
        break;
    case CFindPattern::EError::BackReference:
        error = option + ": '" + pattern +
                "' holds a back reference (\\1 to \\9); those are not supported, as their "
                "matching can take hours";
        break;
    case CFindPattern::EError::NoUtf8Locale:
        // The system's fault, not the value's.
        error = "no UTF-8 locale on this system to run regular expressions in";
        return EFindSettings::Failure;
    default:
        error = option + ": '" + pattern + "' is not a regular expression (" +
                compiled.ErrorText() + ")";
        break;
    }
    return EFindSettings::BadValue;
}

} // namespace

void AddFindConditions(CLI::App& cmd, SFindOptions& o) {
    cmd.add_option("--name", o.name, "Records whose name holds the pattern")->type_name("P");
    cmd.add_option("--category", o.category, "Records whose category holds the pattern")
        ->type_name("P");
    cmd.add_option("--comment", o.comment, "Records whose comment holds the pattern")
        ->type_name("P");
    cmd.add_flag("--regex", o.regex,
                 "Patterns are extended regular expressions (default: wildcards * ? and ;)");
    cmd.add_flag("--case-sensitive", o.caseSensitive, "Tell capital letters A-Z from small ones");
    CLI::Option* orFlag =
        cmd.add_flag("--or", o.orMethod, "A record matches when any one condition holds");
    CLI::Option* notFlag =
        cmd.add_flag("--not", o.notMethod, "A record matches when not all conditions hold");
    orFlag->excludes(notFlag);
    cmd.add_flag("--mark", o.mark, "Records that carry the mark");
    cmd.add_option("--size-min", o.sizeMin, "Files of at least N bytes")->type_name("N");
    cmd.add_option("--size-max", o.sizeMax, "Files of at most N bytes")->type_name("N");
    cmd.add_option("--created-from", o.createdFrom, "Created on or after the day")
        ->type_name("YYYY/MM/DD");
    cmd.add_option("--created-to", o.createdTo, "Created on or before the day (up to now's time)")
        ->type_name("YYYY/MM/DD");
    cmd.add_option("--written-from", o.writtenFrom, "Last written on or after the day")
        ->type_name("YYYY/MM/DD");
    cmd.add_option("--written-to", o.writtenTo, "Last written on or before the day")
        ->type_name("YYYY/MM/DD");
    // A value that does not read is a usage error, told before any file is opened.
    cmd.parse_complete_callback([&o] {
        SFindSettings settings;
        std::string error;
        if (MakeFindSettings(o, settings, error) == EFindSettings::BadValue) {
            throw CLI::ValidationError(error);
        }
    });
}

EFindSettings MakeFindSettings(const SFindOptions& o, SFindSettings& s, std::string& error) {
    const std::time_t now = std::time(nullptr);
    s = SFindSettings(static_cast<std::uint32_t>(now));
    s.m_strName = o.name.value_or("");
    s.m_strCategory = o.category.value_or("");
    s.m_strComment = o.comment.value_or("");
    s.m_nWild = o.regex ? 0 : 1;
    s.m_nUpper = o.caseSensitive ? 0 : 1;
    s.m_nMethod = o.orMethod ? 1 : (o.notMethod ? 2 : 0);
    s.m_nMark = o.mark ? 1 : 0;
    struct SSize {
        const char* option;
        const std::optional<std::string>& text;
        int& mode;
        std::uint32_t& value;
    };
    for (const SSize& b : {SSize{"--size-min", o.sizeMin, s.m_nSizeMinMode, s.m_dwSizeMin},
                           SSize{"--size-max", o.sizeMax, s.m_nSizeMaxMode, s.m_dwSizeMax}}) {
        if (b.text) {
            b.mode = 1;
            if (!ReadSize(b.option, *b.text, b.value, error)) {
                return EFindSettings::BadValue;
            }
        }
    }
    for (const SSize& b :
         {SSize{"--created-from", o.createdFrom, s.m_nCTimeMinMode, s.m_dwCTimeMin},
          SSize{"--created-to", o.createdTo, s.m_nCTimeMaxMode, s.m_dwCTimeMax},
          SSize{"--written-from", o.writtenFrom, s.m_nUTimeMinMode, s.m_dwUTimeMin},
          SSize{"--written-to", o.writtenTo, s.m_nUTimeMaxMode, s.m_dwUTimeMax}}) {
        if (b.text) {
            b.mode = 1;
            if (!ReadDate(b.option, *b.text, now, b.value, error)) {
                return EFindSettings::BadValue;
            }
        }
    }
    for (const auto& [option, pattern] :
         {std::pair<const char*, const std::string&>{"--name", s.m_strName},
          {"--category", s.m_strCategory},
          {"--comment", s.m_strComment}}) {
        if (const EFindSettings result = CheckPattern(option, pattern, s, error);
            result != EFindSettings::Ok) {
            return result;
        }
    }
    return EFindSettings::Ok;
}

} // namespace quillora::cli
