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
    const SVolumeInfo* medium = record.EnclosingMedium();
    if (!medium) {
        return {};
    }
    std::string folder = MediumOsFolder(*medium);
    if (folder.empty()) {
        return {};
    }
    std::vector<const SFileInfo*> chain;
    for (const SFileInfo* r = &record; r != medium; r = r->GetParent()) {
        chain.push_back(r);
    }
    std::string path = folder;
    for (std::size_t i = chain.size(); i-- > 0;) {
        if (path.back() != '/') {
            path += '/';
        }
        path += OsNameFromModel(chain[i]->GetName());
    }
    return path;
}

} // namespace quillora
