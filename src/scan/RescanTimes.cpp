// Last-write time comparison for re-scans.
#include "scan/RescanTimes.h"

#include "core/Text.h"

#include <cstdint>

namespace quillora {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kFatStep = 2 * kTicksPerSecond;
constexpr std::uint64_t kHour = 3600 * kTicksPerSecond;
constexpr std::uint64_t kMostHoursShifted = 24;

} // namespace

TimeRule TimeRuleOf(const std::string& fileSystemName) {
    const std::string name = text::AsciiUpper(fileSystemName);
    const bool fat = name == "FAT" || name == "FAT12" || name == "FAT16" || name == "FAT32" ||
                     name == "EXFAT" || name == "VFAT" || name == "MSDOS";
    return fat ? TimeRule::Fat : TimeRule::Exact;
}

TimeMatch CompareWriteTimes(FileTime before, FileTime now, TimeRule rule) {
    if (before == now) {
        return TimeMatch::Same;
    }
    if (rule != TimeRule::Fat) {
        return TimeMatch::Different;
    }
    const std::uint64_t diff = before > now ? before - now : now - before;
    if (diff <= kFatStep) {
        return TimeMatch::Same;
    }
    const std::uint64_t hours = (diff + kHour / 2) / kHour;
    if (hours < 1 || hours > kMostHoursShifted) {
        return TimeMatch::Different;
    }
    const std::uint64_t whole = hours * kHour;
    const std::uint64_t off = diff > whole ? diff - whole : whole - diff;
    return off <= kFatStep ? TimeMatch::ShiftedHours : TimeMatch::Different;
}

} // namespace quillora
