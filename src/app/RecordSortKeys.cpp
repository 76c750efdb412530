// Sort keys of the list columns.
#include "app/RecordSortKeys.h"

#include "model/RecordFlags.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"

#include <cstring>

namespace quillora {

ESortKeyKind SortKeyKind(int columnId) {
    switch (columnId) {
    case 0:
        return ESortKeyKind::Name;
    case 1:
    case 3:
    case 4:
    case 5:
    case 11:
    case 12:
    case 19:
    case 32:
    case 33:
    case 34:
        return ESortKeyKind::Number;
    default:
        return ESortKeyKind::Record;
    }
}

std::uint64_t SortNumber(const SFileInfo& r, int columnId) {
    switch (columnId) {
    case 3:
        return r.m_ftCreation;
    case 4:
        return r.m_ftLastWrite;
    case 5:
        return r.m_ftLastAccess;
    case 32:
        return (r.m_wExtFlags & kExtFlagCrc) ? r.m_dwExtValue : 0;
    case 33:
        return r.CountFiles(true);
    case 34:
        return r.CountFolders(true);
    case 11:
        return r.HasFlags(kFlagMedium | kFlagGroup)
                   ? static_cast<const SVolumeInfo&>(r).m_nFreeBytes
                   : 0;
    case 12:
        return r.HasFlags(kFlagMedium | kFlagGroup)
                   ? static_cast<const SVolumeInfo&>(r).m_nTotalBytes
                   : 0;
    default:
        return r.m_nSize;
    }
}

std::string CollationKey(const std::string& text) {
    std::size_t n = std::strxfrm(nullptr, text.c_str(), 0);
    std::string key(n + 1, '\0');
    std::strxfrm(key.data(), text.c_str(), n + 1);
    key.resize(n);
    return key;
}

} // namespace quillora
