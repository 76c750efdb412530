// The loading dialog's words for what a scan could not read, and for a scan that
// failed because its folder could not be read at all.
#pragma once

#include <string>

namespace quillora {

class CMediumChanges;
class CScanReport;

// One line per kind of item skipped ("読み込めなかったﾌｫﾙﾀﾞ: 2 個", ...), joined by line
// feeds; empty when nothing was skipped.
std::string ScanReportLines(const CScanReport& report);

// What a re-scan found: "追加 2  削除 1  変更 1  移動 1", the folders added and removed,
// the files read and kept, and the files whose times shifted by whole hours.
std::string ChangeSummaryLines(const CMediumChanges& changes, const CScanReport& report);

// Why the scan of `osPath` failed, with what the user can do about it; empty when
// the report shows no failure.
std::string ScanFailureText(const std::string& osPath, const CScanReport& report);

} // namespace quillora
