// Record -> Linux path, through the medium's mount point.
#include "scan/MediumPath.h"

#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"

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

} // namespace quillora
