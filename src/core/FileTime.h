// File times: 64-bit counts of 100 ns since 1601-01-01 UTC, as case files store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace quillora {

using FileTime = std::uint64_t;

// 100-ns ticks between 1601-01-01 and 1970-01-01.
inline constexpr FileTime kUnixEpochAsFileTime = 116444736000000000ULL;

FileTime FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds = 0);

// Seconds since 1970 (floor); false for 0 or a time before 1970.
bool FileTimeToUnix(FileTime ft, std::int64_t* seconds);

// "YYYY-MM-DDTHH:MM:SSZ" (UTC), with fractional seconds when they are not 0.
std::string FileTimeToIso8601(FileTime ft);
// The same, appended to `out` (for writers of millions of records).
void AppendIso8601(std::string& out, FileTime ft);
// The same, written at `at`, which has room for kIso8601Max characters; returns the end.
inline constexpr std::size_t kIso8601Max = 32;
char* WriteIso8601(char* at, FileTime ft);

// DOS date and time (date in the high 16 bits) as a FILETIME, taken as it is,
// without a time-zone conversion; 0 when the fields are out of range.
FileTime FileTimeFromDos(std::uint32_t dosDateTime);

} // namespace quillora
