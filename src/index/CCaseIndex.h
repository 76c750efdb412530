// CCaseIndex: the index of every case the user has: cases added by folder or file, kept
// fresh by size and time of their files, and asked which records hold some words. The
// matching, ranking and freshness are here; the data lives in an IIndexStore.
#pragma once

#include "index/IIndexStore.h"
#include "index/SLocateHit.h"
#include "scan/DriveChoice.h"

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace quillora {

class CCDCase;

// What one add, remove or update did.
struct SIndexChange {
    std::size_t m_nRead = 0;             // case files read (new or changed)
    std::size_t m_nUnchanged = 0;        // known cases whose files had not changed
    std::size_t m_nDropped = 0;          // cases removed (their files are gone, or asked)
    std::vector<SIndexedCase> m_leftOut; // protected or unreadable among those read
    std::vector<std::string> m_missing;  // paths given that name no case file or folder
};

struct SIndexStatus {
    std::string m_strFolder;
    std::vector<std::string> m_folders;
    std::size_t m_nCases = 0; // indexed
    std::uint64_t m_nRecords = 0;
    std::uint64_t m_nBytesOnDisk = 0;
    std::vector<SIndexedCase> m_leftOut;
};

class CCaseIndex {
public:
    // The embedded index in `folder`. A damaged or foreign index file there is set aside
    // and rebuilt from the folders it still names; Problem() then says what was found.
    // Throws CIndexError when the folder or file cannot be used at all.
    explicit CCaseIndex(const std::string& folder);
    // An index over another back end (`folder` is only reported).
    CCaseIndex(std::unique_ptr<IIndexStore> store, std::string folder);
    ~CCaseIndex();

    // Empty, or what was wrong with the index file and that it was rebuilt.
    const std::string& Problem() const { return m_strProblem; }

    // Case files are indexed (again when changed); folders are remembered and their case
    // files (.cas and .caz, found as the case search finds them) indexed.
    SIndexChange Add(const std::vector<std::string>& paths);
    // Forgets case files, and folders with every case below them.
    SIndexChange Remove(const std::vector<std::string>& paths);
    // Re-reads known cases whose files changed, drops those whose files are gone, and
    // adds new case files below the folders. Stops between two cases once `stop` is
    // asked to (what was done stays done).
    SIndexChange Update(const std::stop_token& stop = {});
    // Called after each known case with how many are done of how many.
    using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;
    // As Update, but every known case is read again whether or not its file changed:
    // what a user asks for when answers look wrong.
    SIndexChange Rebuild(const std::stop_token& stop = {}, const ProgressFn& progress = {});
    SIndexStatus Status();
    // The files of every case the index knows, indexed or left out (protected,
    // unreadable), in the order of their paths, for a reader of its own. Nothing is read
    // and the index is not changed: a file that went away is left out and named in
    // `*gone` (when given) instead.
    std::vector<std::string> CaseFiles(std::vector<std::string>* gone = nullptr);

    // The found records matching every word, best first; at most `limit` (0: all).
    // Cases whose files changed since they were read are read again first, and those
    // whose files are gone dropped, so no answer comes from old entries.
    std::vector<SLocateHit> Locate(const std::vector<std::string>& words, std::size_t limit);
    // The drives whose media Locate may call present; every drive by default.
    void SetDriveChoice(const SDriveChoice& choice) { m_driveChoice = choice; }

    // Takes a case that is open in memory and whose file `path` was just saved or
    // opened; a protected one is listed as protected. Nothing happens when the file is
    // not there.
    void TakeOpenCase(const CCDCase& root, const std::string& path);
    // The same for a case file that was read as a stream, without a tree to take: it is
    // read again, unless the index holds this very file already.
    void TakeCaseFile(const std::string& path);

private:
    // Whether the index holds the case file `facts` names, unchanged since.
    bool HoldsFile(const SIndexedCase& facts);
    // Reads the case file (facts from StatCaseFile) into the store.
    void ReadInto(SIndexedCase facts, SIndexChange& change);
    // Puts a case read by ReadCaseForIndex into the store.
    void Store(const SIndexedCase& facts, const SCaseRecords& records, SIndexChange& change);
    // Reads the case files and puts them into the store, reading one ahead. Stops
    // between two cases once `stop` is asked to.
    void ReadAllInto(std::vector<SIndexedCase> cases, SIndexChange& change,
                     const std::stop_token& stop = {});
    // Known cases: re-read the changed, drop the gone. `known` collects the paths still there.
    // `everything`: read unchanged cases too.
    void RefreshKnown(SIndexChange& change, std::vector<std::string>* known,
                      const std::stop_token& stop = {}, bool everything = false,
                      const ProgressFn* progress = nullptr);
    void RebuildAfter(const std::exception& damage);
    SIndexChange UpdateNow(const std::stop_token& stop, bool everything = false,
                           const ProgressFn* progress = nullptr);
    template <class Work> auto Guarded(Work work);

    std::string m_strFolder;
    std::unique_ptr<IIndexStore> m_store;
    std::string m_strProblem;
    SDriveChoice m_driveChoice;
};

} // namespace quillora
