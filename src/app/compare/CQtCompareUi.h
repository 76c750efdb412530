// The desktop's side of the comparison and link-update commands: the compare dialog
// over the program's own loading dialog, and the copies under a progress dialog.
#pragma once

#include "document/ICompareUi.h"

class QWidget;

namespace quillora {

class CTobCaseDoc;
class SFileInfo;

class CQtCompareUi : public ICompareUi {
public:
    // The menu commands this runs (the program's numbering).
    enum Command {
        kUpdateLinksFromMedium = 32830, // "更新 ﾒﾃﾞｨｱ->ﾘﾝｸ先(&M)"
        kUpdateMediumFromLinks = 32831, // "更新 ﾘﾝｸ先->ﾒﾃﾞｨｱ(&L)"
        kCompareMediumCase = 32832,     // "比較 ﾒﾃﾞｨｱ-ｹｰｽ(&H)..."
        kCompareCaseLink = 32833,       // "比較 ｹｰｽ-ﾘﾝｸ先(&C)..."
    };

    // The document must outlive this object; `window` owns the dialogs (may be null).
    CQtCompareUi(CTobCaseDoc& doc, QWidget* window) : m_doc(doc), m_pWindow(window) {}

    // Runs one of the four commands on the tree's selection. Device changes wait
    // meanwhile: a medium re-scanned under an open result list would take the
    // records its rows point to.
    void RunCommand(int command, SFileInfo* selection);
    // Whether the command can run on `selection` (the menus' enabled state).
    static bool CanRun(int command, const SFileInfo* selection);

    void ShowCompareDialog(int mode, SVolumeInfo& medium) override;
    SCopySummary RunCopies(const SCopyPlan& plan) override;

private:
    CTobCaseDoc& m_doc;
    QWidget* m_pWindow;
};

} // namespace quillora
