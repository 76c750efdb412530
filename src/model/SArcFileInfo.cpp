// Archive entries: ratio, packed size and their extra fields in the case file.
#include "model/SArcFileInfo.h"

#include "core/TraceLog.h"
#include "model/CArchiveWriter.h"
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

} // namespace quillora
