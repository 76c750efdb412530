// The search across case files: collects the case files below a base folder, loads
// and searches them on all cores with the find conditions, and reports counts in list
// order. A corrupt, truncated or unreadable file counts -1 and the run goes on; a
// protected file asks for its password once while the other files are searched.
#pragma once

#include "core/FindSettings.h"
#include "search/CaseFileCollection.h"
#include "search/ICaseSearchSink.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace quillora {

class CCaseSearch {
public:
    // `conditions` are copied (each worker compiles its own); `password` is the
    // current case password the files are tried with first. `workers` 0 means one per
    // core. The sink must outlive the run.
    CCaseSearch(const SFindSettings& conditions, std::string baseFolder, std::string password,
                ICaseSearchSink& sink, unsigned workers = 0);
    // Aborts a run still going and waits for it.
    ~CCaseSearch();
    CCaseSearch(const CCaseSearch&) = delete;
    CCaseSearch& operator=(const CCaseSearch&) = delete;

    // Runs on a thread of its own; at most once.
    void Start();
    // Runs on the calling thread until the end.
    void Run();
    // Asks the run to stop: no new file is started; files being searched are finished
    // and reported; an open password question counts as declined.
    void Abort();
    bool IsAborting() const { return m_stop.stop_requested(); }
    // Waits until the run has ended (after Start).
    void Wait();
    bool IsFinished() const;

    // The answer to the pending password question: the password to retry the file
    // with, or nullopt when the user declined.
    void AnswerPassword(std::optional<std::string> password);

    // The current case password after the run: the one a question brought in when it
    // opened its file, else the one given.
    std::string CurrentPassword() const;
    // Every entry with its count; complete once the run has finished.
    std::vector<SCaseFileEntry> Entries() const;

    // The records of a loaded case, root included, that match prepared conditions.
    static int CountMatches(const class SFindCondition& conditions, class SFileInfo& root);

private:
    int SearchFile(std::size_t index, const SFindCondition& conditions);
    std::optional<std::string> AskPassword(const std::string& path,
                                           const std::string& filePassword);
    void Worker();

    SFindSettings m_conditions;
    std::string m_strBase;
    ICaseSearchSink& m_sink;
    unsigned m_nWorkers;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<SCaseFileEntry> m_entries;
    std::size_t m_nClaimed = 0;
    std::string m_strPassword;
    bool m_bFinished = false;
    std::stop_source m_stop; // this run's alone

    // One password question at a time.
    std::mutex m_questionLock;
    bool m_bAnswered = false;
    std::optional<std::string> m_answer;

    std::thread m_thread;
};

} // namespace quillora
