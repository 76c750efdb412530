// CCopiesRun: reads the case files of a copies report on several threads (once for the
// counts, and again for the paths of what is listed), with a stop token and progress
// counters another thread may read.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace quillora {

class CCopiesPaths;
class CCopiesReport;

class CCopiesRun {
public:
    struct SOptions {
        std::string m_strPassword; // protected case files are tried with this
        bool m_bArchives = false;  // entries of listed archives count as files
        unsigned m_nWorkers = 0;   // 0: one per core
    };

    CCopiesRun(CCopiesReport& report, SOptions options);

    // Reads every case file of the report into it and completes it. A file that
    // cannot be read, or needs another password, is skipped with its reason. False
    // when stopped first: the report is then incomplete and not to be shown.
    bool Collect();
    // Reads the case files holding the records `paths` wants. False when stopped.
    bool ResolvePaths(CCopiesPaths& paths);

    // Asks the run to stop; files being read are finished. Any thread.
    void Stop() { m_stop.request_stop(); }
    bool Stopped() const { return m_stop.stop_requested(); }

    // Case files read so far in the current step, and how many it reads.
    std::uint32_t FilesDone() const { return m_nDone.load(); }
    std::uint32_t FilesTotal() const { return m_nTotal.load(); }

private:
    // The workers the options ask for, or one per core.
    unsigned Threads() const;
    // Calls work(case, worker) for each case on the workers (numbered from 0, fewer
    // than Threads()); stops taking new cases once stopped.
    void ForEachCase(const std::vector<std::uint32_t>& cases,
                     const std::function<void(std::uint32_t, std::size_t)>& work);

    CCopiesReport& m_report;
    SOptions m_options;
    std::stop_source m_stop;
    std::atomic<std::uint32_t> m_nDone{0};
    std::atomic<std::uint32_t> m_nTotal{0};
};

} // namespace quillora
