// User-data transfer between two copies of a medium. Old records are found by a hash
// of their case-folded path below the root, so a medium of a million records takes one
// pass over each tree and no path strings are built.
#include "model/UserDataTransfer.h"

#include "core/Text.h"
#include "model/CaseEditing.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quillora {

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;
constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

std::uint64_t Mix(std::uint64_t hash, unsigned char byte) {
    return (hash ^ byte) * kFnvPrime;
}

// The hash of a child's path from its parent's: a separator, then the name folded
// to lower case as the path comparison folds it.
std::uint64_t ChildHash(std::uint64_t parent, const std::string& name) {
    std::uint64_t hash = Mix(parent, '\\');
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        hash = Mix(hash, byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte);
    }
    return hash;
}

// Whether a subtree holds a record with anything to carry over.
bool AnyUserData(const SFileInfo& root) {
    std::vector<const SFileInfo*> stack{&root};
    while (!stack.empty()) {
        const SFileInfo* record = stack.back();
        stack.pop_back();
        if (HasUserData(*record)) {
            return true;
        }
        for (const auto& child : record->Children()) {
            stack.push_back(child.get());
        }
    }
    return false;
}

// Whether two records lie at the same path below their roots, without regard to case.
bool SamePath(const SFileInfo* a, const SFileInfo* aRoot, const SFileInfo* b,
              const SFileInfo* bRoot) {
    while (a != aRoot && b != bRoot) {
        if (!text::EqualsNoCase(a->GetName(), b->GetName())) {
            return false;
        }
        a = a->GetParent();
        b = b->GetParent();
    }
    return a == aRoot && b == bRoot;
}

// The old records in tree order, chained by path hash (first in tree order at the
// head), so taking the first equal record of a chain is taking the first unused
// record with that path. Records without user data are chained too, so that they
// still take their place in that order, but once every record with data has been
// taken nothing is left to carry.
class COldRecords {
public:
    explicit COldRecords(const SFileInfo& root) : m_root(root) { Add(root, kFnvOffset); }

    std::size_t RemainingWithData() const { return m_nWithData; }

    const SFileInfo* Take(const SFileInfo& record, const SFileInfo& newRoot, std::uint64_t hash) {
        auto it = m_chains.find(hash);
        if (it == m_chains.end()) {
            return nullptr;
        }
        SChain& chain = it->second;
        std::uint32_t previous = kNone;
        for (std::uint32_t i = chain.m_head; i != kNone; previous = i, i = m_next[i]) {
            if (!SamePath(m_records[i], &m_root, &record, &newRoot)) {
                continue; // a different path with the same hash
            }
            (previous == kNone ? chain.m_head : m_next[previous]) = m_next[i];
            if (chain.m_tail == i) {
                chain.m_tail = previous;
            }
            if (HasUserData(*m_records[i])) {
                --m_nWithData;
            }
            return m_records[i];
        }
        return nullptr;
    }

private:
    struct SChain {
        std::uint32_t m_head = kNone;
        std::uint32_t m_tail = kNone;
    };

    void Add(const SFileInfo& record, std::uint64_t hash) {
        auto index = static_cast<std::uint32_t>(m_records.size());
        m_records.push_back(&record);
        m_next.push_back(kNone);
        SChain& chain = m_chains[hash];
        if (chain.m_tail == kNone) {
            chain.m_head = index;
        } else {
            m_next[chain.m_tail] = index;
        }
        chain.m_tail = index;
        if (HasUserData(record)) {
            ++m_nWithData;
        }
        for (const auto& child : record.Children()) {
            Add(*child, ChildHash(hash, child->GetName()));
        }
    }

    const SFileInfo& m_root;
    std::vector<const SFileInfo*> m_records;
    std::vector<std::uint32_t> m_next;
    std::unordered_map<std::uint64_t, SChain> m_chains;
    std::size_t m_nWithData = 0;
};

} // namespace

