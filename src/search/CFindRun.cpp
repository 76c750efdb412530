// Finds in slices.
#include "search/CFindRun.h"

#include "core/TraceLog.h"
#include "search/CNameIndex.h"
#include "search/SFindCondition.h"

#include <algorithm>

namespace quillora {

CFindRun::CFindRun(const SFindCondition& conditions, SFileInfo& start, EMode mode,
                   const CNameIndex* index)
    : m_conditions(conditions), m_cursor(start), m_mode(mode), m_nTop(m_cursor.Depth()) {
    if (index) {
        const std::size_t position = index->PositionOf(&start);
        if (position != CNameIndex::npos) {
            m_pIndex = index;
            m_nPosition = position;
            m_nTopEnd = index->SubtreeEnd(position);
        }
    }
}

bool CFindRun::Step(std::size_t budget, std::vector<SFileInfo*>& hits) {
    if (m_bDone) {
        return true;
    }
    if (!m_bStarted) {
        Log("Find start");
        m_bStarted = true;
        if (m_pIndex) {
            m_nPosition += m_mode == EMode::Next ? 1 : 0;
        } else if (m_mode == EMode::Next && !m_cursor.Next()) {
            m_bDone = true;
        }
    }
    if (m_pIndex) {
        return StepIndexed(budget, hits);
    }
    for (std::size_t n = 0; n < budget && !m_bDone; ++n) {
        SFileInfo* record = m_cursor.Current();
        ++m_nVisited;
        if (m_conditions.Match(*record)) {
            hits.push_back(record);
            m_bFound = true;
            if (m_mode != EMode::Batch) {
                m_bDone = true;
                break;
            }
        }
        if (!m_cursor.Next()) {
            m_bDone = true;
        } else if (m_mode == EMode::Batch && !m_bFound && m_cursor.Depth() <= m_nTop) {
            // Left the start record's subtree without a match.
            m_bDone = true;
        }
    }
    if (m_bDone) {
        Log("Find end");
    }
    return m_bDone;
}

bool CFindRun::StepIndexed(std::size_t budget, std::vector<SFileInfo*>& hits) {
    const CNameIndex& index = *m_pIndex;
    const std::size_t size = index.Size();
    // The same order and stops as the walk: the end of the case, or the end of the
    // start record's subtree when a batch found nothing in it.
    std::size_t stop = std::min(size, m_nPosition + budget);
    if (m_mode == EMode::Batch && !m_bFound) {
        stop = std::min(stop, m_nTopEnd);
    }
    std::size_t position = m_nPosition;
    for (; position < stop && !m_bDone; ++position) {
        if (m_conditions.Match(*index.Record(position), index.Name(position))) {
            hits.push_back(index.Record(position));
            if (m_mode != EMode::Batch) {
                m_bDone = true;
            } else if (!m_bFound) {
                m_bFound = true;
                stop = std::min(size, m_nPosition + budget);
            }
        }
    }
    m_nVisited += position - m_nPosition;
    m_nPosition = position;
    if (m_nPosition >= size || (m_mode == EMode::Batch && !m_bFound && m_nPosition >= m_nTopEnd)) {
        m_bDone = true;
    }
    if (m_bDone) {
        Log("Find end");
    }
    return m_bDone;
}

void CFindRun::RunAll(std::vector<SFileInfo*>& hits) {
    while (!Step(65536, hits)) {
    }
}

} // namespace quillora
