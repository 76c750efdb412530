// Counting matches from a stream: each record is tested once its fields for matching
// are there (a medium or group at its end, where its label is).
#include "search/CMatchCounter.h"

#include "model/CCDCase.h"
#include "model/CaseSchema.h"
#include "model/DisplayName.h"
#include "search/SFindCondition.h"

namespace quillora {

CMatchCounter::CMatchCounter(const SFindCondition& conditions, std::string casePath)
    : m_conditions(conditions), m_strCasePath(std::move(casePath)) {}

namespace {

bool SizeFromContents(const SRecordFacts& record) {
    return record.HasFlags(kSizeFromChildrenMask) && record.m_wArcType == 0;
}

} // namespace

void CMatchCounter::Test(const SRecordFacts& record) {
    if (m_conditions.Match(record, FindNameOf(record, m_strScratch, m_strCasePath))) {
        ++m_nCount;
    }
}

void CMatchCounter::AddSize(std::uint64_t size) {
    if (!m_sums.empty()) {
        m_sums.back() += size;
    }
}

void CMatchCounter::Open() {
    if (!m_bSumSizes) {
        return;
    }
    m_sums.push_back(0);
}

void CMatchCounter::Close(SRecordFacts& record) {
    if (!m_bSumSizes) {
        return;
    }
    const std::uint64_t sum = m_sums.back();
    m_sums.pop_back();
    if (SizeFromContents(record)) {
        record.m_nSize = sum;
    }
    AddSize(record.m_nSize);
}

void CMatchCounter::BeginMedium(SRecordFacts& medium) {
    if (medium.m_class == RecordClass::Case) {
        m_bSumSizes = SchemaFor(medium.m_nSchema).recalcAfterLoad;
    }
    Open();
}

void CMatchCounter::EnterFolder(SRecordFacts& folder) {
    Open();
    if (!m_bSumSizes || !SizeFromContents(folder)) {
        Test(folder);
    }
}

void CMatchCounter::Entry(SRecordFacts& record) {
    if (m_bSumSizes && SizeFromContents(record)) {
        record.m_nSize = 0;
    }
    AddSize(record.m_nSize);
    Test(record);
}

void CMatchCounter::LeaveFolder(SRecordFacts& folder) {
    Close(folder);
    if (m_bSumSizes && SizeFromContents(folder)) {
        Test(folder);
    }
}

void CMatchCounter::EndMedium(SRecordFacts& medium) {
    Close(medium);
    if (medium.m_class == RecordClass::Case) {
        CCDCase::TakeFileFacts(m_strCasePath, medium);
    }
    Test(medium);
}

} // namespace quillora
