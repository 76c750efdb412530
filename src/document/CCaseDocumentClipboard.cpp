// Case document: media and groups pasted from the clipboard's payload.
#include "document/CCaseDocument.h"

#include "model/CMediaPayload.h"
#include "model/PropertyDefinitions.h"
#include "scan/MediaPresence.h"

namespace quillora {

namespace {

// The group that holds the record (itself included), else the case.
SFileInfo& PasteTarget(CCDCase& root, const SFileInfo* selected) {
    for (const SFileInfo* record = selected; record; record = record->GetParent()) {
        if (record->HasFlags(kFlagGroup)) {
            return *const_cast<SFileInfo*>(record);
        }
    }
    return root;
}

int DepthOf(const SFileInfo& record) {
    int depth = 0;
    for (const SFileInfo* up = record.GetParent(); up; up = up->GetParent()) {
        ++depth;
    }
    return depth;
}

} // namespace

std::size_t CCaseDocument::PasteMedia(std::span<const std::uint8_t> payload,
                                      const SFileInfo* selected) {
    SFileInfo& target = PasteTarget(*m_pCase, selected);
    SMediaPayload read = ReadMediaPayload(payload, PropertyDefinitions(), DepthOf(target) + 1);
    const std::size_t pasted = read.m_records.size();
    for (auto& record : read.m_records) {
        SFileInfo* added = target.AddChild(std::move(record));
        added->RecalcSize(true);
        target.RecalcSize(false);
        m_ui.RecordAdded(target, *added, false);
    }
    m_presence.CheckDeviceIN(*m_pCase);
    m_ui.RefreshTree();
    SetModifiedFlag(true);
    if (!read.Complete()) {
        // Another program may put anything under the format: say what arrived.
        m_ui.ShowMessage("ｸﾘｯﾌﾟﾎﾞｰﾄﾞのﾒﾃﾞｨｱﾃﾞｰﾀが壊れています。" +
                             std::to_string(std::max<std::int32_t>(read.m_nStated, 0)) +
                             " 件のうち " + std::to_string(pasted) + " 件を貼り付けました。\n(" +
                             read.m_strError + ", byte " + std::to_string(read.m_nErrorOffset) +
                             ")",
                         MessageIcon::Warning);
    }
    return pasted;
}

} // namespace quillora
