// Helpers of the comparison tests: scanning a folder the test made, setting file
// times, and reading rows back by name.
#pragma once

#include "model/SVolumeInfo.h"
#include "search/CompareRow.h"

#include <filesystem>
#include <memory>
#include <string>

namespace quillora::test {

// Scans the folder into a new medium (no archives, no CRCs, no comments).
std::unique_ptr<SVolumeInfo> ScanFolder(const std::filesystem::path& folder);

// Sets the last-write time of a file or folder to `seconds` since 1970.
void SetModified(const std::filesystem::path& path, std::int64_t seconds);

// The row for the record named `name`; null when there is none.
const SCompareRow* RowNamed(const CompareRows& rows, const std::string& name);

// "216 name", one per row, in order: what a failing test prints.
std::string Describe(const CompareRows& rows);

} // namespace quillora::test
