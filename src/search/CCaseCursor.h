// A position in the pre-order of a whole case that moves forward one record at a time
// without recursion and without searching a parent's children for the way back, so
// a walk over a million records costs one step per record.
#pragma once

#include "model/SFileInfo.h"

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
        if (m_pCurrent && m_pCurrent->ChildCount() != 0) {
            m_path.push_back({m_pCurrent, 0});
            m_pCurrent = m_pCurrent->ChildAt(0);
            return true;
        }
        if (!m_path.empty()) {
            SFrame& frame = m_path.back();
            const std::size_t count = frame.parent->ChildCount();
            if (frame.index + 1 < count) {
                m_pCurrent = frame.parent->ChildAt(++frame.index);
                PrefetchAhead(*frame.parent, frame.index, count);
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
    // A find over a million records waits mostly for memory: the records and their
    // name bytes lie apart on the heap. Ask early for a sibling further on, and for the
    // name of a nearer one, whose record the earlier request brought in.
    static void PrefetchAhead(const SFileInfo& parent, std::size_t index, std::size_t count) {
        if (index + 8 < count) {
            const char* far = reinterpret_cast<const char*>(parent.ChildAt(index + 8));
            __builtin_prefetch(far);
            __builtin_prefetch(far + 64);
        }
        if (index + 4 < count) {
            __builtin_prefetch(parent.ChildAt(index + 4)->m_strName.data());
        }
    }

    std::vector<SFrame> m_path;
    SFileInfo* m_pCurrent = nullptr;
};

} // namespace quillora
