// Open addressing with linear probing, at most half full: a stretch's contents are
// known to be at most its entries, so the table never grows while counting. The
// partitions are a counting sort on the hash's top bits: one pass to count, one to move.
#include "report/CCrcContentTable.h"

#include <algorithm>
#include <bit>

namespace quillora {

static_assert(std::has_single_bit(CCrcContentTable::kPartitions));

void CCrcContentTable::Partition(std::span<const SCrcEntry> in, std::span<SCrcEntry> out,
                                 std::vector<std::uint32_t>& ends) {
    std::vector<std::uint32_t> at(kPartitions, 0);
    for (const SCrcEntry& entry : in) {
        ++at[PartitionOf(entry)];
    }
    ends.resize(kPartitions);
    std::uint32_t begin = 0;
    for (std::size_t p = 0; p < kPartitions; ++p) {
        ends[p] = begin + at[p];
        at[p] = begin;
        begin = ends[p];
    }
    for (const SCrcEntry& entry : in) {
        out[at[PartitionOf(entry)]++] = entry;
    }
}

CCrcContentTable::SSlot& CCrcContentTable::Find(std::uint64_t size, std::uint32_t crc) {
    const std::uint64_t hash = Hash(size, crc);
    for (std::size_t at = (hash >> 32) & m_nMask;; at = (at + 1) & m_nMask) {
        SSlot& slot = m_slots[at];
        if (slot.m_nMedium == kEmpty || (slot.m_nSize == size && slot.m_dwCrc == crc)) {
            return slot;
        }
    }
}

void CCrcContentTable::Count(const std::vector<std::span<const SCrcEntry>>& runs,
                             const std::vector<std::uint32_t>& bases,
                             std::vector<SMediumCounts>& counts) {
    std::size_t entries = 0;
    for (const std::span<const SCrcEntry>& run : runs) {
        entries += run.size();
    }
    if (entries == 0) {
        return;
    }
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, 2 * entries));
    m_slots.assign(size, SSlot{});
    m_nMask = size - 1;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (const SCrcEntry& entry : runs[r]) {
            const std::uint64_t bytes = entry.Size();
            const std::uint32_t medium = bases[r] + entry.m_ref.m_nMedium;
            SMediumCounts& on = counts[medium];
            ++on.m_nFiles;
            on.m_nBytes += bytes;
            SSlot& slot = Find(bytes, entry.m_dwCrc);
            if (slot.m_nMedium == kEmpty) {
                slot = {bytes, entry.m_dwCrc, medium, 0};
            } else if (slot.m_nMedium != medium) {
                slot.m_nMedium = kSeveral;
            }
            ++slot.m_nFiles;
        }
    }
    for (const SSlot& slot : m_slots) {
        if (slot.m_nMedium != kEmpty && slot.m_nMedium != kSeveral) {
            SMediumCounts& on = counts[slot.m_nMedium];
            on.m_nSoleFiles += slot.m_nFiles;
            on.m_nSoleBytes += slot.m_nFiles * slot.m_nSize;
        }
    }
}

} // namespace quillora
