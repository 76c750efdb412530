// The loading dialog's progress sink.
#include "app/media/CLatestScanProgress.h"

#include "app/media/ScanProgressText.h"
#include "model/SFileInfo.h"

namespace quillora {

void CLatestScanProgress::Post(int code, const SFileInfo* record) {
    if (record == nullptr) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return;
        }
    }
    // Build the texts outside the lock: the reader never waits for the tree walk.
    SScanProgressState state;
    state.m_code = code;
    state.m_strPath = ShortenProgressPath(ProgressFolderPath(*record));
    state.m_strName = ProgressNameLine(code, record->GetName());
    std::lock_guard lock(m_mutex);
    if (m_closed) {
        return;
    }
    m_state = std::move(state);
    ++m_posted;
}

bool CLatestScanProgress::TakeNewest(SScanProgressState& state) {
    std::lock_guard lock(m_mutex);
    if (m_posted == m_taken) {
        return false;
    }
    m_taken = m_posted;
    state = m_state;
    return true;
}

void CLatestScanProgress::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
}

} // namespace quillora
