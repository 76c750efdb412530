// Queries of the node table: names, children, lookups and the user's texts.
#include "mount/CNodeTable.h"

#include "model/RecordFlags.h"

#include <algorithm>
#include <functional>

namespace quillora {

bool CNodeTable::IsFolder(std::uint32_t index) const {
    const SMountNode& node = m_nodes[index];
    return node.m_class == RecordClass::Case || node.m_class == RecordClass::Group ||
           node.m_class == RecordClass::Volume || (node.m_dwFlags & kAttrDirectory) != 0 ||
           node.m_nChildCount != 0;
}

std::string_view CNodeTable::ShownName(std::uint32_t index) const {
    const SMountNode& node = m_nodes[index];
    if (node.m_bRenamed) {
        const SShownName& shown = m_shown.at(index);
        return PoolText(shown.m_nOffset, shown.m_nLength);
    }
    return PoolText(node.m_nName, node.m_nNameLength);
}

std::string_view CNodeTable::StoredName(std::uint32_t index) const {
    const SMountNode& node = m_nodes[index];
    return PoolText(node.m_nName, node.m_nNameLength);
}

std::span<const std::uint32_t> CNodeTable::Children(std::uint32_t index) const {
    const SMountNode& node = m_nodes[index];
    return std::span<const std::uint32_t>(m_children)
        .subspan(node.m_nFirstChild, node.m_nChildCount);
}

std::uint64_t CNodeTable::HashOf(std::uint32_t folder, std::string_view name) {
    // Mixed to the last bit: the slot takes the low bits, the tag the high ones.
    std::uint64_t h = std::hash<std::string_view>{}(name) + folder * 0x9E3779B97F4A7C15ull;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
}

std::size_t CNodeTable::Probe(std::uint32_t folder, std::string_view name,
                              std::uint64_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t entry = m_slots[slot];
        if (entry == kEmptySlot) {
            return slot;
        }
        const auto index = static_cast<std::uint32_t>(entry);
        if (static_cast<std::uint32_t>(entry >> 32) == tag && m_nodes[index].m_nParent == folder &&
            ShownName(index) == name) {
            return slot;
        }
    }
}

std::uint32_t CNodeTable::Lookup(std::uint32_t folder, std::string_view name) const {
    if (m_slots.empty()) {
        return kNoNode;
    }
    const std::uint64_t entry = m_slots[Probe(folder, name, HashOf(folder, name))];
    return entry == kEmptySlot ? kNoNode : static_cast<std::uint32_t>(entry);
}

bool CNodeTable::HasCrc(std::uint32_t index) const {
    const std::uint32_t extra = m_nodes[index].m_nExtra;
    return extra != kNoNode && m_extras[extra].m_bHasCrc;
}

std::uint32_t CNodeTable::Crc(std::uint32_t index) const {
    const std::uint32_t extra = m_nodes[index].m_nExtra;
    return extra == kNoNode ? 0 : m_extras[extra].m_dwCrc;
}

std::string_view CNodeTable::Comment(std::uint32_t index) const {
    const std::uint32_t extra = m_nodes[index].m_nExtra;
    return extra == kNoNode
               ? std::string_view()
               : PoolText(m_extras[extra].m_nComment, m_extras[extra].m_nCommentLength);
}

std::string_view CNodeTable::Category(std::uint32_t index) const {
    const std::uint32_t extra = m_nodes[index].m_nExtra;
    return extra == kNoNode
               ? std::string_view()
               : PoolText(m_extras[extra].m_nCategory, m_extras[extra].m_nCategoryLength);
}

std::string_view CNodeTable::ArcPrefix(std::uint32_t index) const {
    const std::uint32_t extra = m_nodes[index].m_nExtra;
    return extra == kNoNode
               ? std::string_view()
               : PoolText(m_extras[extra].m_nArcPrefix, m_extras[extra].m_nArcPrefixLength);
}

const SMediumFacts* CNodeTable::MediumOf(std::uint32_t index) const {
    while (index != kNoNode && m_nodes[index].m_class != RecordClass::Volume) {
        index = m_nodes[index].m_nParent;
    }
    if (index == kNoNode) {
        return nullptr;
    }
    auto it =
        std::lower_bound(m_media.begin(), m_media.end(), index,
                         [](const SMediumFacts& m, std::uint32_t n) { return m.m_nNode < n; });
    return it != m_media.end() && it->m_nNode == index ? &*it : nullptr;
}

std::uint64_t CNodeTable::TotalBytes() const {
    std::uint64_t total = 0;
    for (std::uint32_t child : Children(0)) {
        total += m_nodes[child].m_nSize;
    }
    return total;
}

std::size_t CNodeTable::MemoryBytes() const {
    std::size_t bytes =
        m_nodes.size() * sizeof(SMountNode) + m_children.capacity() * sizeof(std::uint32_t) +
        m_slots.capacity() * sizeof(std::uint64_t) + m_extras.capacity() * sizeof(SExtra) +
        m_pool.size() + m_shown.size() * (sizeof(SShownName) + 32);
    for (const SMediumFacts& medium : m_media) {
        bytes +=
            sizeof(medium) + medium.m_strName.capacity() + medium.m_volume.m_strLabel.capacity();
    }
    return bytes;
}

} // namespace quillora
