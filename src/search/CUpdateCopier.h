// The copier of the update commands: copies files and folders between a medium and
// the link targets of its records, never replacing anything but a missing or older
// file, each file through a temporary name beside its destination, keeping the
// source's modification time. A file that fails is reported by name and the rest
// go on.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace quillora {

struct SCopyJob {
    std::string m_source;      // Linux path of a file or folder
    std::string m_destination; // Linux path it becomes
};

// What is copied, and what could not be planned (one message each, naming the file).
struct SCopyPlan {
    std::vector<SCopyJob> m_jobs;
    std::vector<std::string> m_problems;
};

// Where the copier reports to. Called on the thread that runs the copier.
class ICopyProgress {
public:
    virtual ~ICopyProgress() = default;
    // Bytes copied so far of all, and the file being copied; false stops the copy (the
    // file under way is discarded, the files already copied stay).
    virtual bool CopyProgress(std::uint64_t done, std::uint64_t total,
                              const std::string& current) = 0;
    // One file or folder that could not be copied: "path: reason".
    virtual void CopyFailed(const std::string& message) = 0;
};

struct SCopySummary {
    std::size_t m_nCopied = 0;
    std::size_t m_nSkipped = 0; // destinations that were not older than their source
    std::vector<std::string> m_failures;
    bool m_bCancelled = false;
};

class CUpdateCopier {
public:
    // `progress` may be null; it must outlive the copier. The copy stops, as on a
    // false from the progress, once `stop` is asked to.
    explicit CUpdateCopier(ICopyProgress* progress, std::stop_token stop = {})
        : m_progress(progress), m_stop(std::move(stop)) {}

    // Reports the plan's problems, then copies its jobs in order. A folder is copied
    // with everything below it (folders that exist are used as they are); symbolic
    // links to folders are not followed. Missing folders above a destination are
    // made.
    SCopySummary Run(const SCopyPlan& plan);

private:
    struct SItem {
        std::string m_source;
        std::string m_destination;
        std::uint64_t m_size = 0;
        bool m_bFolder = false;
        std::size_t m_parent; // the folder item this one lies in; kNoParent for a job's own
    };
    static constexpr std::size_t kNoParent = ~std::size_t{0};

    void Expand(const SCopyJob& job, std::vector<SItem>& items);
    void Fail(const std::string& message);
    // Whether to go on: not stopped, and the progress (when there is one) agrees.
    bool GoOn(std::uint64_t done, std::uint64_t total, const std::string& current);

    ICopyProgress* m_progress;
    std::stop_token m_stop;
    SCopySummary m_summary;
};

} // namespace quillora
