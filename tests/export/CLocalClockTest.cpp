// The local clock's tables of days and quarter hours answer what the zone itself
// answers, on ordinary days, on days the offset changes (once or twice), in zones with
// half-hour changes, and when the tables are full and entries make way.
#include "export/CLocalClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using namespace quillora;

namespace {

class CZone {
public:
    explicit CZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
            m_hadOld = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CZone() {
        m_hadOld ? setenv("TZ", m_old.c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

// Seconds since 1970 of a wall-clock time, counted on that clock.
std::int64_t Wall(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return static_cast<std::int64_t>(timegm(&tm));
}

// Every wall time from `from` to `to` in steps of `step` seconds, through one clock.
void ExpectSameAsZone(CLocalClock& clock, std::int64_t from, std::int64_t to, std::int64_t step) {
    for (std::int64_t wall = from; wall < to; wall += step) {
        ASSERT_EQ(clock.ToUtc(wall), CLocalClock::ToUtcUncached(wall)) << "wall " << wall;
    }
}

} // namespace

TEST(CLocalClockTest, AgreesWithTheZoneOnEveryKindOfDay) {
    // Central Europe and eastern America (changes of an hour), an Australian island
    // (half an hour), a zone that changes twice on one day, and UTC.
    for (const char* zone :
         {"CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0",
          "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "AAA0BBB,J100/1,J100/5", "UTC0"}) {
        SCOPED_TRACE(zone);
        CZone guard(zone);
        CLocalClock clock;
        // Two years, a time every 7 min 13 s: each day is used often enough to be
        // taken whole, and the days of change must not be.
        ExpectSameAsZone(clock, Wall(2001, 1, 1), Wall(2003, 1, 1), 433);
        // Far apart and out of order: entries of both tables make way for others.
        CLocalClock scattered;
        ExpectSameAsZone(scattered, Wall(1601, 1, 2), Wall(2400, 1, 1), 86400 * 37 + 433 * 5);
        ExpectSameAsZone(scattered, Wall(2001, 1, 1), Wall(2003, 1, 1), 433 * 3);
    }
}

TEST(CLocalClockTest, KnownTimes) {
    CZone guard("CET-1CEST,M3.5.0,M10.5.0/3");
    CLocalClock clock;
    // 2002/03/04 05:06:07 in winter is 04:06:07 UTC; 2002/07/04 05:06:07 in summer 03:06:07.
    EXPECT_EQ(clock.ToUtc(Wall(2002, 3, 4, 5, 6, 7)), Wall(2002, 3, 4, 4, 6, 7));
    EXPECT_EQ(clock.ToUtc(Wall(2002, 7, 4, 5, 6, 7)), Wall(2002, 7, 4, 3, 6, 7));
    // Before 1970 too.
    EXPECT_EQ(clock.ToUtc(Wall(1965, 1, 2, 3, 4, 5)), Wall(1965, 1, 2, 2, 4, 5));
}
