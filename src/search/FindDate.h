// The date bounds of a find: reading "YYYY/MM/DD" (or "YYYY-MM-DD") into seconds at
// the current time of day, with the clamping to the range 32-bit seconds can hold.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quillora {

struct SDateBound {
    // Local date and time of day as seconds since 1970.
    std::uint32_t m_dwSeconds = 0;
    // The date as read after clamping, "YYYY/MM/DD", to be written back to the field.
    std::string m_strText;
};

// Reads a date bound: the entered date with the local time of day of `now`. The year
// is clamped to 1970-2038, the month to 1-12, the day to 1-31; 1970-01-01 becomes
// 1970-01-02, and in 2038 a month after January becomes January 18 and a day after
// 18 becomes 18. A day past the month's end rolls into the next month. Nullopt when
// the text is not three numbers joined by "/" or by "-".
std::optional<SDateBound> ReadDateBound(std::string_view text, std::time_t now);

// "YYYY/MM/DD" of a bound in local time.
std::string DateBoundText(std::uint32_t seconds);

} // namespace quillora
