// User-data transfer between two copies of a medium, matched by path through a hash
// map so that media of a million records take one pass over each tree.
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

// One more level of a lookup key: the paths compare without regard to case.
void AppendLevel(std::string& key, const std::string& name) {
    key += '\\';
    key += text::AsciiLower(name);
}

// The old records in tree order, grouped by case-folded path below the root. Each
// path keeps a chain of its records (first in tree order at the head), so taking the
// head is taking the first unused record with that path.
class COldRecords {
public:
    explicit COldRecords(const SFileInfo& root) {
        std::string key;
        Add(root, key);
    }

    std::size_t Remaining() const { return m_nRemaining; }

    const SFileInfo* Take(const std::string& key) {
        auto it = m_chains.find(key);
        if (it == m_chains.end() || it->second.m_head == kNone) {
            return nullptr;
        }
        std::uint32_t index = it->second.m_head;
        it->second.m_head = m_next[index];
        --m_nRemaining;
        return m_records[index];
    }

private:
    struct SChain {
        std::uint32_t m_head = kNone;
        std::uint32_t m_tail = kNone;
    };

    void Add(const SFileInfo& record, std::string& key) {
        auto index = static_cast<std::uint32_t>(m_records.size());
        m_records.push_back(&record);
        m_next.push_back(kNone);
        SChain& chain = m_chains[key];
        if (chain.m_tail == kNone) {
            chain.m_head = index;
        } else {
            m_next[chain.m_tail] = index;
        }
        chain.m_tail = index;
        ++m_nRemaining;
        std::size_t length = key.size();
        for (const auto& child : record.Children()) {
            AppendLevel(key, child->GetName());
            Add(*child, key);
            key.resize(length);
        }
    }

    std::vector<const SFileInfo*> m_records;
    std::vector<std::uint32_t> m_next;
    std::unordered_map<std::string, SChain> m_chains;
    std::size_t m_nRemaining = 0;
};

void CarryOver(SFileInfo& target, const SFileInfo& source, int mode) {
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

void Walk(SFileInfo& record, std::string& key, COldRecords& old, int mode) {
    if (old.Remaining() == 0) {
        return;
    }
    if (const SFileInfo* match = old.Take(key)) {
        CarryOver(record, *match, mode);
    }
    std::size_t length = key.size();
    for (const auto& child : record.Children()) {
        if (old.Remaining() == 0) {
            return;
        }
        AppendLevel(key, child->GetName());
        Walk(*child, key, old, mode);
        key.resize(length);
    }
}

} // namespace

void TransferUserData(SFileInfo& newTree, const SFileInfo& oldTree, int mode) {
    COldRecords old(oldTree);
    std::string key;
    Walk(newTree, key, old, mode);
    if (newTree.Class() == RecordClass::Volume && oldTree.Class() == RecordClass::Volume) {
        static_cast<SVolumeInfo&>(newTree).SetLabel(
            static_cast<const SVolumeInfo&>(oldTree).m_strLabel);
    }
}

} // namespace quillora
