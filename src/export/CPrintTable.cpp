// The printed table's rows and cells.
#include "export/CPrintTable.h"

#include "export/CExportJob.h"
#include "export/CItemValues.h"
#include "export/CPrintCondition.h"
#include "export/FormItem.h"
#include "model/SFileInfo.h"

#include <algorithm>

namespace quillora {

namespace {

// Names without label brackets or separator conversion, from the display name; comments
// on one line.
SItemValueOptions PrintValueOptions() {
    SItemValueOptions options;
    options.m_bOrgName = false;
    options.m_strLabelOpen.clear();
    options.m_strLabelClose.clear();
    options.m_nFolderSep = 0;
    options.m_commentBreaks = ECommentBreaks::OneLine;
    return options;
}

} // namespace

CPrintTable::CPrintTable(const CPrintCondition& preset) {
    m_columns.push_back({"No.", 0, ECellAlign::Left, kNoColumnWidth});
    for (const FormItem& item : preset.Visible) {
        if (item.Data < kFirstItemType || item.Data > kLastItemType) {
            continue;
        }
        SPrintColumn column;
        column.m_strTitle = FormItemTitleText(item.Data);
        column.m_nType = item.Data;
        column.m_align =
            item.Data == kItemSize || item.Data == kItemCrc ? ECellAlign::Right : ECellAlign::Left;
        column.m_nWidth = item.Data == kItemComment ? kCommentColumnWidth : kDefaultColumnWidth;
        m_columns.push_back(std::move(column));
    }
    m_nTarget = preset.Target;
    m_bBelow = preset.Target == kPrintWholeCase || preset.TargetSubFolder != 0;
    m_nLimit = preset.TargetRowsMode != 0 ? static_cast<std::size_t>(std::max(preset.TargetRows, 1))
                                          : static_cast<std::size_t>(-1);
}

void CPrintTable::AddRow(const SFileInfo& entry, CItemValues& values) {
    std::vector<std::string> row;
    row.reserve(m_columns.size());
    row.push_back(std::to_string(m_rows.size() + 1));
    for (std::size_t c = 1; c < m_columns.size(); ++c) {
        row.push_back(values.Value(entry, m_columns[c].m_nType));
    }
    m_rows.push_back(std::move(row));
}

bool CPrintTable::Build(const SFileInfo* root, const SFileInfo* folderEntry,
                        const std::vector<const SFileInfo*>& listEntries, CExportJob* job) {
    m_rows.clear();
    m_bTruncated = false;
    std::vector<const SFileInfo*> starts;
    if (m_nTarget == kPrintWholeCase) {
        starts.push_back(root);
    } else if (m_nTarget == kPrintListSelection) {
        starts = listEntries;
    } else {
        starts.push_back(folderEntry);
    }
    const bool below = m_bBelow;
    const std::size_t limit = m_nLimit;
    CItemValues values(PrintValueOptions());
    std::vector<const SFileInfo*> pending;
    for (const SFileInfo* start : starts) {
        if (!start) {
            continue;
        }
        pending.assign(1, start);
        while (!pending.empty()) {
            if (m_rows.size() >= limit) {
                m_bTruncated = true;
                return true;
            }
            if (job && job->Cancelled()) {
                return false;
            }
            const SFileInfo* entry = pending.back();
            pending.pop_back();
            AddRow(*entry, values);
            if (job && (m_rows.size() & 1023) == 0) {
                job->SetDone(m_rows.size());
            }
            if (below) {
                for (std::size_t i = entry->ChildCount(); i-- > 0;) {
                    pending.push_back(entry->ChildAt(i));
                }
            }
        }
    }
    if (job) {
        job->SetDone(m_rows.size());
    }
    return true;
}

} // namespace quillora
