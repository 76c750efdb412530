// Which copies the two link-update commands make: from the medium to the link
// targets of its records, and from the link targets back onto the medium.
#pragma once

#include "search/CUpdateCopier.h"

namespace quillora {

class SFileInfo;

// "更新 ﾒﾃﾞｨｱ->ﾘﾝｸ先": every linked record below `scope` (a medium, or a group or the
// case for all their media) that is not a plain folder (a listed archive counts as a
// file) and whose link target is missing or older than the record: its file on the
// medium goes to the link path. Records of media not present now and entries inside
// archives have no file to copy and are left out; a link that names no path on this
// system is a problem of the plan.
SCopyPlan PlanMediumToLinks(const SFileInfo& scope);

// "更新 ﾘﾝｸ先->ﾒﾃﾞｨｱ": over the linked records below `scope`, a plain folder has its
// link folder listed and every entry there whose name matches none of the record's
// children (without regard to case) is copied into the record's folder on the
// medium; any other record whose link target exists and is newer than the record is
// copied from the link target onto the medium.
SCopyPlan PlanLinksToMedium(const SFileInfo& scope);

} // namespace quillora
