// File time conversions.
#include "core/FileTime.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace quillora {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

FileTime FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
    std::int64_t ticks = seconds * 10000000LL + nanoseconds / 100;
    std::int64_t value = static_cast<std::int64_t>(kUnixEpochAsFileTime) + ticks;
    return value < 0 ? 0 : static_cast<FileTime>(value);
}

bool FileTimeToUnix(FileTime ft, std::int64_t* seconds) {
    if (ft == 0) {
        return false;
    }
    std::int64_t rel = static_cast<std::int64_t>(ft - kUnixEpochAsFileTime);
    if (ft < kUnixEpochAsFileTime) {
        rel = -static_cast<std::int64_t>(kUnixEpochAsFileTime - ft);
    }
    std::int64_t s = rel / 10000000LL;
    if (rel % 10000000LL < 0) {
        --s;
    }
    *seconds = s;
    return true;
}

namespace {

// "00" to "99": a listing formats millions of times, two digits a step.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

char* PutTwoDigits(char* at, std::uint32_t value) {
    std::memcpy(at, &kDigitPairs[2 * value], 2);
    return at + 2;
}

// Writes `value` as exactly `width` digits (zero-padded) at `at`; returns the end.
char* PutDigits(char* at, std::uint32_t value, int width) {
    int i = width;
    for (; i >= 2; i -= 2) {
        PutTwoDigits(at + i - 2, value % 100);
        value /= 100;
    }
    if (i == 1) {
        at[0] = static_cast<char>('0' + value % 10);
    }
    return at + width;
}

// "YYYY-MM-DD" of a day counted from 1601-01-01, with the text of the last day asked
// for kept: the times of a case's records fall on few days, often the same one thrice.
char* PutDate(char* at, std::int64_t dayFrom1601) {
    struct SLastDay {
        std::int64_t day = -1;
        char text[12] = {};
        std::size_t length = 0;
    };
    thread_local SLastDay last;
    if (dayFrom1601 != last.day) {
        // civil_from_days
        const std::int64_t days = dayFrom1601 - 134774 + 719468; // 1601 -> 1970 -> 0000-03-01
        const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
        const unsigned doe = static_cast<unsigned>(days - era * 146097);
        const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
        const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const unsigned mp = (5 * doy + 2) / 153;
        const unsigned d = doy - (153 * mp + 2) / 5 + 1;
        const unsigned m = mp < 10 ? mp + 3 : mp - 9;
        y += m <= 2;
        // A FileTime ends before the year 60,000: five digits at most, never negative.
        const auto year = static_cast<std::uint32_t>(y);
        char* end = PutDigits(last.text, year, year >= 10000 ? 5 : 4);
        *end++ = '-';
        end = PutTwoDigits(end, m);
        *end++ = '-';
        end = PutTwoDigits(end, d);
        last.length = static_cast<std::size_t>(end - last.text);
        last.day = dayFrom1601;
    }
    std::memcpy(at, last.text, last.length);
    return at + last.length;
}

} // namespace

void AppendIso8601(std::string& out, FileTime ft) {
    char buffer[kIso8601Max];
    out.append(buffer, WriteIso8601(buffer, ft));
}

char* WriteIso8601(char* at, FileTime ft) {
    // Work from 1601 directly so times before 1970 print too.
    const std::uint64_t totalSeconds = ft / 10000000ULL;
    const auto fraction = static_cast<std::uint32_t>(ft % 10000000ULL);
    const auto secOfDay = static_cast<std::uint32_t>(totalSeconds % 86400ULL);
    at = PutDate(at, static_cast<std::int64_t>(totalSeconds / 86400ULL));
    *at++ = 'T';
    at = PutTwoDigits(at, secOfDay / 3600);
    *at++ = ':';
    at = PutTwoDigits(at, secOfDay / 60 % 60);
    *at++ = ':';
    at = PutTwoDigits(at, secOfDay % 60);
    if (fraction != 0) {
        *at++ = '.';
        at = PutDigits(at, fraction, 7);
    }
    *at++ = 'Z';
    return at;
}

std::string FileTimeToIso8601(FileTime ft) {
    std::string out;
    AppendIso8601(out, ft);
    return out;
}

FileTime FileTimeFromDos(std::uint32_t dosDateTime) {
    unsigned date = dosDateTime >> 16;
    unsigned time = dosDateTime & 0xFFFF;
    unsigned year = 1980 + (date >> 9);
    unsigned month = (date >> 5) & 0x0F;
    unsigned day = date & 0x1F;
    unsigned hour = time >> 11;
    unsigned minute = (time >> 5) & 0x3F;
    unsigned second = (time & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
        return 0;
    }
    std::int64_t seconds =
        DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return FileTimeFromUnix(seconds);
}

} // namespace quillora
