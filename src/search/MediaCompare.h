// Comparing a medium with the case: the medium as it is now (scanned, or imported)
// against the case's record of it, and the case's linked records against their link
// targets. Nothing here changes the case.
#pragma once

#include "search/CompareRow.h"

namespace quillora {

class SFileInfo;
class SVolumeInfo;

// Rows for every record of `other` (the medium scanned now, or an imported medium)
// that differs from the case's record at the same place below `caseMedium`, then for
// every case record that `other` does not have. The same place: the same names level
// by level without regard to case, the first of equal names under which the rest of
// the path also matches; both media must have the same name (m_strName). Found:
// 216 when other's last-write time is later, 215 when the case's is, no row when
// equal; not found: 218. Case records left over: 219. Column 1 holds other's time,
// column 2 the case's.
CompareRows CompareMediumWithCase(const SVolumeInfo& caseMedium, const SVolumeInfo& other);

// One row for every record below `medium` that has a link, in pre-order (the
// medium itself, which has no time of its own, is left out): column 1 the record's time, column 2
// its link target's; 220 when the target is missing (or the link is no path on this system), else
// 215 (target older), 222 (equal) or 217 (target newer).
CompareRows CompareCaseWithLinks(const SFileInfo& medium);

} // namespace quillora
