// The search across case files: one coordinating thread that reports in list order,
// and workers that each load, search and drop one case file at a time.
#include "search/CCaseSearch.h"

#include "core/FileTypeCode.h"
#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "search/CCaseCursor.h"
#include "search/CMatchCounter.h"
#include "search/SFindCondition.h"

#include <algorithm>
#include <climits>

namespace quillora {

namespace {

// Counts the matches in one case file as it streams past, with a password of this
// call's own, so that several files can be read at once (each ".caz" stream unpacks
// with an adapter of its own). -1 when the file cannot be read.
std::int64_t CountInCase(const std::string& path, const std::string& password,
                         const SFindCondition& conditions, bool& badPassword,
                         std::string& filePassword) {
    badPassword = false;
    std::unique_ptr<ICaseStream> stream;
    CCDCase::SPasswordCheck check{password, {}};
    try {
        stream = OpenCaseStream(path, kOpenForLoad, false);
        CMatchCounter counter(conditions, path);
        CCaseReader::Read(*stream, counter, &check);
        stream->Close();
        return static_cast<std::int64_t>(counter.Count());
    } catch (const CCaseFileException& e) {
        badPassword = e.m_cause == CCaseFileException::kBadPassword;
        filePassword = check.filePassword;
        LogFormat("CCaseSearch: %s: %s", path.c_str(), DescribeCaseError(e, path).c_str());
    } catch (const std::exception& e) {
        LogFormat("CCaseSearch: %s: %s", path.c_str(), DescribeCaseError(e, path).c_str());
    } catch (...) {
        LogFormat("CCaseSearch: %s: unknown error", path.c_str());
    }
    if (stream) {
        try {
            stream->Abort();
        } catch (...) {
        }
    }
    return -1;
}

} // namespace

CCaseSearch::CCaseSearch(const SFindSettings& conditions, std::string baseFolder,
                         std::string password, ICaseSearchSink& sink, unsigned workers)
    : m_conditions(conditions), m_strBase(TrimBaseFolder(baseFolder)), m_sink(sink),
      m_nWorkers(workers != 0 ? workers : std::max(1u, std::thread::hardware_concurrency())),
      m_strPassword(std::move(password)) {}

CCaseSearch::~CCaseSearch() {
    Abort();
    Wait();
}

void CCaseSearch::Start() {
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { Run(); });
    }
}

void CCaseSearch::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CCaseSearch::Abort() {
    m_stop.request_stop();
    std::lock_guard guard(m_lock);
    m_changed.notify_all();
}

bool CCaseSearch::IsFinished() const {
    std::lock_guard guard(m_lock);
    return m_bFinished;
}

std::string CCaseSearch::CurrentPassword() const {
    std::lock_guard guard(m_lock);
    return m_strPassword;
}

std::vector<SCaseFileEntry> CCaseSearch::Entries() const {
    std::lock_guard guard(m_lock);
    return m_entries;
}

void CCaseSearch::AnswerPassword(std::optional<std::string> password) {
    std::lock_guard guard(m_lock);
    m_answer = std::move(password);
    m_bAnswered = true;
    m_changed.notify_all();
}

std::optional<std::string> CCaseSearch::AskPassword(const std::string& path,
                                                    const std::string& filePassword) {
    std::lock_guard one(m_questionLock);
    {
        std::lock_guard guard(m_lock);
        if (m_stop.stop_requested()) {
            return std::nullopt;
        }
        m_bAnswered = false;
        m_answer.reset();
    }
    m_sink.PasswordNeeded(path, filePassword);
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_bAnswered || m_stop.stop_requested(); });
    return m_bAnswered ? m_answer : std::nullopt;
}

void CCaseSearch::Run() {
    Log("CCaseSearch: start");
    {
        std::lock_guard guard(m_lock);
        m_entries.clear();
        m_nClaimed = 0;
        m_bFinished = false;
    }
    std::vector<SCaseFileEntry> found;
    if (!m_strBase.empty()) {
        found = CollectCaseFiles(m_strBase, m_stop.get_token());
    }
    if (m_stop.stop_requested()) {
        found.clear();
    }
    {
        std::lock_guard guard(m_lock);
        m_entries = found;
    }
    const std::size_t count = found.size();
    if (count > 0) {
        m_sink.Listed(found);
        std::vector<std::thread> workers;
        const std::size_t threads = std::min<std::size_t>(m_nWorkers, count);
        for (std::size_t slot = 0; slot < threads; ++slot) {
            workers.emplace_back([this] { Worker(); });
        }
        // Rows are reported in list order: a file is "being searched" once a worker has
        // taken it, and its count follows when it is done, whatever else is done.
        for (std::size_t next = 0; next < count; ++next) {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [&] { return next < m_nClaimed || m_stop.stop_requested(); });
            if (next >= m_nClaimed) {
                break;
            }
            lock.unlock();
            m_sink.Searching(next);
            lock.lock();
            m_changed.wait(lock, [&] { return m_entries[next].m_bDone; });
            const int hits = m_entries[next].m_nCount;
            lock.unlock();
            m_sink.Counted(next, hits);
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
    }
    {
        std::lock_guard guard(m_lock);
        m_bFinished = true;
    }
    Log("CCaseSearch: end");
    m_sink.Finished();
}

void CCaseSearch::Worker() {
    SFindCondition conditions(m_conditions);
    conditions.Compile();
    const std::size_t count = m_entries.size();
    for (;;) {
        std::size_t index = 0;
        {
            std::lock_guard guard(m_lock);
            if (m_stop.stop_requested() || m_nClaimed >= count) {
                break;
            }
            index = m_nClaimed++;
            m_changed.notify_all();
        }
        const int hits = SearchFile(index, conditions);
        std::lock_guard guard(m_lock);
        m_entries[index].m_nCount = hits;
        m_entries[index].m_bDone = true;
        m_changed.notify_all();
    }
    conditions.Release();
}

int CCaseSearch::SearchFile(std::size_t index, const SFindCondition& conditions) {
    std::string relative;
    {
        std::lock_guard guard(m_lock);
        relative = m_entries[index].m_strPath;
    }
    const std::string path = CaseFilePath(m_strBase, relative);
    std::string tried = CurrentPassword();
    bool badPassword = false;
    std::string filePassword;
    std::int64_t hits = CountInCase(path, tried, conditions, badPassword, filePassword);
    if (hits < 0 && badPassword) {
        // Another file's question may have brought the right password meanwhile.
        if (std::string now = CurrentPassword(); now != tried) {
            tried = now;
            hits = CountInCase(path, tried, conditions, badPassword, filePassword);
        }
    }
    if (hits < 0 && badPassword) {
        const std::string remembered = CurrentPassword();
        if (std::optional<std::string> answer = AskPassword(path, filePassword)) {
            {
                std::lock_guard guard(m_lock);
                m_strPassword = *answer;
            }
            hits = CountInCase(path, *answer, conditions, badPassword, filePassword);
            if (hits < 0) {
                std::lock_guard guard(m_lock);
                if (m_strPassword == *answer) {
                    m_strPassword = remembered;
                }
            }
        }
    }
    return hits < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(hits, INT32_MAX));
}

int CCaseSearch::CountMatches(const SFindCondition& conditions, SFileInfo& root) {
    int hits = 0;
    CCaseCursor cursor(root);
    do {
        hits += conditions.Match(*cursor.Current()) ? 1 : 0;
    } while (cursor.Next());
    return hits;
}

} // namespace quillora
