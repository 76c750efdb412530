// CLocalClock: wall-clock times of the local time zone turned into UTC, for readers that
// meet a long run of dates (a list import holds one or three per line).
#pragma once

#include <cstdint>
#include <vector>

namespace quillora {

class CLocalClock {
public:
    // Seconds since 1970 UTC of `wall`, a time on the local clock counted in seconds
    // since 1970-01-01 00:00 of that clock (years 1601 to 30827). A time the clock
    // skips or shows twice takes the offset the zone's first guess settles on.
    std::int64_t ToUtc(std::int64_t wall);

    // The same worked out afresh from the zone every time (two or three localtime_r
    // calls): what ToUtc answers, slower.
    static std::int64_t ToUtcUncached(std::int64_t wall);

private:
    // A zone keeps its offset for a quarter hour at least and changes it at the quarter
    // hours of its own clock, so an offset found holds for its whole quarter hour.
    struct SQuarter {
        std::int32_t m_nQuarter = INT32_MIN; // no quarter of the years read is this
        std::int32_t m_nOffset = 0;
    };
    // Most days of most zones have one offset all day: a table of days, small enough
    // to stay in the processor's cache, answers them; a day is taken whole once it has
    // been asked for often enough to pay for checking its 96 quarters.
    struct SDay {
        std::int32_t m_nDay = INT32_MIN;
        std::int32_t m_nOffset = 0;
        std::uint32_t m_nUses = 0;
        bool m_bWhole = false;
    };
    static constexpr std::size_t kQuarterSlots = 1 << 14;
    static constexpr std::size_t kDaySlots = 1 << 12;
    static constexpr std::uint32_t kWholeAfter = 32;

    std::int32_t QuarterOffset(std::int64_t wall);
    bool WholeDay(std::int32_t day, std::int32_t* offset);

    std::vector<SQuarter> m_quarters;
    std::vector<SDay> m_days;
};

} // namespace quillora
