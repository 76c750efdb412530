// Groups of media.
#include "model/SGroupInfo.h"

#include "core/TraceLog.h"
#include "model/ArchiveException.h"
#include "model/CArchiveReader.h"
#include "model/CaseSchema.h"

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

void SGroupInfo::LoadBody(CArchiveReader& ar, CaseLoadContext& ctx) {
    Log("CGroupInfo::Serialize() start");
    LoadRecordBody(ar, ctx);
    int schema = ctx.schema.number;
    if (schema != 11 && schema != 12) {
        Log("SGroupInfo::Serialize() not supported throw");
        throw CArchiveException(CArchiveException::badClass, "unsupported schema", ar.Offset());
    }
    try {
        LoadVolumeFields(ar, schema);
    } catch (const CArchiveException& e) {
        Log("SGroupInfo::Serialize() Throw");
        throw CArchiveException(CArchiveException::badClass,
                                CArchiveException::CauseName(e.m_cause), e.m_nOffset);
    }
    if (schema == 11) {
        m_dwFlags |= kAttrDirectory;
    }
    Log("CGroupInfo::Serialize() end");
}

} // namespace quillora
