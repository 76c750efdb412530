// The workers of a copies report: each takes the next case file, streams it into a
// sink of its own through the case-file opener (whose ".caz" streams each unpack with
// an adapter of their own) and hands the result over under one lock.
#include "report/CCopiesRun.h"

#include "model/CaseFile.h"
#include "report/CCopiesCollector.h"
#include "report/CCopiesPaths.h"
#include "report/CCopiesReport.h"
#include "report/RunOnWorkers.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace quillora {

namespace {

// Room for the files of a case file, guessed from its size: a record takes at least
// about 56 bytes in a plain case file. Room not filled costs address space only, and a
// packed file that holds more grows its lists as usual.
std::size_t ExpectedFiles(const std::string& path) {
    constexpr std::size_t kSmallestRecord = 56;
    constexpr std::size_t kMostAtOnce = 1 << 22;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size <= 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(st.st_size) / kSmallestRecord, kMostAtOnce);
}

} // namespace

CCopiesRun::CCopiesRun(CCopiesReport& report, SOptions options)
    : m_report(report), m_options(std::move(options)) {}

unsigned CCopiesRun::Threads() const {
    return m_options.m_nWorkers ? m_options.m_nWorkers
                                : std::max(1u, std::thread::hardware_concurrency());
}

void CCopiesRun::ForEachCase(const std::vector<std::uint32_t>& cases,
                             const std::function<void(std::uint32_t, std::size_t)>& work) {
    m_nDone = 0;
    m_nTotal = static_cast<std::uint32_t>(cases.size());
    if (cases.empty()) {
        return;
    }
    const std::size_t threads = std::min<std::size_t>(Threads(), cases.size());
    std::atomic<std::size_t> next{0};
    auto worker = [&](std::size_t number) {
        for (;;) {
            const std::size_t slot = next++;
            if (slot >= cases.size() || Stopped()) {
                return;
            }
            work(cases[slot], number);
            ++m_nDone;
        }
    };
    RunOnWorkers(threads, worker);
}

bool CCopiesRun::Collect() {
    std::vector<std::uint32_t> all(m_report.Cases().size());
    for (std::uint32_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    std::mutex lock;
    // Each worker collects into a list of its own that it reuses from case to case:
    // fresh memory for every case costs a page fault every 4 KiB.
    std::vector<CCopiesCollector::SStaging> staging(Threads());
    ForEachCase(all, [&](std::uint32_t index, std::size_t worker) {
        const std::string path = m_report.Cases()[index].m_strPath;
        CCopiesCollector collector(m_options.m_bArchives, ExpectedFiles(path),
                                   m_report.EntryMemory(), &staging[worker], m_report.Layout());
        bool badPassword = false;
        std::string error;
        const bool read =
            StreamCaseFile(path, m_options.m_strPassword, collector, &badPassword, &error);
        std::lock_guard guard(lock);
        if (!read || !collector.Finished()) {
            m_report.Skip(index, badPassword,
                          badPassword ? path + ": protected by another password"
                                      : (error.empty() ? path + ": the case ended early" : error));
            return;
        }
        m_report.Cases()[index].m_strPassword = m_options.m_strPassword;
        m_report.Add(index, collector);
    });
    if (Stopped()) {
        return false;
    }
    m_report.Complete(Threads());
    return true;
}

bool CCopiesRun::ResolvePaths(CCopiesPaths& paths) {
    ForEachCase(paths.CasesNeeded(),
                [&](std::uint32_t index, std::size_t) { paths.Resolve(index); });
    return !Stopped();
}

} // namespace quillora
