// The case side of a media-case comparison.
#include "search/CMatchTree.h"

#include "core/Text.h"
#include "model/SFileInfo.h"

#include <algorithm>
#include <stdexcept>

namespace quillora {

CMatchTree::CMatchTree(const SFileInfo& root) {
    // Breadth-first, so that the children of every node form one block.
    m_nodes.push_back(SNode{&root});
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const SFileInfo* record = m_nodes[i].m_pRecord;
        if (m_nodes.size() + record->ChildCount() >= kNone) {
            throw std::length_error("too many records to compare");
        }
        m_nodes[i].m_first = static_cast<Node>(m_nodes.size());
        m_nodes[i].m_count = static_cast<std::uint32_t>(record->ChildCount());
        for (const auto& child : record->Children()) {
            m_nodes.push_back(SNode{child.get()});
        }
    }
    m_sorted.resize(m_nodes.size());
}

void CMatchTree::SortBlock(Node parent) const {
    const SNode& p = m_nodes[parent];
    auto begin = m_sorted.begin() + p.m_first;
    auto end = begin + p.m_count;
    for (std::uint32_t i = 0; i < p.m_count; ++i) {
        begin[i] = p.m_first + i;
    }
    std::sort(begin, end, [this](Node a, Node b) {
        int order =
            text::CompareNoCase(m_nodes[a].m_pRecord->m_strName, m_nodes[b].m_pRecord->m_strName);
        return order != 0 ? order < 0 : a < b;
    });
    for (auto it = begin; it + 1 < end; ++it) {
        if (text::EqualsNoCase(m_nodes[*it].m_pRecord->m_strName,
                               m_nodes[*(it + 1)].m_pRecord->m_strName)) {
            p.m_bAmbiguous = true;
            break;
        }
    }
    p.m_bSorted = true;
}

std::size_t CMatchTree::LowerBound(Node parent, std::string_view name) const {
    const SNode& p = m_nodes[parent];
    if (!p.m_bSorted) {
        SortBlock(parent);
    }
    auto begin = m_sorted.begin() + p.m_first;
    auto end = begin + p.m_count;
    auto it = std::lower_bound(begin, end, name, [this](Node node, std::string_view key) {
        return text::CompareNoCase(m_nodes[node].m_pRecord->m_strName, key) < 0;
    });
    return static_cast<std::size_t>(it - m_sorted.begin());
}

bool CMatchTree::NameAt(std::size_t position, std::string_view name) const {
    return text::EqualsNoCase(m_nodes[m_sorted[position]].m_pRecord->m_strName, name);
}

CMatchTree::Node CMatchTree::FirstChildNamed(Node parent, std::string_view name) const {
    const SNode& p = m_nodes[parent];
    if (p.m_count == 0) {
        return kNone;
    }
    std::size_t at = LowerBound(parent, name);
    if (at < p.m_first + p.m_count && NameAt(at, name)) {
        return m_sorted[at];
    }
    return kNone;
}

bool CMatchTree::HasAmbiguousChildren(Node parent) const {
    const SNode& p = m_nodes[parent];
    if (!p.m_bSorted && p.m_count > 1) {
        SortBlock(parent);
    }
    return p.m_bAmbiguous;
}

CMatchTree::Node CMatchTree::FindPath(const std::vector<std::string_view>& names) const {
    // A depth-first search over the candidates of each level, without machine-stack
    // recursion (paths can be thousands of levels deep). Each entry is a node reached
    // at its level and the range of candidate positions left to try below it. Every
    // node is tried at most once, at its own level, so the search is bounded by the
    // size of the tree.
    struct SStep {
        Node m_node;
        std::size_t m_next;
        std::size_t m_end;
    };
    auto open = [&](Node node, std::size_t level) {
        const SNode& n = m_nodes[node];
        std::size_t at = n.m_count == 0 ? 0 : LowerBound(node, names[level]);
        std::size_t end = at;
        while (n.m_count != 0 && end < n.m_first + n.m_count && NameAt(end, names[level])) {
            ++end;
        }
        return SStep{node, at, end};
    };
    if (names.empty()) {
        return kRoot;
    }
    std::vector<SStep> path{open(kRoot, 0)};
    while (!path.empty()) {
        SStep& step = path.back();
        std::size_t level = path.size() - 1;
        if (step.m_next == step.m_end) {
            path.pop_back();
            continue;
        }
        Node candidate = m_sorted[step.m_next++];
        if (level + 1 == names.size()) {
            return candidate;
        }
        path.push_back(open(candidate, level + 1));
    }
    return kNone;
}

} // namespace quillora
