// Display-type table.
#include "model/CDisplayTypeTable.h"

#include "core/Resources.h"
#include "core/Text.h"
#include "model/SVolumeInfo.h"

namespace quillora {

CDisplayTypeTable::CDisplayTypeTable() {
    m_entries = {
        {"UNKNOWN", 9, Res(153)},      {"FOLDER", 4, Res(156)},       {"FOLDER-ARC", 5, Res(168)},
        {"FOLDER-GROUP", 6, Res(532)}, {"CD-ROM", 2, Res(154)},       {"CD-ROM-IN", 3, Res(154)},
        {"REMOVABLE", 7, Res(155)},    {"REMOVABLE-IN", 8, Res(155)}, {"FIXED", 10, Res(205)},
        {"REMOTE", 11, Res(306)},
    };
}

int CDisplayTypeTable::FixedIndexFor(const SFileInfo& record) {
    if (record.HasFlags(kFlagMedium)) {
        const auto& medium = static_cast<const SVolumeInfo&>(record);
        switch (record.MediumKind()) {
        case kFlagCdRom:
            return medium.m_bPresent ? kCdRomIn : kCdRom;
        case kFlagRemovable:
            return medium.m_bPresent ? kRemovableIn : kRemovable;
        case kFlagRemote:
            return kRemote;
        case kFlagFixed:
            return kFixed;
        default:
            return kUnknown;
        }
    }
    if (record.HasFlags(kFlagGroup)) {
        return kFolderGroup;
    }
    if (record.IsDirectory()) {
        return record.HasFlags(kFlagListedArchive) ? kFolderArc : kFolder;
    }
    return -1;
}

int CDisplayTypeTable::FileIndex(const SFileInfo& record) {
    std::string extension = text::AsciiUpper(record.Extension());
    std::lock_guard guard(m_lock);
    for (std::size_t i = 10; i < m_entries.size(); ++i) {
        if (m_entries[i].m_strKey == extension) {
            return static_cast<int>(i);
        }
    }
    if (!m_pResolver) {
        return kUnknown;
    }
    SDisplayType type;
    if (!m_pResolver->Resolve(extension, type)) {
        return kUnknown;
    }
    type.m_strKey = extension;
    m_entries.push_back(std::move(type));
    return static_cast<int>(m_entries.size() - 1);
}

int CDisplayTypeTable::IndexFor(SFileInfo& record) {
    if (record.m_nTypeIndex >= 0) {
        return record.m_nTypeIndex;
    }
    int index = FixedIndexFor(record);
    if (index < 0) {
        index = FileIndex(record);
    }
    // Media change their index with their presence, so only files are cached.
    if (!record.HasFlags(kFlagMedium)) {
        record.m_nTypeIndex = index;
    }
    return index;
}

SDisplayType CDisplayTypeTable::Entry(int index) const {
    std::lock_guard guard(m_lock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) {
        return m_entries[kUnknown];
    }
    return m_entries[static_cast<std::size_t>(index)];
}

std::size_t CDisplayTypeTable::Size() const {
    std::lock_guard guard(m_lock);
    return m_entries.size();
}

void CDisplayTypeTable::SetResolver(IFileTypeResolver* resolver) {
    std::lock_guard guard(m_lock);
    m_pResolver = resolver;
}

CDisplayTypeTable& DisplayTypes() {
    static CDisplayTypeTable table;
    return table;
}

} // namespace quillora
