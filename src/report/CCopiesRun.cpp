// The workers of a copies report: each takes the next case file, streams it into a
// sink of its own and hands the result over under one lock.
#include "report/CCopiesRun.h"

#include "report/CCopiesCollector.h"
#include "report/CCopiesPaths.h"
#include "report/CCopiesReport.h"
#include "report/CaseFileStreaming.h"
#include "scan/LhaArchiver.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

namespace quillora {

CCopiesRun::CCopiesRun(CCopiesReport& report, SOptions options)
    : m_report(report), m_options(std::move(options)) {}

void CCopiesRun::ForEachCase(const std::vector<std::uint32_t>& cases,
                             const std::function<void(std::uint32_t, CLhaArchiver&)>& work) {
    m_nDone = 0;
    m_nTotal = static_cast<std::uint32_t>(cases.size());
    if (cases.empty()) {
        return;
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads =
        std::min<std::size_t>(m_options.m_nWorkers ? m_options.m_nWorkers : cores, cases.size());
    // A reader of ".caz" files keeps state per archive: one for each worker, loaded
    // here one after the other.
    std::vector<std::unique_ptr<CLhaArchiver>> readers;
    for (std::size_t i = 0; i < threads; ++i) {
        readers.push_back(std::make_unique<CLhaArchiver>());
        readers.back()->Load();
    }
    std::atomic<std::size_t> next{0};
    auto worker = [&](CLhaArchiver& lha) {
        for (;;) {
            const std::size_t slot = next++;
            if (slot >= cases.size() || m_bStop) {
                return;
            }
            work(cases[slot], lha);
            ++m_nDone;
        }
    };
    std::vector<std::thread> pool;
    for (std::size_t i = 1; i < threads; ++i) {
        pool.emplace_back(worker, std::ref(*readers[i]));
    }
    worker(*readers[0]);
    for (std::thread& t : pool) {
        t.join();
    }
}

bool CCopiesRun::Collect() {
    std::vector<std::uint32_t> all(m_report.Cases().size());
    for (std::uint32_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    std::mutex lock;
    ForEachCase(all, [&](std::uint32_t index, CLhaArchiver& lha) {
        const std::string path = m_report.Cases()[index].m_strPath;
        CCopiesCollector collector(m_options.m_bArchives);
        SCaseStreamResult result = StreamCaseFile(path, m_options.m_strPassword, collector, lha);
        std::lock_guard guard(lock);
        if (!result.m_bRead || !collector.Finished()) {
            m_report.Skip(index, result.m_bBadPassword,
                          result.m_bBadPassword ? path + ": protected by another password"
                                                : result.m_strError);
            return;
        }
        m_report.Cases()[index].m_strPassword = m_options.m_strPassword;
        m_report.Add(index, collector);
    });
    if (m_bStop) {
        return false;
    }
    m_report.Complete();
    return true;
}

bool CCopiesRun::ResolvePaths(CCopiesPaths& paths) {
    ForEachCase(paths.CasesNeeded(),
                [&](std::uint32_t index, CLhaArchiver& lha) { paths.Resolve(index, lha); });
    return !m_bStop;
}

} // namespace quillora
