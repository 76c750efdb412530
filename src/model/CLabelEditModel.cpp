// The label dialog's work list and how it is applied to the container.
#include "model/CLabelEditModel.h"

#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"

#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

namespace quillora {

namespace {

SVolumeInfo* AsVolume(SFileInfo* record) {
    if (record->Class() == RecordClass::Volume || record->Class() == RecordClass::Group) {
        return static_cast<SVolumeInfo*>(record);
    }
    return nullptr;
}

const SVolumeInfo* AsVolume(const SFileInfo* record) {
    return AsVolume(const_cast<SFileInfo*>(record));
}

} // namespace

CLabelEditModel::CLabelEditModel(SFileInfo& container) : m_container(container) {
    m_entries.reserve(container.ChildCount());
    for (const auto& child : container.Children()) {
        const SVolumeInfo* volume = AsVolume(child.get());
        m_entries.push_back({volume ? volume->GetLabel() : child->m_strName, child.get()});
    }
}

std::string CLabelEditModel::OriginalLabel(const SFileInfo& record) {
    const SVolumeInfo* volume = AsVolume(&record);
    return volume ? volume->GetOrgLabel() : std::string();
}

int CLabelEditModel::ImageIndex(const SFileInfo& record) {
    if (record.HasFlags(kFlagGroup)) {
        return 20;
    }
    if (record.HasFlags(kFlagCdRom)) {
        return 4;
    }
    if (record.HasFlags(kFlagRemovable)) {
        return 12;
    }
    if (record.HasFlags(kFlagRemote)) {
        return 24;
    }
    return 22;
}

void CLabelEditModel::SetLabel(std::size_t index, std::string label) {
    if (index < Count()) {
        m_entries[index].m_strLabel = std::move(label);
    }
}

void CLabelEditModel::RevertToOriginal(std::size_t index) {
    if (index < Count()) {
        m_entries[index].m_strLabel = OriginalLabel(*m_entries[index].m_pRecord);
    }
}

std::size_t CLabelEditModel::MoveUp(std::size_t index) {
    if (!CanMoveUp(index)) {
        return index;
    }
    std::swap(m_entries[index], m_entries[index - 1]);
    return index - 1;
}

std::size_t CLabelEditModel::MoveDown(std::size_t index) {
    if (!CanMoveDown(index)) {
        return index;
    }
    std::swap(m_entries[index], m_entries[index + 1]);
    return index + 1;
}

void CLabelEditModel::Sort() {
    // A selection sort, as the dialog has always sorted: for each position the
    // smallest remaining label is swapped in.
    for (std::size_t i = 0; i + 1 < Count(); ++i) {
        std::size_t smallest = i;
        for (std::size_t j = i + 1; j < Count(); ++j) {
            if (std::strcoll(m_entries[j].m_strLabel.c_str(),
                             m_entries[smallest].m_strLabel.c_str()) < 0) {
                smallest = j;
            }
        }
        if (smallest != i) {
            std::swap(m_entries[i], m_entries[smallest]);
        }
    }
}

bool CLabelEditModel::Apply() {
    if (m_container.ChildCount() != Count()) {
        return false;
    }
    std::unordered_map<const SFileInfo*, std::size_t> position;
    for (std::size_t i = 0; i < Count(); ++i) {
        position.emplace(m_entries[i].m_pRecord, i);
    }
    if (position.size() != Count()) {
        return false;
    }
    for (const auto& child : m_container.Children()) {
        if (!position.count(child.get())) {
            return false;
        }
    }
    std::vector<std::unique_ptr<SFileInfo>> ordered(Count());
    while (std::unique_ptr<SFileInfo> child = m_container.TakeFirst()) {
        std::size_t at = position[child.get()];
        ordered[at] = std::move(child);
    }
    for (SEntry& entry : m_entries) {
        if (SVolumeInfo* volume = AsVolume(entry.m_pRecord)) {
            volume->SetLabel(entry.m_strLabel);
        }
    }
    m_container.SetChildren(std::move(ordered));
    for (const auto& child : m_container.Children()) {
        child->UpdateDisplayName();
    }
    return true;
}

} // namespace quillora
