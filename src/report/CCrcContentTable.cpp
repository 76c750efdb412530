// Open addressing with linear probing, at most half full: a stretch's contents are
// known to be at most its entries, so the table never grows while counting. The
// partitions are the hash's top bits.
#include "report/CCrcContentTable.h"

#include "report/ScatterByPartition.h"

#include <algorithm>
#include <bit>

namespace quillora {

static_assert(std::has_single_bit(CCrcContentTable::kPartitions));

void CCrcContentTable::Partition(std::span<const SCrcEntry> in, std::span<SCrcTally> out,
                                 std::vector<std::uint32_t>& ends) {
    ScatterByPartition(in, out, kPartitions, ends, PartitionOf, [](const SCrcEntry& entry) {
        return SCrcTally{entry.Size(), entry.m_dwCrc, entry.m_ref.m_nMedium};
    });
}

namespace {

// A stretch's share of each run is short (a few cache lines) and far from the next
// run's, too short for the processor to see a stream: asked for ahead, the runs after
// this one arrive while it is counted. A share of a partition is counted in less time
// than its first line takes to arrive, so the ask goes a few runs ahead.
constexpr std::size_t kRunsAhead = 4;

template <class Entry> void FetchAhead(std::span<const Entry> run) {
    constexpr std::size_t kLine = 64;
    const char* at = reinterpret_cast<const char*>(run.data());
    const char* end = at + run.size_bytes();
    for (; at < end; at += kLine) {
        __builtin_prefetch(at);
    }
}

} // namespace

std::size_t CCrcContentTable::Find(std::uint64_t size, std::uint32_t crc) const {
    const std::uint64_t hash = Hash(size, crc);
    for (std::size_t at = (hash >> 32) & m_nMask;; at = (at + 1) & m_nMask) {
        const SSlot& slot = m_slots[at];
        if (slot.m_nMedium == kEmpty || (slot.m_nSize == size && slot.m_dwCrc == crc)) {
            return at;
        }
    }
}

template <class Entry>
void CCrcContentTable::Count(const std::vector<std::span<const Entry>>& runs,
                             const std::vector<std::uint32_t>& bases,
                             std::vector<SMediumCounts>& counts) {
    std::size_t entries = 0;
    for (const std::span<const Entry>& run : runs) {
        entries += run.size();
    }
    if (entries == 0) {
        return;
    }
    // The slots a stretch filled are emptied after it, so a table that is big enough is
    // only cleared once.
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, 2 * entries));
    if (m_slots.size() < size) {
        m_slots.assign(size, SSlot{});
    }
    m_nMask = size - 1;
    m_filled.clear();
    for (std::size_t r = 0; r < std::min(kRunsAhead, runs.size()); ++r) {
        FetchAhead(runs[r]);
    }
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (r + kRunsAhead < runs.size()) {
            FetchAhead(runs[r + kRunsAhead]);
        }
        for (const Entry& entry : runs[r]) {
            const std::uint64_t bytes = entry.Size();
            const std::uint32_t medium = bases[r] + MediumOf(entry);
            SMediumCounts& on = counts[medium];
            ++on.m_nFiles;
            on.m_nBytes += bytes;
            const std::size_t at = Find(bytes, entry.m_dwCrc);
            SSlot& slot = m_slots[at];
            if (slot.m_nMedium == kEmpty) {
                slot = {bytes, entry.m_dwCrc, medium, 0};
                m_filled.push_back(static_cast<std::uint32_t>(at));
            } else if (slot.m_nMedium != medium) {
                slot.m_nMedium = kSeveral;
            }
            ++slot.m_nFiles;
        }
    }
    for (const std::uint32_t at : m_filled) {
        SSlot& slot = m_slots[at];
        if (slot.m_nMedium != kSeveral) {
            SMediumCounts& on = counts[slot.m_nMedium];
            on.m_nSoleFiles += slot.m_nFiles;
            on.m_nSoleBytes += slot.m_nFiles * slot.m_nSize;
        }
        slot = SSlot{};
    }
}

template void CCrcContentTable::Count(const std::vector<std::span<const SCrcEntry>>&,
                                      const std::vector<std::uint32_t>&,
                                      std::vector<SMediumCounts>&);
template void CCrcContentTable::Count(const std::vector<std::span<const SCrcTally>>&,
                                      const std::vector<std::uint32_t>&,
                                      std::vector<SMediumCounts>&);

} // namespace quillora
