// The loading dialog's words for what a scan could not read, and for a scan that
// failed because its folder could not be read at all.
#pragma once

#include <string>

namespace quillora {

class CScanReport;

// One line per kind of item skipped ("読み込めなかったﾌｫﾙﾀﾞ: 2 個", ...), joined by line
// feeds; empty when nothing was skipped.
std::string ScanReportLines(const CScanReport& report);

// Why the scan of `osPath` failed, with what the user can do about it; empty when
// the report shows no failure.
std::string ScanFailureText(const std::string& osPath, const CScanReport& report);

} // namespace quillora
