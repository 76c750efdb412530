// Summing old-schema folder sizes from the stream.
#include "model/CFolderSizeSum.h"

#include "model/CaseSchema.h"
#include "model/RecordFlags.h"

namespace quillora {

void CFolderSizeSum::Start(const SRecordFacts& caseRecord) {
    m_bActive = SchemaFor(caseRecord.m_nSchema).recalcAfterLoad;
    m_sums.clear();
}

bool CFolderSizeSum::FromContents(const SRecordFacts& record) {
    return record.HasFlags(kSizeFromChildrenMask) && record.m_wArcType == 0;
}

void CFolderSizeSum::Add(std::uint64_t size) {
    if (!m_sums.empty()) {
        m_sums.back() += size;
    }
}

void CFolderSizeSum::Open() {
    if (m_bActive) {
        m_sums.push_back(0);
    }
}

void CFolderSizeSum::Close(SRecordFacts& record) {
    if (!m_bActive || m_sums.empty()) {
        return;
    }
    const std::uint64_t sum = m_sums.back();
    m_sums.pop_back();
    if (FromContents(record)) {
        record.m_nSize = sum;
    }
    Add(record.m_nSize);
}

void CFolderSizeSum::Entry(SRecordFacts& record) {
    if (!m_bActive) {
        return;
    }
    if (FromContents(record)) {
        record.m_nSize = 0;
    }
    Add(record.m_nSize);
}

} // namespace quillora
