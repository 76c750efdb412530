// File times as ISO 8601 text, against the calendar of std::chrono.
#include "core/FileTime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace quillora {
namespace {

std::string ChronoIso(FileTime ft) {
    using namespace std::chrono;
    const std::int64_t seconds = static_cast<std::int64_t>(ft / 10000000ULL);
    const std::int64_t daysFrom1601 = seconds / 86400;
    const sys_days day{days{daysFrom1601 - 134774}};
    const year_month_day ymd{day};
    const std::int64_t s = seconds % 86400;
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d",
                          static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                          static_cast<unsigned>(ymd.day()), static_cast<int>(s / 3600),
                          static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    std::string out(buffer, static_cast<std::size_t>(n));
    if (const auto fraction = static_cast<unsigned>(ft % 10000000ULL); fraction != 0) {
        std::snprintf(buffer, sizeof buffer, ".%07u", fraction);
        out += buffer;
    }
    return out + 'Z';
}

TEST(FileTime, IsoTextMatchesTheCalendarOverTheWholeRange) {
    // The ends of the range, the epochs, leap days and times with and without fractions.
    std::vector<FileTime> times = {1,
                                   10000000,
                                   kUnixEpochAsFileTime,
                                   kUnixEpochAsFileTime - 1,
                                   FileTimeFromUnix(951782400),     // 2000-02-29
                                   FileTimeFromUnix(4107542399),    // 2100-02-28 23:59:59
                                   FileTimeFromUnix(253402300799),  // 9999-12-31 23:59:59
                                   FileTimeFromUnix(253402300800)}; // 10000-01-01
    // Runs on one day and back, as a case's records give them.
    for (int i = 0; i < 50; ++i) {
        times.push_back(FileTimeFromUnix(1700000000 + (i % 7) * 7919, i * 1000u));
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        // std::chrono's years end at 32767.
        times.push_back((random() >> (random() % 20)) % 9500000000000000000ULL);
    }
    for (FileTime ft : times) {
        const std::string expected = ChronoIso(ft);
        EXPECT_EQ(FileTimeToIso8601(ft), expected) << ft;
        // Appending keeps what the text held.
        std::string line = "{\"t\":";
        AppendIso8601(line, ft);
        EXPECT_EQ(line, "{\"t\":" + expected);
    }
    EXPECT_EQ(FileTimeToIso8601(1), "1601-01-01T00:00:00.0000001Z");
    EXPECT_EQ(FileTimeToIso8601(~FileTime{0}), "60056-05-28T05:36:10.9551615Z");
    EXPECT_EQ(FileTimeToIso8601(kUnixEpochAsFileTime), "1970-01-01T00:00:00Z");
}

} // namespace
} // namespace quillora
