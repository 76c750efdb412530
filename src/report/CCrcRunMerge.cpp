// Merging sorted runs with a binary heap of cursors, one per case file, each sifted
// down once per content it gives.
#include "report/CCrcRunMerge.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quillora {

namespace {

bool SameContent(const SCrcEntry& a, const SCrcEntry& b) {
    return a.m_nSizeLow == b.m_nSizeLow && a.m_nSizeHigh == b.m_nSizeHigh && a.m_dwCrc == b.m_dwCrc;
}

// Byte `pass` of an entry's sort key, counted from the least significant: the CRC's four
// bytes, then the size's eight. Inverted, so that ascending order lists larger first.
unsigned KeyByte(const SCrcEntry& e, unsigned pass) {
    if (pass < 4) {
        return (~e.m_dwCrc >> (8 * pass)) & 0xFF;
    }
    return (~e.Size() >> (8 * (pass - 4))) & 0xFF;
}

} // namespace

void CCrcRunMerge::SortRun(std::span<SCrcEntry> in, std::span<SCrcEntry> out) {
    constexpr std::size_t kPasses = 12;
    constexpr std::size_t kSmall = 64;
    if (in.size() < kSmall) {
        std::sort(in.begin(), in.end(), ListingBefore);
        std::copy(in.begin(), in.end(), out.begin());
        return;
    }
    std::vector<std::array<std::uint32_t, 256>> counts(kPasses);
    for (const SCrcEntry& e : in) {
        for (unsigned pass = 0; pass < kPasses; ++pass) {
            ++counts[pass][KeyByte(e, pass)];
        }
    }
    SCrcEntry* from = in.data();
    SCrcEntry* to = out.data();
    for (unsigned pass = 0; pass < kPasses; ++pass) {
        std::array<std::uint32_t, 256>& count = counts[pass];
        if (std::find(count.begin(), count.end(), in.size()) != count.end()) {
            continue; // every entry has the same byte here
        }
        std::uint32_t at = 0;
        for (std::uint32_t& c : count) {
            at += std::exchange(c, at);
        }
        for (std::size_t i = 0; i < in.size(); ++i) {
            to[count[KeyByte(from[i], pass)]++] = from[i];
        }
        std::swap(from, to);
    }
    if (from != out.data()) {
        std::copy(from, from + in.size(), out.data());
    }
}

CCrcRunMerge::CCrcRunMerge(const std::vector<std::span<const SCrcEntry>>& runs,
                           const std::vector<std::uint32_t>& bases)
    : m_bases(bases) {
    for (std::uint32_t run = 0; run < runs.size(); ++run) {
        if (!runs[run].empty()) {
            m_heap.push_back({runs[run].data(), runs[run].data() + runs[run].size(), run});
        }
    }
    for (std::size_t at = m_heap.size() / 2; at-- > 0;) {
        SiftDown(at);
    }
}

void CCrcRunMerge::SiftDown(std::size_t at) {
    const std::size_t count = m_heap.size();
    const SCursor moving = m_heap[at];
    for (;;) {
        std::size_t child = 2 * at + 1;
        if (child >= count) {
            break;
        }
        if (child + 1 < count && Before(m_heap[child + 1], m_heap[child])) {
            ++child;
        }
        if (!Before(m_heap[child], moving)) {
            break;
        }
        m_heap[at] = m_heap[child];
        at = child;
    }
    m_heap[at] = moving;
}

bool CCrcRunMerge::Next(SCopiesContent& content) {
    if (m_heap.empty()) {
        return false;
    }
    const SCrcEntry first = *m_heap.front().m_pAt;
    content.m_match = ECopiesMatch::Crc;
    content.m_nSize = first.Size();
    content.m_dwCrc = first.m_dwCrc;
    content.m_records.clear();
    // The cases holding the content come to the top one after the other, earliest first.
    while (!m_heap.empty() && SameContent(*m_heap.front().m_pAt, first)) {
        SCursor& top = m_heap.front();
        const std::uint32_t base = m_bases[top.m_nRun];
        for (; top.m_pAt != top.m_pEnd && SameContent(*top.m_pAt, first); ++top.m_pAt) {
            content.m_records.push_back(
                {base + top.m_pAt->m_ref.m_nMedium, top.m_pAt->m_ref.m_nOrdinal});
        }
        if (top.m_pAt == top.m_pEnd) {
            top = m_heap.back();
            m_heap.pop_back();
        }
        if (!m_heap.empty()) {
            SiftDown(0);
        }
    }
    return true;
}

} // namespace quillora
