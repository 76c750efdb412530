// Comparison and link-update commands of the document.
#include "document/CCompareCommands.h"

#include "core/Resources.h"
#include "document/CCaseDocument.h"
#include "document/ICompareUi.h"
#include "model/SVolumeInfo.h"
#include "search/CompareRow.h"
#include "search/LinkUpdatePlan.h"

namespace quillora {

SVolumeInfo* CCompareCommands::PresentMedium(SFileInfo* selection) {
    SVolumeInfo* medium = selection ? selection->EnclosingMedium() : nullptr;
    if (!medium) {
        return nullptr;
    }
    m_doc.CheckMounts();
    if (!medium->MatchMedium(0, nullptr)) {
        m_ui.ShowMessage(Res(209), MessageIcon::Warning);
        return nullptr;
    }
    return medium;
}

void CCompareCommands::CompareMediumWithCase(SFileInfo* selection) {
    if (SVolumeInfo* medium = PresentMedium(selection)) {
        m_compareUi.ShowCompareDialog(kCompareMediaCase, *medium);
    }
}

void CCompareCommands::CompareCaseWithLinks(SFileInfo* selection) {
    if (SVolumeInfo* medium = selection ? selection->EnclosingMedium() : nullptr) {
        m_compareUi.ShowCompareDialog(kCompareCaseLink, *medium);
    }
}

bool CCompareCommands::UpdateLinksFromMedium(SFileInfo* selection) {
    const SFileInfo* scope = nullptr;
    if (selection && selection->HasFlags(kFlagCase)) {
        m_doc.CheckMounts();
        scope = selection;
    } else {
        scope = PresentMedium(selection);
    }
    if (!scope) {
        return false;
    }
    m_compareUi.RunCopies(PlanMediumToLinks(*scope));
    return true;
}

bool CCompareCommands::UpdateMediumFromLinks(SFileInfo* selection) {
    SVolumeInfo* medium = PresentMedium(selection);
    if (!medium) {
        return false;
    }
    SCopySummary summary = m_compareUi.RunCopies(PlanLinksToMedium(*medium));
    if (summary.m_nCopied > 0 && m_ui.AskYesNo(Res(241))) {
        m_doc.UpdateFromDrive(*medium);
    }
    return true;
}

} // namespace quillora
