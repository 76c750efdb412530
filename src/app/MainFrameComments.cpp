// Main window: the comment commands, automatic extraction and its settings.
#include "app/CaseTreeModel.h"
#include "app/FileListModel.h"
#include "app/MainFrame.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "app/TobPropView.h"
#include "app/comments/CAutoCommentRunner.h"
#include "app/comments/CCommentSettingsDlg.h"
#include "extract/ExtractTextManager.h"
#include "model/RecordFlags.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/MediaPresence.h"

#include <set>

namespace quillora {

std::vector<SFileInfo*> CMainFrame::AutoCommentSelection() const {
    std::vector<SFileInfo*> rows;
    if (m_bListFocus) {
        rows = m_pList->Selected();
    }
    if (rows.empty()) {
        if (SFileInfo* node = m_pTree->Current()) {
            rows.push_back(node);
        }
    }
    std::vector<SFileInfo*> selection;
    for (SFileInfo* record : rows) {
        if (!record->HasFlags(kFlagCase | kFlagGroup | kFlagMedium)) {
            selection.push_back(record);
        }
    }
    return selection;
}

bool CMainFrame::OnAutoComment() {
    return AutoCommentRecords(AutoCommentSelection());
}

bool CMainFrame::AutoCommentRecords(const std::vector<SFileInfo*>& selection) {
    CExtractTextManager* extractors = m_doc.Extractors();
    if (!extractors || selection.empty()) {
        return false;
    }
    // Each medium is asked for once, before anything is read.
    std::set<const SFileInfo*> present;
    for (SFileInfo* record : selection) {
        const SFileInfo* medium = record->EnclosingMedium();
        if (present.count(medium) != 0) {
            continue;
        }
        if (!m_doc.Presence().RequireMedium(*record, m_doc)) {
            return false;
        }
        present.insert(medium);
    }
    CAutoCommentRunner runner(*extractors, m_doc.ArchiveExpander());
    // Media arriving or leaving meanwhile are dealt with after the run, not inside it.
    m_doc.HoldDeviceChanges(true);
    const bool finished = runner.Run(this, selection);
    m_doc.HoldDeviceChanges(false);
    if (runner.Processed() > 0) {
        m_doc.Core().SetModifiedFlag(true);
    }
    RefreshViews();
    if (SFileInfo* shown = m_pProps->Record()) {
        m_pProps->ShowRecord(shown);
    }
    return finished;
}

void CMainFrame::OnCommentSettings() {
    if (CExtractTextManager* extractors = m_doc.Extractors()) {
        CCommentSettingsDlg::Edit(this, *extractors);
    }
}

} // namespace quillora