bool HasUserData(const SFileInfo& record) {
    return record.m_byMark != 0 || !record.Comment().empty() || !record.Category().empty() ||
           !record.Link().empty() || record.Props() != nullptr;
}

void CarryUserData(SFileInfo& target, const SFileInfo& source, int mode) {
    target.m_byMark = source.m_byMark;
    SetLink(target, source.Link(), false);
    if (mode == kTransferReplace) {
        target.SetComment(source.Comment());
        target.SetCategory(source.Category());
        target.SetProps(source.Props() ? source.Props()->Clone() : nullptr);
        return;
    }
    if (mode != kTransferFill) {
        return;
    }
    if (target.Comment().empty()) {
        target.SetComment(source.Comment());
    }
    if (target.Category().empty()) {
        target.SetCategory(source.Category());
    }
    if (source.Props()) {
        std::unique_ptr<CPropertySet> merged = source.Props()->Clone();
        if (target.Props()) {
            merged->MergeFrom(*target.Props());
        }
        target.SetProps(std::move(merged));
    }
}

namespace {

void Walk(SFileInfo& record, const SFileInfo& newRoot, std::uint64_t hash, COldRecords& old,
          int mode) {
    // An old record without data leaves the new one as the scan made it.
    if (const SFileInfo* match = old.Take(record, newRoot, hash); match && HasUserData(*match)) {
        CarryUserData(record, *match, mode);
    }
    for (const auto& child : record.Children()) {
        if (old.RemainingWithData() == 0) {
            return;
        }
        Walk(*child, newRoot, ChildHash(hash, child->GetName()), old, mode);
    }
}

// The child of `parent` with this name (without regard to case); null when none.
SFileInfo* ChildNamed(const SFileInfo& parent, const std::string& name) {
    for (const auto& child : parent.Children()) {
        if (text::EqualsNoCase(child->GetName(), name)) {
            return child.get();
        }
    }
    return nullptr;
}

// The record of oldTree at the path `record` has below newTree; null when none.
SFileInfo* SamePathIn(SFileInfo& oldTree, const SFileInfo& newTree, const SFileInfo& record) {
    std::vector<const SFileInfo*> chain;
    for (const SFileInfo* r = &record; r != &newTree; r = r->GetParent()) {
        if (!r) {
            return nullptr; // not below newTree
        }
        chain.push_back(r);
    }
    SFileInfo* old = &oldTree;
    for (auto it = chain.rbegin(); it != chain.rend() && old; ++it) {
        old = ChildNamed(*old, (*it)->GetName());
    }
    return old;
}

} // namespace

std::size_t KeepUnreadFolders(SFileInfo& newTree, SFileInfo& oldTree,
                              const std::vector<SFileInfo*>& unread) {
    std::size_t moved = 0;
    for (SFileInfo* folder : unread) {
        SFileInfo* old = SamePathIn(oldTree, newTree, *folder);
        if (!old || !old->IsDirectory()) {
            continue;
        }
        SFileInfo& target = *folder;
        for (std::size_t i = 0; i < old->ChildCount();) {
            SFileInfo* child = old->ChildAt(i);
            if (ChildNamed(target, child->GetName())) {
                ++i;
                continue;
            }
            target.AddChild(old->DetachChild(child));
            ++moved;
        }
    }
    return moved;
}

void TransferUserData(SFileInfo& newTree, const SFileInfo& oldTree, int mode) {
    // A medium nobody wrote anything on (the usual re-scan) needs no table of paths.
    if (AnyUserData(oldTree)) {
        COldRecords old(oldTree);
        Walk(newTree, newTree, kFnvOffset, old, mode);
    }
    if (newTree.Class() == RecordClass::Volume && oldTree.Class() == RecordClass::Volume) {
        static_cast<SVolumeInfo&>(newTree).SetLabel(
            static_cast<const SVolumeInfo&>(oldTree).m_strLabel);
    }
}

} // namespace quillora
