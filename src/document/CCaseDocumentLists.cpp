// The case document's list exports and imports, and the merge of imported media.
#include "document/CCaseDocument.h"

#include "core/Text.h"
#include "core/TraceLog.h"
#include "document/FormPresets.h"
#include "document/ListMessages.h"
#include "export/CExportFormSets.h"
#include "export/CExportJob.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"
#include "model/SVolumeInfo.h"
#include "model/UserDataTransfer.h"
#include "scan/MediaPresence.h"

namespace quillora {

namespace {

// The imported medium's entry that stands for the whole of `existing` (a folder named
// like its original label, which a path through a network share or a folder medium
// leaves above the files); null when there is none.
SFileInfo* LevelNamedLike(SVolumeInfo& imported, const SVolumeInfo& existing) {
    if (existing.m_strOrgLabel.empty()) {
        return nullptr;
    }
    for (const auto& child : imported.Children()) {
        if (child->IsDirectory() && text::EqualsNoCase(child->m_strName, existing.m_strOrgLabel)) {
            return child.get();
        }
    }
    return nullptr;
}

void CopyVolumeFields(SVolumeInfo& to, const SVolumeInfo& from) {
    to.m_strName = from.m_strName;
    to.m_dwFlags = (to.m_dwFlags & ~kFlagMediumKindMask) | from.MediumKind();
    to.m_dwSerial = from.m_dwSerial;
    to.m_strOrgLabel = from.m_strOrgLabel;
    to.m_strVolText1 = from.m_strVolText1;
    to.m_strVolText2 = from.m_strVolText2;
    to.m_nTotalBytes = from.m_nTotalBytes;
    to.m_nFreeBytes = from.m_nFreeBytes;
    to.m_dwSectorsPerCluster = from.m_dwSectorsPerCluster;
    to.m_dwBytesPerSector = from.m_dwBytesPerSector;
    to.m_strRoot = from.m_strRoot;
    to.m_bPresent = from.m_bPresent;
    to.RecomputeLocation();
}

} // namespace

bool CCaseDocument::ExportList(EFormFormat format, const std::string& path,
                               const SFileInfo* start) {
    const CFormCondition preset = CurrentExportPreset(format);
    std::unique_ptr<CListExporter> exporter = MakeExporter(preset);
    const SFileInfo& from = start ? *start : *m_pCase;
    CExportJob job;
    SExportResult result;
    m_ui.RunJob(ListFormat(format).m_pszExportCaption, job,
                [&] { result = exporter->ExportToFile(&from, path, &job); });
    if (result.m_status == SExportResult::EStatus::Failed) {
        m_ui.ShowMessage(ExportFailureMessage(result), MessageIcon::Warning);
        return false;
    }
    if (result.m_status == SExportResult::EStatus::Cancelled) {
        return false;
    }
    if (std::string notice =
            ReplacedCharactersMessage(result.m_nReplaced, format == EFormFormat::Html);
        !notice.empty()) {
        m_ui.ShowMessage(notice, MessageIcon::Information);
    }
    return true;
}

bool CCaseDocument::ImportList(EFormFormat format, const std::string& path, bool showDiff,
                               EImportEncoding encoding) {
    const CFormCondition preset = CurrentExportPreset(format);
    CExportJob job;
    SImportResult result;
    const char* caption = ListFormat(format).m_pszImportCaption;
    m_ui.RunJob(caption ? caption : "", job,
                [&] { result = CCsvImporter(preset, encoding).ImportFile(path, &job); });
    if (result.m_status == SImportResult::EStatus::Failed) {
        m_ui.ShowMessage(ImportFailureMessage(path, result), MessageIcon::Warning);
        return false;
    }
    if (!result.Ok() || !result.m_pRoot) {
        return false;
    }
    return MergeImportedMedia(*result.m_pRoot, showDiff) > 0;
}

void CCaseDocument::PrepareImported(const SVolumeInfo& existing, SVolumeInfo& imported) {
    if (!text::EqualsNoCase(imported.m_strLabel, existing.m_strLabel)) {
        if (SFileInfo* level = LevelNamedLike(imported, existing)) {
            std::unique_ptr<SFileInfo> inner = imported.DetachChild(level);
            std::vector<std::unique_ptr<SFileInfo>> children;
            while (std::unique_ptr<SFileInfo> child = inner->TakeFirst()) {
                children.push_back(std::move(child));
            }
            imported.SetChildren(std::move(children));
        }
    }
    CopyVolumeFields(imported, existing);
    imported.UpdateDisplayNameTree(true);
    imported.RecalcSize(true);
}

SVolumeInfo* CCaseDocument::ReplaceWithImported(SVolumeInfo& existing,
                                                std::unique_ptr<SVolumeInfo> imported) {
    SFileInfo& parent = *existing.GetParent();
    auto* added = static_cast<SVolumeInfo*>(parent.InsertBefore(&existing, std::move(imported)));
    // The imported values are the newer ones: the old medium only fills what they lack,
    // and gives its marks, links and label.
    TransferUserData(*added, existing, kTransferFill);
    added->m_strLabel = existing.m_strLabel;
    added->UpdateDisplayNameTree(true);
    added->RecalcSize(true);
    m_ui.RecordReplaced(existing, *added);
    parent.RemoveChild(&existing);
    m_ui.RecordAdded(parent, *added, false);
    return added;
}

int CCaseDocument::MergeImportedMedia(CCDCase& imported, bool showDiff) {
    int merged = 0;
    while (std::unique_ptr<SFileInfo> record = imported.TakeFirst()) {
        if (!record->HasFlags(kFlagMedium)) {
            continue;
        }
        std::unique_ptr<SVolumeInfo> medium(static_cast<SVolumeInfo*>(record.release()));
        std::vector<SVolumeInfo*> media = m_pCase->CollectMedia();
        if (!media.empty()) {
            SMediaSelectRequest request;
            request.m_strLabel = medium->m_strLabel;
            request.m_strDriveName = medium->m_strName;
            request.m_candidates = media;
            SMediaSelectAnswer answer = m_ui.RunMediaSelectDialog(request);
            if (answer.m_kind == SMediaSelectAnswer::Cancel) {
                continue;
            }
            if (answer.m_kind == SMediaSelectAnswer::Update && answer.m_pMedium &&
                answer.m_pMedium->GetParent()) {
                PrepareImported(*answer.m_pMedium, *medium);
                if (showDiff && !m_ui.ConfirmImportedMedium(*answer.m_pMedium, *medium)) {
                    continue;
                }
                ReplaceWithImported(*answer.m_pMedium, std::move(medium));
                ++merged;
                continue;
            }
        }
        medium->UpdateDisplayNameTree(true);
        SVolumeInfo* added = static_cast<SVolumeInfo*>(m_pCase->AddChild(std::move(medium)));
        m_ui.RecordAdded(*m_pCase, *added, false);
        ++merged;
    }
    m_presence.CheckDeviceIN(*m_pCase);
    m_ui.RefreshTree();
    if (merged > 0) {
        SetModifiedFlag(true);
    }
    return merged;
}

} // namespace quillora
