// IIndexStore: where the index of every case keeps its data. The matching and ranking
// above it are the same for every back end; a back end keeps cases, their records and
// whatever lets it name the candidates of a query quickly.
#pragma once

#include "index/CLocateQuery.h"
#include "index/SCaseRecords.h"
#include "index/SIndexedCase.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

// What matching needs of one record: whether it is found at all, its medium (for the
// ranking) and its folded name. The view lives as long as the case object it came from.
struct SCandidateName {
    bool m_bFound = false;
    std::int32_t m_nMedium = -1;
    std::string_view m_folded;
};

// One case whose records may match a query, as a back end hands it to the matcher. It
// lives for the call it is given in only.
class ICandidateCase {
public:
    virtual ~ICandidateCase() = default;

    virtual const SIndexedCase& Facts() const = 0;
    virtual const std::vector<SIndexedMedium>& Media() const = 0;
    virtual std::size_t RecordCount() const = 0;
    // The records that may match, ascending; null when every record may.
    virtual const std::vector<std::uint32_t>* Candidates() const = 0;
    // Record `index` of the case, read when first asked for. Throws CIndexError when
    // its stored block is damaged.
    virtual const SIndexedRecord& Record(std::uint32_t index) = 0;
    // What matching needs of record `index`. A back end that keeps names apart from the
    // other fields reads only those here; by default the whole record is read.
    virtual SCandidateName NameOf(std::uint32_t index) {
        const SIndexedRecord& r = Record(index);
        return {r.IsFound(), r.m_nMedium, r.m_strFolded};
    }
};

class ICandidateSink {
public:
    virtual ~ICandidateSink() = default;
    // One call per case that may hold matches, in the order of the case paths.
    virtual void Case(ICandidateCase& candidates) = 0;
};

// Which of a case's media are mounted now, one flag a medium.
using PresenceFn = std::function<std::vector<bool>(const std::vector<SIndexedMedium>& media)>;

class IIndexStore {
public:
    virtual ~IIndexStore() = default;

    // The folders the user added; their case files are indexed.
    virtual std::vector<std::string> Folders() = 0;
    virtual void AddFolder(const std::string& path) = 0;
    // False when the folder was not there.
    virtual bool RemoveFolder(const std::string& path) = 0;

    // Every case the index knows, in the order of their paths.
    virtual std::vector<SIndexedCase> Cases() = 0;
    // Replaces what the index holds of the case with `facts` and `records` (none for a
    // case left out), in one step: a reader sees the old case or the new one.
    virtual void PutCase(const SIndexedCase& facts, const SCaseRecords* records) = 0;
    // False when the case was not there.
    virtual bool RemoveCase(const std::string& path) = 0;

    // Hands `sink` every indexed case that may hold a found record whose folded name
    // contains every one of `foldedWords`, with its candidates (a superset of the
    // records that do).
    virtual void FindCandidates(const std::vector<std::string>& foldedWords,
                                ICandidateSink& sink) = 0;

    // As FindCandidates, but for a back end that ranks by itself: only candidates among
    // which lie the best `limit` (at least 1) hits of `query` by the order of
    // SLocateHit, `presence` telling which media are present. False, handing nothing,
    // when this store cannot rank the question; FindCandidates answers it then.
    virtual bool FindFirstCandidates(const CLocateQuery& /*query*/, std::size_t /*limit*/,
                                     const PresenceFn& /*presence*/, ICandidateSink& /*sink*/) {
        return false;
    }

    // After `records` records of several cases were put in one go (an import, a
    // rebuild), committed: a back end may leave its tables as the readers that come next
    // would otherwise have to bring them themselves.
    virtual void AfterBatch(std::size_t /*records*/) {}

    // Bytes the store takes on disk.
    virtual std::uint64_t BytesOnDisk() = 0;
};

} // namespace quillora
