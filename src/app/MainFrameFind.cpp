// Main window: the find commands, and what the find dialogs ask of the main views.
#include "app/CaseTreeModel.h"
#include "app/FileListModel.h"
#include "app/MainFrame.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "app/export/CListCommands.h"
#include "app/find/CCaseFindDlg.h"
#include "app/find/CFindDlg.h"
#include "app/report/CCopiesDlg.h"
#include "model/SFileInfo.h"

namespace quillora {

void CMainFrame::OnFind() {
    if (!m_pFindDlg) {
        m_pFindDlg = std::make_unique<CFindDlg>(m_doc, *this, this);
        UpdateCommandStates();
    }
    m_pFindDlg->ShowDialog();
}

void CMainFrame::OnFindNext() {
    if (m_pFindDlg) {
        m_pFindDlg->FindNext(false);
    }
}

void CMainFrame::OnCaseFind() {
    if (!m_pCaseFindDlg) {
        m_pCaseFindDlg = std::make_unique<CCaseFindDlg>(this);
    }
    std::optional<CCaseFindDlg::SChoice> choice = m_pCaseFindDlg->Run();
    if (!choice || !m_doc.OpenPath(choice->path)) {
        return;
    }
    // Opened with hits: the first one is selected at once, as F3 would.
    if (choice->count > 0) {
        if (!m_pFindDlg) {
            m_pFindDlg = std::make_unique<CFindDlg>(m_doc, *this, this);
            UpdateCommandStates();
        }
        m_pFindDlg->LoadConditions();
        m_pFindDlg->FindNext(false);
    }
}

void CMainFrame::OnCopiesReport() {
    if (!m_pCopiesDlg) {
        m_pCopiesDlg = std::make_unique<CCopiesDlg>(m_doc, *this, this);
    }
    m_pCopiesDlg->show();
    m_pCopiesDlg->raise();
}

SFileInfo* CMainFrame::FindStartRecord() {
    if (m_bOtherViewActive) {
        return nullptr;
    }
    if (m_bListFocus) {
        std::vector<SFileInfo*> selected = m_pList->Selected();
        if (!selected.empty()) {
            return selected.front();
        }
    }
    return m_pTree->Current();
}

void CMainFrame::ShowFoundRecord(SFileInfo& record) {
    m_bOtherViewActive = false;
    if (record.HasFlags(kFlagCase | kFlagMedium | kAttrDirectory) || !record.GetParent()) {
        m_pTree->Select(&record);
        m_pTree->setFocus();
        m_bListFocus = false;
        return;
    }
    m_pTree->Select(record.GetParent());
    const int row = m_pList->Model().RowOf(&record);
    if (row >= 0) {
        const QModelIndex index = m_pList->Model().index(row, 0);
        m_pList->setCurrentIndex(index);
        m_pList->scrollTo(index);
    }
    m_pList->setFocus();
    m_bListFocus = true;
    UpdateCommandStates();
}

void CMainFrame::EditComment(SFileInfo& record) {
    OnEditComment(record);
    m_pList->Model().RefreshRecord(&record);
    if (m_pProps->Record() == &record) {
        m_pProps->ShowRecord(&record);
    }
}

bool CMainFrame::CopyRecordsAsCsv(const std::vector<SFileInfo*>& records) {
    // The find list's copy: the current CSV preset, without subfolders, whatever the
    // copy option says.
    return m_pLists->CopyAs(EFormFormat::Csv, records, false, true);
}

void CMainFrame::RecordsChanged() {
    RefreshViews();
}

} // namespace quillora
