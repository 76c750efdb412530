// Walking a case in pre-order.
#include "search/CCaseCursor.h"

#include "model/SFileInfo.h"

#include <algorithm>

namespace quillora {

CCaseCursor::CCaseCursor(SFileInfo& record) : m_pCurrent(&record) {
    for (SFileInfo* child = &record; SFileInfo* parent = child->GetParent(); child = parent) {
        m_path.push_back({parent, parent->IndexOfChild(child)});
    }
    std::reverse(m_path.begin(), m_path.end());
}

bool CCaseCursor::SkipChildren() {
    return m_pCurrent ? Climb() : false;
}

bool CCaseCursor::Climb() {
    while (!m_path.empty()) {
        SFrame& frame = m_path.back();
        if (frame.index + 1 < frame.parent->ChildCount()) {
            ++frame.index;
            m_pCurrent = frame.parent->ChildAt(frame.index);
            return true;
        }
        m_path.pop_back();
    }
    m_pCurrent = nullptr;
    return false;
}

} // namespace quillora
