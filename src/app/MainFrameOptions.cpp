// Main window: the options sheet and what its OK changes in the views at once, and the
// print dialog.
#include "app/MainFrame.h"

#include "app/CaseTreeModel.h"
#include "app/FileListModel.h"
#include "app/RecentFileList.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "app/options/COptMeltPage.h"
#include "app/options/COptionDlg.h"
#include "app/print/CPrintDlg.h"
#include "core/ConfigData.h"
#include "document/FormPresets.h"
#include "document/JobOptions.h"
#include "export/CPrintFormSet.h"
#include "scan/ArchiverSet.h"
#include "scan/MediaPresence.h"

namespace quillora {

void CMainFrame::OnOptions() {
    SOptionContext context;
    if (m_pArchivers) {
        context.m_archivers = COptMeltPage::KindsOf(*m_pArchivers);
    } else {
        CArchiverSet none; // nothing loaded: every kind reads "(未ﾛｰﾄﾞ)"
        context.m_archivers = COptMeltPage::KindsOf(none);
    }
    context.m_drives = CDriveList::Read();
    context.m_pRecent = &m_recent;
    context.m_strOpenPath = m_doc.Core().PathName();
    context.m_historyCleared = [this] { UpdateRecentFiles(); };
    COptionDlg dialog(Config(), std::move(context), {}, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    ApplyOptions();
}

void CMainFrame::OnPrint() {
    std::vector<const SFileInfo*> selected;
    for (const SFileInfo* record : m_pList->Selected()) {
        selected.push_back(record);
    }
    CPrintDlg dialog(PrintFormSet().Set(), &m_doc.Case(), m_pTree->Current(), std::move(selected),
                     {}, this);
    dialog.exec();
}

void CMainFrame::ApplyOptions() {
    CConfigData& config = Config();
    // Archive members loaded as stored contents go through the process's expander.
    m_doc.UpdateArchiveOptions();
    m_doc.Presence().SetDriveChoice(DriveChoiceFrom(config));
    m_recent.SetCount(config.m_nMRUCount);
    UpdateRecentFiles();
    if (config.m_nViewChangeMask == 0) {
        return;
    }
    // Display names follow the file-name mode; every other option is read by the views
    // as they draw, sort and fill, so redrawing them is enough.
    m_doc.Case().UpdateDisplayNameTree(true);
    // The title names the case by its display name, as the tree's root does.
    UpdateTitle();
    m_pList->ApplyViewOptions();
    m_pTree->Model().Resync();
    m_pList->ShowFolder(m_pList->Folder());
    m_pProps->ShowRecord(m_pProps->Record());
    UpdateStatus();
}

} // namespace quillora
