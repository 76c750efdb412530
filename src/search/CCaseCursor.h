// A position in the pre-order of a whole case that moves forward one record at a time
// without recursion and without searching a parent's children for the way back, so
// a walk over a million records costs one step per record.
#pragma once

#include "model/SFileInfo.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quillora {

class CCaseCursor {
public:
    // At `record`; the way up to the case root is taken from its parents. The record
    // and its ancestors must stay in the case while the cursor is used.
    explicit CCaseCursor(SFileInfo& record);

    // The record at the cursor; null once the walk went past the last record.
    SFileInfo* Current() const { return m_pCurrent; }
    // Moves to the next record in pre-order (the first child, else the next sibling of
    // the record or of its nearest ancestor that has one); false at the end. Inline:
    // walks over millions of records take this step once per record.
    bool Next() {
        // A find over a million records waits mostly for memory: records, their child
        // lists and their names lie apart on the heap. Each step asks early for a
        // sibling further on and for the name of a nearer one, whose record an earlier
        // step asked for.
        if (m_pCurrent && m_pCurrent->ChildCount() != 0) {
            const SFileInfo& parent = *m_pCurrent;
            const std::size_t count = parent.ChildCount();
            for (std::size_t i = 1; i < count && i <= kRecordsAhead; ++i) {
                PrefetchRecord(*parent.ChildAt(i));
            }
            m_path.push_back({m_pCurrent, 0});
            m_pCurrent = parent.ChildAt(0);
            return true;
        }
        if (!m_path.empty()) {
            SFrame& frame = m_path.back();
            const SFileInfo& parent = *frame.parent;
            const std::size_t count = parent.ChildCount();
            if (frame.index + 1 < count) {
                const std::size_t index = ++frame.index;
                m_pCurrent = parent.ChildAt(index);
                if (index % kStageStride == 1 && index / kStageStride < kStages &&
                    m_path.size() >= 2) {
                    PrepareNextFolder(index / kStageStride);
                }
                if (index + kRecordsAhead < count) {
                    PrefetchRecord(*parent.ChildAt(index + kRecordsAhead));
                }
                if (index + kNamesAhead < count) {
                    __builtin_prefetch(parent.ChildAt(index + kNamesAhead)->m_strName.data());
                }
                return true;
            }
        }
        return m_pCurrent ? Climb() : false;
    }
    // Skips the current record's subtree: moves to what follows it in pre-order.
    bool SkipChildren();
    // Number of ancestors of the current record (0 for the root of the walk's tree).
    std::size_t Depth() const { return m_path.size(); }

private:
    struct SFrame {
        SFileInfo* parent;
        std::size_t index; // of the record on the way down, among parent's children
    };
    bool Climb();
    // While the walk goes through a folder's first children, asks step by step for
    // what entering the folder after it will read: its record, its child list and
    // the first children. Each of those is a miss that waits on the one before.
    static constexpr std::size_t kRecordsAhead = 16;
    static constexpr std::size_t kNamesAhead = 8;
    // The preparation of the next folder goes in stages this many steps apart, each
    // reading what the one before asked for.
    static constexpr std::size_t kStageStride = 10;
    static constexpr std::size_t kStages = 4;

    // What a step reads of a record: its name and the link to its child list. Inlined
    // by force: GCC takes a function holding nothing but prefetches for one without
    // effect and drops its calls (as it did to an earlier helper here).
    [[gnu::always_inline]] static void PrefetchRecord(const SFileInfo& record) {
        __builtin_prefetch(record.NameFieldAddress());
        __builtin_prefetch(record.ChildLinkAddress());
    }
    // While the walk goes through a folder's children, asks in stages for what
    // entering the folder after it will read: its record, its child list, the list's
    // slots and the first children. Each of those is a miss that waits on the one
    // before, once per folder.
    void PrepareNextFolder(std::size_t stage) {
        const SFrame& above = m_path[m_path.size() - 2];
        const std::size_t next = above.index + 1;
        if (next >= above.parent->ChildCount()) {
            return;
        }
        const SFileInfo& folder = *above.parent->ChildAt(next);
        if (stage == 0) {
            PrefetchRecord(folder);
        } else if (const auto* list = static_cast<const char*>(folder.ChildListAddress())) {
            if (stage == 1) {
                __builtin_prefetch(list);
            } else if (stage == 2) {
                const auto* childSlots = static_cast<const char*>(folder.ChildSlotsAddress());
                const std::size_t bytes =
                    std::min<std::size_t>(folder.ChildCount(), 64) * sizeof(void*);
                for (std::size_t offset = 0; offset < bytes; offset += 64) {
                    __builtin_prefetch(childSlots + offset);
                }
            } else {
                for (std::size_t i = 0; i < folder.ChildCount() && i < kRecordsAhead; ++i) {
                    PrefetchRecord(*folder.ChildAt(i));
                }
            }
        }
        m_pPrepared = &folder;
    }

    std::vector<SFrame> m_path;
    SFileInfo* m_pCurrent = nullptr;
    const SFileInfo* m_pPrepared = nullptr; // keeps the preparation a step with an effect
};

} // namespace quillora
