// CLatestScanProgress: the scan's progress sink for the loading dialog. The scanning
// thread posts; the dialog's timer takes the newest state. Only the newest state is
// kept, so the scan never waits for the dialog and no backlog of events can build up.
#pragma once

#include "scan/IScanProgress.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace quillora {

struct SScanProgressState {
    int m_code = 0;
    std::string m_strPath; // the folder being read, shortened for the path line
    std::string m_strName; // the name line, with the code's prefix
};

class CLatestScanProgress : public IScanProgress {
public:
    // Called on the scanning thread: turns the record into the two texts at once
    // (the record may only be read while the scan runs) and keeps them. Records
    // posted after Close are dropped.
    void Post(int code, const SFileInfo* record) override;

    // The newest state when it changed since the last call; false otherwise.
    bool TakeNewest(SScanProgressState& state);

    // Stops taking posts (the dialog no longer shows progress).
    void Close();

private:
    std::mutex m_mutex;
    SScanProgressState m_state;
    std::uint64_t m_posted = 0;
    std::uint64_t m_taken = 0;
    bool m_closed = false;
};

} // namespace quillora
