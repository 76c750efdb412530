// Reading and showing date bounds.
#include "search/FindDate.h"
#include "core/Text.h"

#include <cstdio>

namespace quillora {

namespace {

// A run of digits at `i`, capped so it cannot overflow; false without a digit.
bool ReadNumber(std::string_view text, std::size_t& i, int& value) {
    const std::size_t start = i;
    value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value > 99999 ? value : value * 10 + (text[i] - '0');
        ++i;
    }
    return i > start;
}

} // namespace

std::optional<SDateBound> ReadDateBound(std::string_view text, std::time_t now) {
    text = quillora::text::Trim(text);
    int year = 0;
    int month = 0;
    int day = 0;
    std::size_t i = 0;
    if (!ReadNumber(text, i, year) || i >= text.size() || (text[i] != '/' && text[i] != '-')) {
        return std::nullopt;
    }
    const char separator = text[i++];
    if (!ReadNumber(text, i, month) || i >= text.size() || text[i] != separator) {
        return std::nullopt;
    }
    ++i;
    if (!ReadNumber(text, i, day) || i != text.size()) {
        return std::nullopt;
    }
    year = year < 1970 ? 1970 : (year > 2038 ? 2038 : year);
    month = month < 1 ? 1 : (month > 12 ? 12 : month);
    day = day < 1 ? 1 : (day > 31 ? 31 : day);
    if (year == 1970 && month == 1 && day == 1) {
        day = 2;
    }
    if (year == 2038) {
        if (month > 1) {
            month = 1;
            day = 18;
        }
        day = day > 18 ? 18 : day;
    }
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds < 0) {
        return std::nullopt;
    }
    SDateBound bound;
    bound.m_dwSeconds = static_cast<std::uint32_t>(seconds);
    bound.m_strText = DateBoundText(bound.m_dwSeconds);
    return bound;
}

std::string DateBoundText(std::uint32_t seconds) {
    const std::time_t t = seconds;
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return buffer;
}

} // namespace quillora
