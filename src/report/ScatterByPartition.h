// Laying entries out by partition: a counting sort on a partition number, one pass to
// count and one to move, which keeps each partition's entries in the order they came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillora {

// Scatters `in` into `out` (as many) by `partitionOf(entry)` (below `partitions`),
// partition 0 first, each entry as `make(entry)`; `ends[p]` is set to the end of
// partition p in `out`.
template <class In, class Out, class PartitionOf, class Make>
void ScatterByPartition(std::span<const In> in, std::span<Out> out, std::size_t partitions,
                        std::vector<std::uint32_t>& ends, PartitionOf partitionOf, Make make) {
    std::vector<std::uint32_t> at(partitions, 0);
    for (const In& entry : in) {
        ++at[partitionOf(entry)];
    }
    ends.resize(partitions);
    std::uint32_t begin = 0;
    for (std::size_t p = 0; p < partitions; ++p) {
        ends[p] = begin + at[p];
        at[p] = begin;
        begin = ends[p];
    }
    for (const In& entry : in) {
        out[at[partitionOf(entry)]++] = make(entry);
    }
}

} // namespace quillora
