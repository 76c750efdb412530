// One find over the open case that can run in slices, so a window stays responsive
// on a case of millions of records: a batch find (the first match in the start
// record's subtree, then every later match up to the end of the case), or one
// find-next. The conditions must stay prepared while the run is used, and the case
// unchanged: a caller that lets the case change between slices drops the run.
#pragma once

#include "search/CCaseCursor.h"

#include <cstddef>
#include <vector>

namespace quillora {

class CNameIndex;
class SFileInfo;
class SFindCondition;

class CFindRun {
public:
    enum class EMode {
        // The start record and its subtree first; when nothing there matches, the run
        // finds nothing, even if later records match. Every match to the end.
        Batch,
        // The first match at or after the start record (itself included).
        First,
        // The first match after the start record (itself skipped).
        Next,
    };

    // With `index`, complete and current for the case of `start`, the run reads the
    // names from it and the records only for conditions other than the name.
    CFindRun(const SFindCondition& conditions, SFileInfo& start, EMode mode,
             const CNameIndex* index = nullptr);

    // Tests up to `budget` records, appending matches to `hits`. True when the run is
    // over (then Done() is true too).
    bool Step(std::size_t budget, std::vector<SFileInfo*>& hits);
    // Runs to the end.
    void RunAll(std::vector<SFileInfo*>& hits);
    bool Done() const { return m_bDone; }
    // Records tested so far.
    std::size_t Visited() const { return m_nVisited; }

private:
    bool StepIndexed(std::size_t budget, std::vector<SFileInfo*>& hits);

    const SFindCondition& m_conditions;
    CCaseCursor m_cursor;
    EMode m_mode;
    std::size_t m_nTop;
    // With an index: the position reached, and the end of the start record's subtree.
    const CNameIndex* m_pIndex = nullptr;
    std::size_t m_nPosition = 0;
    std::size_t m_nTopEnd = 0;
    std::size_t m_nVisited = 0;
    bool m_bFound = false;
    bool m_bStarted = false;
    bool m_bDone = false;
};

} // namespace quillora
