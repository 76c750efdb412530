// Archive entries: ratio, packed size and their extra fields in the case file.
#include "model/SArcFileInfo.h"

#include "core/TraceLog.h"
#include "model/ArchiveException.h"
#include "model/CArchiveReader.h"
#include "model/CArchiveWriter.h"
#include "model/CaseSchema.h"
#include "model/DisplayName.h"

namespace quillora {

double SArcFileInfo::CompressionRatio() const {
    if (m_nSize == 0) {
        return 100.0;
    }
    return static_cast<double>(m_dwPackedSize) * 100.0 / static_cast<double>(m_nSize);
}

std::string SArcFileInfo::PackedSizeText() const {
    return FormatGrouped(m_dwPackedSize);
}

int CompareRatio(const SArcFileInfo& a, const SArcFileInfo& b) {
    return static_cast<int>((a.CompressionRatio() - b.CompressionRatio()) * 10.0);
}

void SArcFileInfo::StoreBody(CArchiveWriter& ar) const {
    StoreRecordBody(ar);
    ar.WriteU32(m_dwPackedSize);
    ar.WriteText(m_strArcText);
}

void SArcFileInfo::LoadBody(CArchiveReader& ar, CaseLoadContext& ctx) {
    LoadRecordBody(ar, ctx);
    int schema = ctx.schema.number;
    if (schema == 3 || schema > 12) {
        Log("SArcFileInfo::Serialize() not supported throw");
        throw CArchiveException(CArchiveException::badClass, "unsupported schema", ar.Offset());
    }
    try {
        if (schema >= 2) {
            m_dwPackedSize = ar.ReadU32();
        }
        if (schema >= 10) {
            m_strArcText = ar.ReadText();
        }
    } catch (const CArchiveException& e) {
        Log("SArcFileInfo::Serialize() Throw");
        throw CArchiveException(CArchiveException::badClass,
                                CArchiveException::CauseName(e.m_cause), e.m_nOffset);
    }
}

} // namespace quillora
