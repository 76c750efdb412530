// Label and comment composition for new media.
#include "app/media/LabelComposer.h"

#include "core/Resources.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

namespace quillora {

namespace {

constexpr std::size_t kMaxFormatLength = 64;

// Skips up to two digits; false when a third follows.
bool SkipNumber(std::string_view format, std::size_t& pos) {
    std::size_t digits = 0;
    while (pos < format.size() && std::isdigit(static_cast<unsigned char>(format[pos])) != 0) {
        ++pos;
        ++digits;
    }
    return digits <= 2;
}

// Parses one conversion starting after its "%"; true for an allowed int conversion.
bool ParseIntConversion(std::string_view format, std::size_t& pos) {
    while (pos < format.size() && std::strchr("-+ #0", format[pos]) != nullptr &&
           format[pos] != '\0') {
        ++pos;
    }
    if (!SkipNumber(format, pos)) {
        return false;
    }
    if (pos < format.size() && format[pos] == '.') {
        ++pos;
        if (!SkipNumber(format, pos)) {
            return false;
        }
    }
    if (pos >= format.size() || std::strchr("diuxXo", format[pos]) == nullptr ||
        format[pos] == '\0') {
        return false;
    }
    ++pos;
    return true;
}

} // namespace

bool IsSafeSerialFormat(std::string_view format) {
    if (format.size() > kMaxFormatLength || format.find('\0') != std::string_view::npos) {
        return false;
    }
    int conversions = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        if (format[pos] != '%') {
            ++pos;
            continue;
        }
        ++pos;
        if (pos < format.size() && format[pos] == '%') {
            ++pos;
            continue;
        }
        if (!ParseIntConversion(format, pos)) {
            return false;
        }
        ++conversions;
    }
    return conversions == 1;
}

std::string FormatSerial(std::string_view format, int number) {
    const std::string checked(IsSafeSerialFormat(format) ? format : kDefaultSerialFormat);
    char buffer[256];
    // The format was checked to hold exactly one int conversion above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(buffer, sizeof buffer, checked.c_str(), number);
#pragma GCC diagnostic pop
    if (length < 0) {
        return std::to_string(number);
    }
    return std::string(buffer,
                       std::min<std::size_t>(static_cast<std::size_t>(length), sizeof buffer - 1));
}

std::string FormatShortDate(const std::tm& time) {
    char buffer[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const std::size_t length = std::strftime(buffer, sizeof buffer, Res(336), &time);
#pragma GCC diagnostic pop
    return std::string(buffer, length);
}

std::string CurrentShortDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatShortDate(local);
}

SComposedLabel ComposeLabel(const std::string& label, const SLabelOptions& options,
                            const std::string& date) {
    SComposedLabel result;
    result.m_nextSerialNo = options.m_serialNo;
    const std::string serial = FormatSerial(options.m_serialFormat, options.m_serialNo);
    result.m_strLabel = label;
    if (options.m_date) {
        result.m_strLabel += " " + date;
    }
    if (options.m_serial) {
        result.m_strLabel += " " + serial;
    }
    if (options.m_dateComment) {
        result.m_strComment = date;
    }
    if (options.m_serialComment) {
        if (!result.m_strComment.empty()) {
            result.m_strComment += "\n";
        }
        result.m_strComment += serial;
    }
    if ((options.m_serial || options.m_serialComment) && result.m_nextSerialNo < INT_MAX) {
        ++result.m_nextSerialNo;
    }
    return result;
}

} // namespace quillora
