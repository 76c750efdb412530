// CFolderSizeSum: the folder, medium and group sizes that case files of the old schemas
// do not keep, summed from the records as they stream past, as a loaded case sums them.
#pragma once

#include "model/SRecordFacts.h"

#include <cstdint>
#include <vector>

namespace quillora {

class CFolderSizeSum {
public:
    // At the case's BeginMedium: whether this file's sizes are to be summed.
    void Start(const SRecordFacts& caseRecord);
    bool Active() const { return m_bActive; }

    // A record whose size, in such a file, is the sum of its contents.
    static bool FromContents(const SRecordFacts& record);

    // At BeginMedium and EnterFolder.
    void Open();
    // At LeaveFolder and EndMedium: completes the record's size and adds it to the
    // level around it.
    void Close(SRecordFacts& record);
    // At Entry: a record without contents adds its size (an empty folder's is 0).
    void Entry(SRecordFacts& record);

private:
    void Add(std::uint64_t size);

    bool m_bActive = false;
    std::vector<std::uint64_t> m_sums;
};

} // namespace quillora
