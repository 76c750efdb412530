// CCrcRunMerge: the contents of many case files' CRC entries, each file's entries sorted
// on the worker that read it, merged as they are visited instead of being joined and
// sorted once more: largest size first, and the records of one content by medium and
// position.
#pragma once

#include "report/CCopiesReport.h"
#include "report/CopiesEntries.h"

#include <cstdint>
#include <span>
#include <tuple>
#include <vector>

namespace quillora {

class CCrcRunMerge {
public:
    // `runs[i]` is case i's entries (or a stretch of them) sorted with ListingBefore,
    // its media numbered from `bases[i]` in the report. The entries and `bases` must
    // outlive the merge and stay unchanged.
    CCrcRunMerge(const std::vector<std::span<const SCrcEntry>>& runs,
                 const std::vector<std::uint32_t>& bases);

    // The next content into `content` (its match, size, CRC and records; the copies are
    // left to the caller); false after the last.
    bool Next(SCopiesContent& content);

    // The order one case's entries are sorted in: larger size first, then larger CRC,
    // then by medium and position.
    static bool ListingBefore(const SCrcEntry& a, const SCrcEntry& b) {
        return std::tie(b.m_nSizeHigh, b.m_nSizeLow, b.m_dwCrc, a.m_ref.m_nMedium,
                        a.m_ref.m_nOrdinal) < std::tie(a.m_nSizeHigh, a.m_nSizeLow, a.m_dwCrc,
                                                       b.m_ref.m_nMedium, b.m_ref.m_nOrdinal);
    }
    // Sorts one case's entries `in`, collected in the order of their medium and
    // position, into `out` (as many) in ListingBefore order; `in` is left in any order.
    // The order they came in is kept among equal contents, so only size and CRC are
    // sorted on: a radix sort, a few passes over the entries.
    static void SortRun(std::span<SCrcEntry> in, std::span<SCrcEntry> out);

    // The same order on the contents alone (size and CRC).
    static bool ContentBefore(const SCrcEntry& a, const SCrcEntry& b) {
        return std::tie(b.m_nSizeHigh, b.m_nSizeLow, b.m_dwCrc) <
               std::tie(a.m_nSizeHigh, a.m_nSizeLow, a.m_dwCrc);
    }

private:
    struct SCursor {
        const SCrcEntry* m_pAt = nullptr;
        const SCrcEntry* m_pEnd = nullptr;
        std::uint32_t m_nRun = 0;
    };

    // Heap order: the cursor whose entry is listed first; of equal contents, the
    // earlier case.
    static bool Before(const SCursor& a, const SCursor& b) {
        const SCrcEntry& x = *a.m_pAt;
        const SCrcEntry& y = *b.m_pAt;
        return std::tie(y.m_nSizeHigh, y.m_nSizeLow, y.m_dwCrc, a.m_nRun) <
               std::tie(x.m_nSizeHigh, x.m_nSizeLow, x.m_dwCrc, b.m_nRun);
    }
    void SiftDown(std::size_t at);

    const std::vector<std::uint32_t>& m_bases;
    std::vector<SCursor> m_heap;
};

} // namespace quillora
