// The stop and progress of one export or import: the worker polls Cancelled() per
// record and counts what it did; the dialog reads the count on its timer and may cancel.
#pragma once

#include <atomic>
#include <cstdint>
#include <stop_token>

namespace quillora {

class CExportJob {
public:
    void Cancel() { m_stop.request_stop(); }
    bool Cancelled() const { return m_stop.stop_requested(); }
    // The job's stop token, for work that takes one.
    std::stop_token StopToken() const { return m_stop.get_token(); }

    // Records (or lines, for an import) done so far, and the total when it is known
    // (0 while unknown).
    void SetDone(std::uint64_t done) { m_nDone.store(done, std::memory_order_relaxed); }
    std::uint64_t Done() const { return m_nDone.load(std::memory_order_relaxed); }
    void SetTotal(std::uint64_t total) { m_nTotal.store(total, std::memory_order_relaxed); }
    std::uint64_t Total() const { return m_nTotal.load(std::memory_order_relaxed); }

private:
    std::stop_source m_stop;
    std::atomic<std::uint64_t> m_nDone{0};
    std::atomic<std::uint64_t> m_nTotal{0};
};

} // namespace quillora
