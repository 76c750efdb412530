// CCrcContentTable: counts the files of a stretch of the CRC runs per medium, and those
// no other medium holds, with a hash table of the stretch's contents. Counting needs the
// media of each content, not the contents in listing order, and a table the size of the
// processor's cache is several times faster than merging the runs.
#pragma once

#include "report/CopiesEntries.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillora {

// Per medium: the files of more than 0 bytes counted on it, and those no other medium
// holds.
struct SMediumCounts {
    std::uint64_t m_nFiles = 0;
    std::uint64_t m_nBytes = 0;
    std::uint64_t m_nSoleFiles = 0;
    std::uint64_t m_nSoleBytes = 0;
};

class CCrcContentTable {
public:
    // Adds the files of `runs` to `counts` (one per medium of the report). Case i's
    // media are numbered from `bases[i]`; every content must lie wholly in `runs`.
    void Count(const std::vector<std::span<const SCrcEntry>>& runs,
               const std::vector<std::uint32_t>& bases, std::vector<SMediumCounts>& counts);

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    static constexpr std::uint32_t kSeveral = 0xFFFFFFFE;

    struct SSlot {
        std::uint64_t m_nSize = 0;
        std::uint32_t m_dwCrc = 0;
        std::uint32_t m_nMedium = kEmpty; // kSeveral once a second medium holds it
        std::uint64_t m_nFiles = 0;
    };

    SSlot& Find(std::uint64_t size, std::uint32_t crc);

    std::vector<SSlot> m_slots; // reused from one stretch to the next
    std::size_t m_nMask = 0;
};

} // namespace quillora
