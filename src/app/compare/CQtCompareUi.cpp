// Comparison and link-update commands in the desktop program.
#include "app/compare/CQtCompareUi.h"

#include "app/DeviceChangeHold.h"
#include "app/TobCaseDoc.h"
#include "app/compare/CCompareDlg.h"
#include "app/compare/CQtCopyProgress.h"
#include "document/CCompareCommands.h"
#include "model/SVolumeInfo.h"

namespace quillora {

bool CQtCompareUi::CanRun(int command, const SFileInfo* selection) {
    if (!selection) {
        return false;
    }
    if (command == kUpdateLinksFromMedium && selection->HasFlags(kFlagCase)) {
        return true;
    }
    return selection->EnclosingMedium() != nullptr;
}

void CQtCompareUi::RunCommand(int command, SFileInfo* selection) {
    CDeviceChangeHold hold(m_doc);
    CCompareCommands commands(m_doc.Core(), m_doc, *this);
    switch (command) {
    case kUpdateLinksFromMedium:
        commands.UpdateLinksFromMedium(selection);
        break;
    case kUpdateMediumFromLinks:
        commands.UpdateMediumFromLinks(selection);
        break;
    case kCompareMediumCase:
        commands.CompareMediumWithCase(selection);
        break;
    case kCompareCaseLink:
        commands.CompareCaseWithLinks(selection);
        break;
    default:
        break;
    }
}

void CQtCompareUi::ShowCompareDialog(int mode, SVolumeInfo& medium) {
    CCompareDlg dialog(mode, medium, nullptr, m_pWindow, [this](const std::string& osPath) {
        // A re-scan: the same archive listing as the add scan, no end sound, no eject.
        return m_doc.RunLoadingDialog(osPath, nullptr, nullptr, kAddRescan);
    });
    dialog.exec();
}

SCopySummary CQtCompareUi::RunCopies(const SCopyPlan& plan) {
    CQtCopyProgress progress(m_pWindow);
    SCopySummary summary = CUpdateCopier(&progress).Run(plan);
    progress.Finish();
    return summary;
}

} // namespace quillora
