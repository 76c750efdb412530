// What the comparison and link-update commands need from the user interface beyond
// the document's own questions: the compare dialog and a copy with progress.
#pragma once

#include "search/CUpdateCopier.h"

namespace quillora {

class SVolumeInfo;

class ICompareUi {
public:
    virtual ~ICompareUi() = default;
    // The compare dialog in `mode` for the case's medium (modal). In the media-case
    // modes the dialog scans the medium itself, as a re-scan would.
    virtual void ShowCompareDialog(int mode, SVolumeInfo& medium) = 0;
    // Runs the copies while showing their progress, with a way to cancel; tells the
    // user which files could not be copied.
    virtual SCopySummary RunCopies(const SCopyPlan& plan) = 0;
};

} // namespace quillora
