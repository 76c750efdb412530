// Building the name index and finding records in it.
#include "search/CNameIndex.h"

#include "model/CCDCase.h"
#include "model/DisplayName.h"

#include <algorithm>
#include <limits>

namespace quillora {

namespace {

// Growth by doubling leaves up to half of a block unused; the room a rebuild
// reserved leaves a sixteenth, which is not worth copying the block for.
template <class Block> void ShrinkSpare(Block& block) {
    if (block.capacity() - block.size() > block.capacity() / 8) {
        block.shrink_to_fit();
    }
}

} // namespace

CNameIndex::CNameIndex(CCDCase& root, const CNameIndex* previous)
    : m_pRoot(&root), m_nRevision(root.Revision()), m_cursor(root) {
    if (previous && previous->m_bComplete) {
        // A little more than before: a case that grew a little is not copied again.
        const std::size_t records = previous->Size() + previous->Size() / 16;
        m_records.reserve(records);
        m_nameEnds.reserve(records);
        m_subtreeEnds.reserve(records);
        m_names.reserve(previous->m_names.size() + previous->m_names.size() / 16);
    }
}

bool CNameIndex::Build(const CCDCase& current, std::size_t budget) {
    if (m_bComplete || m_bFailed) {
        return true;
    }
    if (&current != m_pRoot || current.Revision() != m_nRevision) {
        Fail();
        return true;
    }
    constexpr std::size_t kMaxPosition = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t n = 0; n < budget; ++n) {
        SFileInfo* record = m_cursor.Current();
        const std::string_view name = FindNameOf(*record);
        if (m_records.size() >= kMaxPosition || name.size() > kMaxPosition - m_names.size()) {
            Fail();
            return true;
        }
        const auto position = static_cast<std::uint32_t>(m_records.size());
        // The records whose subtrees end here are those at this depth and below.
        for (std::size_t depth = m_cursor.Depth(); m_open.size() > depth; m_open.pop_back()) {
            m_subtreeEnds[m_open.back()] = position;
        }
        m_open.push_back(position);
        m_records.push_back(record);
        m_subtreeEnds.push_back(0);
        m_names += name;
        m_nameEnds.push_back(static_cast<std::uint32_t>(m_names.size()));
        if (!m_cursor.Next()) {
            for (const std::uint32_t open : m_open) {
                m_subtreeEnds[open] = static_cast<std::uint32_t>(m_records.size());
            }
            m_open = {};
            ShrinkSpare(m_records);
            ShrinkSpare(m_nameEnds);
            ShrinkSpare(m_subtreeEnds);
            ShrinkSpare(m_names);
            m_bComplete = true;
            return true;
        }
    }
    return false;
}

void CNameIndex::BuildAll(const CCDCase& current) {
    while (!Build(current, 65536)) {
    }
}

bool CNameIndex::IsCurrentFor(const CCDCase& root) const {
    return m_bComplete && &root == m_pRoot && root.Revision() == m_nRevision;
}

std::size_t CNameIndex::PositionOf(const SFileInfo* record) const {
    const auto it = std::find(m_records.begin(), m_records.end(), record);
    return it == m_records.end() ? npos : static_cast<std::size_t>(it - m_records.begin());
}

void CNameIndex::Fail() {
    m_bFailed = true;
    m_records = {};
    m_nameEnds = {};
    m_subtreeEnds = {};
    m_names = {};
    m_open = {};
}

} // namespace quillora
