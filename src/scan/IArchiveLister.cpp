// The lister hook's hand-over for listers that only say whether they appended a node.
#include "scan/IArchiveLister.h"

#include "model/SFileInfo.h"

namespace quillora {

SFileInfo* IArchiveLister::ListArchive(SFileInfo& folder, const SDirEntry& entry,
                                       std::uint16_t fileTypeCode, const CArchiveHead* head) {
    if (!TryListArchive(folder, entry, fileTypeCode, head) || folder.ChildCount() == 0) {
        return nullptr;
    }
    return folder.ChildAt(folder.ChildCount() - 1);
}

} // namespace quillora
