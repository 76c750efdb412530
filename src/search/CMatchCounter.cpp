// Counting matches from a stream: each record is tested once its fields for matching
// are there (a medium or group at its end, where its label is).
#include "search/CMatchCounter.h"

#include "model/CCDCase.h"
#include "model/DisplayName.h"
#include "search/SFindCondition.h"

namespace quillora {

CMatchCounter::CMatchCounter(const SFindCondition& conditions, std::string casePath)
    : m_conditions(conditions), m_strCasePath(std::move(casePath)) {}

void CMatchCounter::Test(SRecordFacts& record) {
    const bool match =
        record.m_bNameStored
            ? m_conditions.MatchStored(record)
            : m_conditions.Match(record, FindNameOf(record, m_strScratch, m_strCasePath));
    if (match) {
        ++m_nCount;
    }
}

void CMatchCounter::BeginMedium(SRecordFacts& medium) {
    if (medium.m_class == RecordClass::Case) {
        m_sizes.Start(medium);
    }
    m_sizes.Open();
}

// A folder whose size is summed from its contents is tested at its end, when the
// size is known.
bool CMatchCounter::TestedAtEnd(const SRecordFacts& folder) const {
    return m_sizes.Active() && CFolderSizeSum::FromContents(folder);
}

void CMatchCounter::EnterFolder(SRecordFacts& folder) {
    m_sizes.Open();
    if (!TestedAtEnd(folder)) {
        Test(folder);
    }
}

void CMatchCounter::Entry(SRecordFacts& record) {
    m_sizes.Entry(record);
    Test(record);
}

void CMatchCounter::LeaveFolder(SRecordFacts& folder) {
    m_sizes.Close(folder);
    if (TestedAtEnd(folder)) {
        Test(folder);
    }
}

void CMatchCounter::EndMedium(SRecordFacts& medium) {
    m_sizes.Close(medium);
    if (medium.m_class == RecordClass::Case) {
        CCDCase::TakeFileFacts(m_strCasePath, medium);
    }
    Test(medium);
}

} // namespace quillora
