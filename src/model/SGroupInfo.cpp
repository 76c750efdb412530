// Groups of media.
#include "model/SGroupInfo.h"

#include "core/TraceLog.h"

namespace quillora {

void SGroupInfo::SetLabel(const std::string& label) {
    m_strLabel = label;
    m_strOrgLabel = label;
    m_strName = label;
}

void SGroupInfo::StoreBody(CArchiveWriter& ar) const {
    Log("CGroupInfo::Serialize() start");
    StoreRecordBody(ar);
    StoreVolumeFields(ar);
    Log("CGroupInfo::Serialize() end");
}

} // namespace quillora
