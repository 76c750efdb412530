// The case side of a media-case comparison: every record of the case's medium with a
// matched flag, and a look-up of a folder's children by name without regard to case.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quillora {

class SFileInfo;

class CMatchTree {
public:
    using Node = std::uint32_t;
    static constexpr Node kNone = ~Node{0};
    static constexpr Node kRoot = 0;

    // Indexes the records below `root` (the case's medium). The tree must not change
    // while this object is used.
    explicit CMatchTree(const SFileInfo& root);

    const SFileInfo& Record(Node node) const { return *m_nodes[node].m_pRecord; }
    bool IsMatched(Node node) const { return m_nodes[node].m_bMatched; }
    void MarkMatched(Node node) { m_nodes[node].m_bMatched = true; }

    // The first child of `parent`, in the case's order, whose m_strName equals `name`
    // without regard to case; kNone when there is none.
    Node FirstChildNamed(Node parent, std::string_view name) const;

    // The record at the path `names` below the root: level by level, the children
    // whose name equals that level's name are tried in order and the first under
    // which the rest of the path also matches is taken. kNone when none does.
    Node FindPath(const std::vector<std::string_view>& names) const;

    // Whether some child name of `parent` occurs more than once without regard to
    // case (only then can a path have more than one way down through it).
    bool HasAmbiguousChildren(Node parent) const;

    // Every node but the root, in pre-order of the case.
    template <typename Visit> void ForEachPreOrder(Visit visit) const {
        std::vector<Node> stack;
        PushChildren(kRoot, stack);
        while (!stack.empty()) {
            Node node = stack.back();
            stack.pop_back();
            visit(node);
            PushChildren(node, stack);
        }
    }

    std::size_t Size() const { return m_nodes.size(); }

private:
    struct SNode {
        const SFileInfo* m_pRecord;
        Node m_first = 0; // children are m_first .. m_first + m_count - 1
        std::uint32_t m_count = 0;
        bool m_bMatched = false;
        // m_sorted of this node's block is in name order (sorted on first use).
        mutable bool m_bSorted = false;
        mutable bool m_bAmbiguous = false;
    };

    void PushChildren(Node node, std::vector<Node>& stack) const {
        const SNode& n = m_nodes[node];
        for (std::uint32_t i = n.m_count; i-- > 0;) {
            stack.push_back(n.m_first + i);
        }
    }
    void SortBlock(Node parent) const;
    // The first position in parent's sorted block whose name is not below `name`.
    std::size_t LowerBound(Node parent, std::string_view name) const;
    bool NameAt(std::size_t position, std::string_view name) const;

    std::vector<SNode> m_nodes;
    // Per parent, its children's node numbers in name order (ties in the case's
    // order), at the same positions as the children themselves.
    mutable std::vector<Node> m_sorted;
};

} // namespace quillora
