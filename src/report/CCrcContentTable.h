// CCrcContentTable: counts the files of a stretch of the CRC runs per medium, and those
// no other medium holds, with a hash table of the stretch's contents. Counting needs the
// media of each content, not the contents in listing order, and a table the size of the
// processor's cache is several times faster than merging the runs. A stretch is either
// a range of contents in listing order or a range of the partitions Partition makes.
#pragma once

#include "report/CopiesEntries.h"

#include <bit>
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

    // One file of `size` bytes on the medium; `sole`: no other medium holds it.
    void Add(std::uint64_t size, bool sole) {
        ++m_nFiles;
        m_nBytes += size;
        if (sole) {
            ++m_nSoleFiles;
            m_nSoleBytes += size;
        }
    }
};

class CCrcContentTable {
public:
    // The partitions a case's entries are laid out in when only counted: enough that a
    // few of them together fit the cache for millions of entries.
    static constexpr std::size_t kPartitions = 1024;

    // Scatters `in` into `out` (as many) as tallies by partition of their content,
    // partition 0 first, each in the order the entries came in; `ends[p]` is set to the
    // end of partition p in `out`. All files of one content land in one partition, in
    // every case file.
    static void Partition(std::span<const SCrcEntry> in, std::span<SCrcTally> out,
                          std::vector<std::uint32_t>& ends);

    // Adds the files of `runs` to `counts` (one per medium of the report). Case i's
    // media are numbered from `bases[i]`; every content must lie wholly in `runs`.
    // For SCrcEntry and SCrcTally.
    template <class Entry>
    void Count(const std::vector<std::span<const Entry>>& runs,
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

    // The partition takes the hash's top bits and the table the ones below, so that the
    // contents of one partition still spread over the whole table.
    static std::uint64_t Hash(std::uint64_t size, std::uint32_t crc) {
        return (size ^ (std::uint64_t{crc} << 29) ^ crc) * 0x9E3779B97F4A7C15ULL;
    }
    static std::size_t PartitionOf(const SCrcEntry& entry) {
        return Hash(entry.Size(), entry.m_dwCrc) >> (64 - std::countr_zero(kPartitions));
    }
    static std::uint32_t MediumOf(const SCrcEntry& entry) { return entry.m_ref.m_nMedium; }
    static std::uint32_t MediumOf(const SCrcTally& entry) { return entry.m_nMedium; }
    std::size_t Find(std::uint64_t size, std::uint32_t crc) const;

    std::vector<SSlot> m_slots;          // reused from one stretch to the next, empty
    std::vector<std::uint32_t> m_filled; // the slots the stretch being counted filled
    std::size_t m_nMask = 0;
};

} // namespace quillora
