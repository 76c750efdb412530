// How a re-scan tells whether a file's last-write time is the one the case holds:
// exactly for most file systems, within FAT's two-second steps and across whole-hour
// shifts of its local times for FAT and exFAT.
#pragma once

#include "core/FileTime.h"

#include <string>

namespace quillora {

enum class TimeRule : unsigned char {
    Exact, // UTC times as the file system gives them (ISO 9660 and UDF times included:
           // the kernel applies their zone offsets)
    Fat,   // local times in two-second steps, read under whichever zone the mount says
};

enum class TimeMatch : unsigned char {
    Same,
    ShiftedHours, // FAT only: the same time read under another zone or daylight saving
    Different,
};

// The rule for the file system named as a medium records it ("FAT", "FAT32",
// "exFAT", "CDFS", ...); letter case does not matter.
TimeRule TimeRuleOf(const std::string& fileSystemName);

// Compares the time the case holds with the time on disk now. Under the FAT rule a
// difference of at most 2 s is the same time, and a difference within 2 s of a whole
// number of hours from 1 to 24 is a shift.
TimeMatch CompareWriteTimes(FileTime before, FileTime now, TimeRule rule);

} // namespace quillora
