// Finds in slices.
#include "search/CFindRun.h"

#include "core/TraceLog.h"
#include "search/SFindCondition.h"

namespace quillora {

CFindRun::CFindRun(const SFindCondition& conditions, SFileInfo& start, EMode mode)
    : m_conditions(conditions), m_cursor(start), m_mode(mode), m_nTop(m_cursor.Depth()) {}

bool CFindRun::Step(std::size_t budget, std::vector<SFileInfo*>& hits) {
    if (m_bDone) {
        return true;
    }
    if (!m_bStarted) {
        Log("Find start");
        m_bStarted = true;
        if (m_mode == EMode::Next && !m_cursor.Next()) {
            m_bDone = true;
        }
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

void CFindRun::RunAll(std::vector<SFileInfo*>& hits) {
    while (!Step(65536, hits)) {
    }
}

} // namespace quillora
