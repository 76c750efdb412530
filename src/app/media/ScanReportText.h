// The loading dialog's words for what a scan could not read, what a re-scan found
// changed, and a scan that failed because its folder could not be read at all.
#pragma once

#include <cstdint>
#include <string>

namespace quillora {

class CMediumChanges;
class CScanReport;
enum class ChangeKind : std::uint8_t;

// One line per kind of item skipped ("読み込めなかったﾌｫﾙﾀﾞ: 2 個", ...), joined by line
// feeds; empty when nothing was skipped.
std::string ScanReportLines(const CScanReport& report);

// What a re-scan found: "追加 2  削除 1  変更 1  移動 1", the folders added and removed,
// the files read and kept, and the files whose times shifted by whole hours.
std::string ChangeSummaryLines(const CMediumChanges& changes, const CScanReport& report);

// The word the change list shows for a kind of change: "追加", "削除", "変更", "移動",
// "ﾌｫﾙﾀﾞ追加", "ﾌｫﾙﾀﾞ削除".
const char* ChangeKindText(ChangeKind kind);

// Why the scan of `osPath` failed, with what the user can do about it; empty when
// the report shows no failure.
std::string ScanFailureText(const std::string& osPath, const CScanReport& report);

} // namespace quillora
