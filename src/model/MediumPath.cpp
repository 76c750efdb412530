// Record -> Linux path, through the medium's mount point.
#include "model/MediumPath.h"

#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"

#include <vector>

namespace quillora {

std::string MediumOsFolder(const SVolumeInfo& medium) {
    if (medium.m_strRoot.empty()) {
        return {};
    }
    if (medium.HasFlags(kFlagRemote)) {
        return medium.m_strRoot;
    }
    return OsPathBelow(medium.m_strRoot, medium.m_strName);
}

std::string RecordOsPath(const SFileInfo& record) {
    std::vector<const std::string*> names;
    const SFileInfo* node = &record;
    while (node && !node->HasFlags(kFlagMedium)) {
        names.push_back(&node->m_strName);
        node = node->GetParent();
    }
    if (!node) {
        return {};
    }
    std::string path = MediumOsFolder(static_cast<const SVolumeInfo&>(*node));
    if (path.empty()) {
        return {};
    }
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (path.back() != '/') {
            path += '/';
        }
        // A name holds no "/" on disk; one that came from an archive listing would
        // have been turned into "\" when the record was made.
        path += OsPathFromModel(**it);
    }
    return path;
}

} // namespace quillora
