// The result of comparing a medium with the case (or the case with its link targets):
// a plain list of rows, shared by the compare dialog, the command line and the import
// that asks before it replaces a medium.
#pragma once

#include "core/FileTime.h"

#include <optional>
#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

// The four uses of the comparison.
inline constexpr int kCompareMediaCase = 0;   // the medium in its drive against the case
inline constexpr int kCompareCaseLink = 1;    // linked records against their link targets
inline constexpr int kCompareMediaCase2 = 2;  // as kCompareMediaCase
inline constexpr int kCompareMediaImport = 3; // an imported medium against the case's record

// Results; each is also the number of its text in the string table.
inline constexpr int kResultCaseNewer = 215;   // "ｹｰｽの方が新しい。"
inline constexpr int kResultMediumNewer = 216; // "ﾒﾃﾞｨｱの方が新しい。"
inline constexpr int kResultLinkNewer = 217;   // "ﾘﾝｸ先の方が新しい。"
inline constexpr int kResultMediumOnly = 218;  // "ﾒﾃﾞｨｱにのみ存在。"
inline constexpr int kResultCaseOnly = 219;    // "ｹｰｽにのみ存在。"
inline constexpr int kResultLinkMissing = 220; // "ﾘﾝｸ先ﾌｧｲﾙは、存在しない。"
inline constexpr int kResultEqual = 222;       // "等しい。"

struct SCompareRow {
    int m_nResult = 0;
    // The record's display name and the full path of its parent, as the desktop
    // writes paths. Texts, not pointers: a row may come from a scanned tree that is
    // gone once the comparison has ended.
    std::string m_strName;
    std::string m_strLocation;
    // Column 1: the medium's (media-case) or the case's (case-link) last-write time;
    // column 2: the case's or the link target's. No value is shown as "-".
    std::optional<FileTime> m_first;
    std::optional<FileTime> m_second;
    // The case's record of the row; null for a record found only on the medium. It
    // lives as long as the case is not changed.
    const SFileInfo* m_pCaseRecord = nullptr;
};

using CompareRows = std::vector<SCompareRow>;

// The text of a result (its string).
const char* CompareResultText(int result);

// Whether the row says the two sides differ (every result but "等しい。").
bool IsDifference(const SCompareRow& row);

// The guidance shown after a comparison in `mode` that gave `rows`: 227 without a
// row, else 230 (case-link), 520 (import) or 228; 289 when the scan was cancelled.
int CompareGuidance(int mode, const CompareRows& rows, bool cancelled = false);

// The dialog's title (225, 226, 518) and hint (223, 224) of a mode.
int CompareTitle(int mode);
int CompareHint(int mode);

} // namespace quillora
