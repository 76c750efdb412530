// Local wall-clock times to UTC through two tables of offsets: days, then quarter hours.
#include "export/CLocalClock.h"

#include <climits>
#include <ctime>

namespace quillora {

namespace {

constexpr std::int64_t kQuarter = 900;
constexpr std::int64_t kDay = 86400;

std::int64_t FloorDiv(std::int64_t value, std::int64_t by) {
    return value >= 0 ? value / by : (value - (by - 1)) / by;
}

// The zone's offset from UTC at the UTC time `utc`.
std::int64_t OffsetAt(std::int64_t utc) {
    std::time_t t = static_cast<std::time_t>(utc);
    std::tm tm{};
    return localtime_r(&t, &tm) ? tm.tm_gmtoff : 0;
}

} // namespace

std::int64_t CLocalClock::ToUtcUncached(std::int64_t wall) {
    // mktime would look at the zone file again for every date of a large list.
    std::int64_t utc = wall - OffsetAt(wall);
    // Near a change of the offset the first guess can be off by that change.
    const std::int64_t second = wall - OffsetAt(utc);
    if (second != utc && wall - OffsetAt(second) == second) {
        utc = second;
    }
    return utc;
}

std::int32_t CLocalClock::QuarterOffset(std::int64_t wall) {
    if (m_quarters.empty()) {
        m_quarters.resize(kQuarterSlots);
    }
    const auto quarter = static_cast<std::int32_t>(FloorDiv(wall, kQuarter));
    SQuarter& known = m_quarters[static_cast<std::uint32_t>(quarter) & (kQuarterSlots - 1)];
    if (known.m_nQuarter != quarter) {
        known.m_nQuarter = quarter;
        known.m_nOffset = static_cast<std::int32_t>(wall - ToUtcUncached(wall));
    }
    return known.m_nOffset;
}

bool CLocalClock::WholeDay(std::int32_t day, std::int32_t* offset) {
    const std::int64_t start = day * kDay;
    const std::int32_t first = QuarterOffset(start);
    for (std::int64_t at = start + kQuarter; at < start + kDay; at += kQuarter) {
        if (QuarterOffset(at) != first) {
            return false;
        }
    }
    *offset = first;
    return true;
}

std::int64_t CLocalClock::ToUtc(std::int64_t wall) {
    if (m_days.empty()) {
        m_days.resize(kDaySlots);
    }
    const auto day = static_cast<std::int32_t>(FloorDiv(wall, kDay));
    SDay& known = m_days[static_cast<std::uint32_t>(day) & (kDaySlots - 1)];
    if (known.m_nDay == day) {
        if (known.m_bWhole) {
            return wall - known.m_nOffset;
        }
    } else {
        known = SDay{};
        known.m_nDay = day;
    }
    const std::int32_t offset = QuarterOffset(wall);
    if (++known.m_nUses == kWholeAfter) {
        known.m_bWhole = WholeDay(day, &known.m_nOffset);
    }
    return wall - offset;
}

} // namespace quillora
