// The index of every case: adding, removing, freshness, and locate over a store.
#include "index/CCaseIndex.h"

#include "index/CIndexError.h"
#include "index/CSqliteIndexStore.h"
#include "index/CaseFileReading.h"
#include "model/CCDCase.h"
#include "model/SVolumeInfo.h"
#include "platform/DriveList.h"
#include "scan/MediaPresence.h"
#include "search/CaseFileCollection.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <set>

namespace quillora {

namespace {

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) {
        return path;
    }
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

bool IsBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (folder.back() == '/' || path[folder.size()] == '/');
}

// Which of a case's media are mounted now, by the same matching the program uses for
// an open case; the mount table is read once per question.
class CPresence {
public:
    explicit CPresence(const SDriveChoice& choice) : m_choice(choice) {}

    std::vector<bool> Of(const std::vector<SIndexedMedium>& media) {
        if (!m_drives) {
            m_drives = CDriveList::Read();
        }
        CCDCase root;
        std::vector<SVolumeInfo*> volumes;
        for (const SIndexedMedium& m : media) {
            auto volume = std::make_unique<SVolumeInfo>();
            volume->m_dwFlags = m.m_dwFlags;
            volume->m_dwSerial = m.m_dwSerial;
            volume->m_strLabel = m.m_strLabel;
            volume->m_strOrgLabel = m.m_strOrgLabel;
            volume->m_strName = m.m_strName;
            volumes.push_back(static_cast<SVolumeInfo*>(root.AddChild(std::move(volume))));
        }
        const std::vector<SDrive> drives = *m_drives;
        CMediaPresence presence([drives] { return drives; }, m_choice);
        presence.CheckDeviceIN(root);
        std::vector<bool> present;
        for (const SVolumeInfo* v : volumes) {
            present.push_back(v->m_bPresent != 0);
        }
        return present;
    }

private:
    SDriveChoice m_choice;
    std::optional<std::vector<SDrive>> m_drives;
};

// Verifies the candidates of each case and keeps the best `limit` hits.
class CHitCollector : public ICandidateSink {
public:
    CHitCollector(const CLocateQuery& query, std::size_t limit, CPresence& presence)
        : m_query(query), m_nLimit(limit), m_presence(presence) {}

    void Case(ICandidateCase& c) override {
        const std::uint32_t caseOrder = m_nCases++;
        std::optional<std::vector<bool>> present;
        const std::vector<std::uint32_t>* candidates = c.Candidates();
        const std::size_t count = candidates ? candidates->size() : c.RecordCount();
        std::string foldedPath;
        for (std::size_t k = 0; k < count; ++k) {
            const auto index = candidates ? (*candidates)[k] : static_cast<std::uint32_t>(k);
            const SCandidateName name = c.NameOf(index);
            if (!name.m_bFound || !m_query.MatchesName(name.m_folded)) {
                continue;
            }
            if (!m_query.PathWords().empty()) {
                Join(c, index, true, foldedPath);
                if (!m_query.MatchesPath(foldedPath)) {
                    continue;
                }
            }
            if (!present) {
                present = m_presence.Of(c.Media());
            }
            SLocateHit hit;
            hit.m_rank = m_query.Rank(name.m_folded);
            hit.m_nCaseOrder = caseOrder;
            hit.m_nMediumOrder = name.m_nMedium;
            hit.m_nRecordOrder = index;
            hit.m_bPresent = name.m_nMedium >= 0 &&
                             static_cast<std::size_t>(name.m_nMedium) < present->size() &&
                             (*present)[static_cast<std::size_t>(name.m_nMedium)];
            // Only a hit that is kept is read whole.
            if (m_nLimit != 0 && m_hits.size() == m_nLimit && !(hit < m_hits.front())) {
                continue;
            }
            Fill(c, c.Record(index), index, hit);
            m_hits.push_back(std::move(hit));
            std::push_heap(m_hits.begin(), m_hits.end());
            if (m_nLimit != 0 && m_hits.size() > m_nLimit) {
                std::pop_heap(m_hits.begin(), m_hits.end());
                m_hits.pop_back();
            }
        }
    }

    std::vector<SLocateHit> Take() {
        std::sort_heap(m_hits.begin(), m_hits.end());
        return std::move(m_hits);
    }

private:
    // The names (folded or as shown) from the record's top ancestor down, joined by "\".
    static void Join(ICandidateCase& c, std::uint32_t index, bool folded, std::string& out) {
        std::vector<std::uint32_t> chain;
        for (std::uint32_t i = index; i != SIndexedRecord::kNoParent; i = c.Record(i).m_nParent) {
            chain.push_back(i);
        }
        out.clear();
        for (std::size_t k = chain.size(); k-- > 0;) {
            const SIndexedRecord& r = c.Record(chain[k]);
            out += folded ? r.m_strFolded : r.m_strName;
            if (k > 0) {
                out += '\\';
            }
        }
    }

    static void Fill(ICandidateCase& c, const SIndexedRecord& r, std::uint32_t index,
                     SLocateHit& hit) {
        hit.m_strCase = c.Facts().m_strPath;
        if (r.m_nMedium >= 0 && static_cast<std::size_t>(r.m_nMedium) < c.Media().size()) {
            hit.m_strMedium = c.Media()[static_cast<std::size_t>(r.m_nMedium)].m_strLabel;
        }
        hit.m_strName = r.m_strName;
        hit.m_nSize = r.m_nSize;
        hit.m_ftLastWrite = r.m_ftLastWrite;
        hit.m_class = r.m_class;
        hit.m_bFolder = r.m_bFolder;
        Join(c, index, false, hit.m_strPath);
    }

    const CLocateQuery& m_query;
    std::size_t m_nLimit;
    std::uint32_t m_nCases = 0;
    std::vector<SLocateHit> m_hits; // a max-heap: the worst kept hit in front
    CPresence& m_presence;
};

} // namespace

CCaseIndex::CCaseIndex(const std::string& folder) : m_strFolder(folder) {
    try {
        m_store = std::make_unique<CSqliteIndexStore>(folder);
    } catch (const CIndexError& e) {
        if (!e.Damaged()) {
            throw;
        }
        RebuildAfter(e);
    }
}

CCaseIndex::CCaseIndex(std::unique_ptr<IIndexStore> store, std::string folder)
    : m_strFolder(std::move(folder)), m_store(std::move(store)) {}

CCaseIndex::~CCaseIndex() = default;

void CCaseIndex::RebuildAfter(const std::exception& damage) {
    m_store.reset();
    const std::vector<std::string> folders = CSqliteIndexStore::SetAside(m_strFolder);
    m_store = std::make_unique<CSqliteIndexStore>(m_strFolder);
    m_strProblem = std::string(damage.what()) + "; it was set aside as " +
                   CSqliteIndexStore::kFileName + ".damaged and the index rebuilt";
    if (folders.empty()) {
        m_strProblem += " (no folders could be read from it: add them again)";
    }
    for (const std::string& f : folders) {
        m_store->AddFolder(f);
    }
    UpdateNow({});
}

// Runs `work`; a damaged store found on the way is rebuilt and the work done once more.
template <class Work> auto CCaseIndex::Guarded(Work work) {
    try {
        return work();
    } catch (const CIndexError& e) {
        if (!e.Damaged() || dynamic_cast<CSqliteIndexStore*>(m_store.get()) == nullptr) {
            throw;
        }
        RebuildAfter(e);
    }
    return work();
}

void CCaseIndex::ReadInto(SIndexedCase facts, SIndexChange& change) {
    SCaseRecords records;
    ReadCaseForIndex(facts, records);
    Store(facts, records, change);
}

void CCaseIndex::Store(const SIndexedCase& facts, const SCaseRecords& records,
                       SIndexChange& change) {
    if (facts.m_state != ECaseState::Indexed) {
        change.m_leftOut.push_back(facts);
    }
    m_store->PutCase(facts, &records);
    ++change.m_nRead;
}

void CCaseIndex::ReadAllInto(std::vector<SIndexedCase> cases, SIndexChange& change,
                             const std::stop_token& stop) {
    // The next case file is read and folded on a second thread while this one codes and
    // writes the last: each is about half the work.
    struct SRead {
        SIndexedCase facts;
        SCaseRecords records;
    };
    auto read = [](SIndexedCase facts) {
        SRead r{std::move(facts), {}};
        ReadCaseForIndex(r.facts, r.records);
        return r;
    };
    std::future<SRead> next;
    if (!cases.empty()) {
        next = std::async(std::launch::async, read, cases.front());
    }
    std::size_t records = 0;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        SRead done = next.get();
        if (k + 1 < cases.size() && !stop.stop_requested()) {
            next = std::async(std::launch::async, read, cases[k + 1]);
        }
        records += done.records.m_records.size();
        Store(done.facts, done.records, change);
        if (!next.valid()) {
            break;
        }
    }
    if (records > 0) {
        m_store->AfterBatch(records);
    }
}

void CCaseIndex::RefreshKnown(SIndexChange& change, std::vector<std::string>* known,
                              const std::stop_token& stop, bool everything,
                              const ProgressFn* progress) {
    const std::vector<SIndexedCase> cases = m_store->Cases();
    std::size_t done = 0;
    for (const SIndexedCase& c : cases) {
        if (stop.stop_requested()) {
            return;
        }
        if (progress && *progress) {
            (*progress)(done++, cases.size());
        }
        std::optional<SIndexedCase> now = StatCaseFile(c.m_strPath);
        if (!now) {
            m_store->RemoveCase(c.m_strPath);
            ++change.m_nDropped;
            continue;
        }
        if (known) {
            known->push_back(c.m_strPath);
        }
        if (!everything && now->m_nFileSize == c.m_nFileSize && now->m_nModified == c.m_nModified) {
            ++change.m_nUnchanged;
            continue;
        }
        ReadInto(*now, change);
    }
}

SIndexChange CCaseIndex::Add(const std::vector<std::string>& paths) {
    return Guarded([&] {
        SIndexChange change;
        std::map<std::string, std::pair<std::int64_t, std::int64_t>> known;
        for (const SIndexedCase& c : m_store->Cases()) {
            known[c.m_strPath] = {c.m_nFileSize, c.m_nModified};
        }
        std::vector<SIndexedCase> toRead;
        auto take = [&](const std::string& file) {
            std::optional<SIndexedCase> facts = StatCaseFile(file);
            if (!facts) {
                return false;
            }
            auto found = known.find(facts->m_strPath);
            if (found != known.end() &&
                found->second == std::pair(facts->m_nFileSize, facts->m_nModified)) {
                ++change.m_nUnchanged;
                return true;
            }
            known[facts->m_strPath] = {facts->m_nFileSize, facts->m_nModified};
            toRead.push_back(std::move(*facts));
            return true;
        };
        for (const std::string& given : paths) {
            const std::string path = AbsolutePath(given);
            std::error_code ec;
            if (std::filesystem::is_directory(path, ec)) {
                m_store->AddFolder(path);
                for (const SCaseFileEntry& e : CollectCaseFiles(path)) {
                    take(CaseFilePath(path, e.m_strPath));
                }
            } else if (!take(path)) {
                change.m_missing.push_back(given);
            }
        }
        ReadAllInto(std::move(toRead), change);
        return change;
    });
}

SIndexChange CCaseIndex::Remove(const std::vector<std::string>& paths) {
    return Guarded([&] {
        SIndexChange change;
        for (const std::string& given : paths) {
            const std::string path = AbsolutePath(given);
            bool found = m_store->RemoveFolder(path);
            for (const SIndexedCase& c : m_store->Cases()) {
                if (c.m_strPath == path || (found && IsBelow(c.m_strPath, path))) {
                    m_store->RemoveCase(c.m_strPath);
                    ++change.m_nDropped;
                    found = true;
                }
            }
            if (!found) {
                change.m_missing.push_back(given);
            }
        }
        return change;
    });
}

SIndexChange CCaseIndex::Update(const std::stop_token& stop) {
    return Guarded([&] { return UpdateNow(stop); });
}

SIndexChange CCaseIndex::Rebuild(const std::stop_token& stop, const ProgressFn& progress) {
    return Guarded([&] { return UpdateNow(stop, true, &progress); });
}

SIndexChange CCaseIndex::UpdateNow(const std::stop_token& stop, bool everything,
                                   const ProgressFn* progress) {
    {
        SIndexChange change;
        std::vector<std::string> knownList;
        RefreshKnown(change, &knownList, stop, everything, progress);
        std::set<std::string> known(knownList.begin(), knownList.end());
        std::vector<SIndexedCase> toRead;
        for (const std::string& folder : m_store->Folders()) {
            for (const SCaseFileEntry& e : CollectCaseFiles(folder, stop)) {
                if (stop.stop_requested()) {
                    return change;
                }
                const std::string file = CaseFilePath(folder, e.m_strPath);
                std::optional<SIndexedCase> facts = StatCaseFile(file);
                // Folders may overlap: a case below two of them is read once.
                if (facts && known.insert(facts->m_strPath).second) {
                    toRead.push_back(std::move(*facts));
                }
            }
        }
        ReadAllInto(std::move(toRead), change, stop);
        return change;
    }
}

SIndexStatus CCaseIndex::Status() {
    return Guarded([&] {
        SIndexStatus status;
        status.m_strFolder = m_strFolder;
        status.m_folders = m_store->Folders();
        for (const SIndexedCase& c : m_store->Cases()) {
            if (c.m_state == ECaseState::Indexed) {
                ++status.m_nCases;
                status.m_nRecords += c.m_nRecords;
            } else {
                status.m_leftOut.push_back(c);
            }
        }
        status.m_nBytesOnDisk = m_store->BytesOnDisk();
        return status;
    });
}

std::vector<std::string> CCaseIndex::CaseFiles(std::vector<std::string>* gone) {
    const std::vector<SIndexedCase> cases = Guarded([&] { return m_store->Cases(); });
    std::vector<std::string> files;
    for (const SIndexedCase& c : cases) {
        std::error_code ec;
        if (!std::filesystem::exists(c.m_strPath, ec) && !ec) {
            if (gone) {
                gone->push_back(c.m_strPath);
            }
            continue;
        }
        files.push_back(c.m_strPath);
    }
    return files;
}

std::vector<SLocateHit> CCaseIndex::Locate(const std::vector<std::string>& words,
                                           std::size_t limit) {
    const CLocateQuery query(words);
    if (query.Empty()) {
        return {};
    }
    return Guarded([&] {
        SIndexChange ignored;
        RefreshKnown(ignored, nullptr);
        CPresence presence(m_driveChoice);
        CHitCollector collector(query, limit, presence);
        // A store that ranks by itself hands only what may make the first `limit`; the
        // collector verifies and ranks those as it would all.
        const PresenceFn present = [&presence](const std::vector<SIndexedMedium>& media) {
            return presence.Of(media);
        };
        if (limit == 0 || !m_store->FindFirstCandidates(query, limit, present, collector)) {
            m_store->FindCandidates(query.NameWords(), collector);
        }
        return collector.Take();
    });
}

bool CCaseIndex::HoldsFile(const SIndexedCase& facts) {
    for (const SIndexedCase& c : m_store->Cases()) {
        if (c.m_strPath == facts.m_strPath && c.m_nFileSize == facts.m_nFileSize &&
            c.m_nModified == facts.m_nModified) {
            return true;
        }
    }
    return false;
}

void CCaseIndex::TakeCaseFile(const std::string& path) {
    std::optional<SIndexedCase> facts = StatCaseFile(path);
    if (!facts) {
        return;
    }
    Guarded([&] {
        if (!HoldsFile(*facts)) {
            SIndexChange change;
            ReadInto(*facts, change);
        }
        return 0;
    });
}

void CCaseIndex::TakeOpenCase(const CCDCase& root, const std::string& path) {
    std::optional<SIndexedCase> facts = StatCaseFile(path);
    if (!facts) {
        return;
    }
    Guarded([&] {
        if (HoldsFile(*facts)) {
            return 0; // the index holds this very file already
        }
        SCaseRecords records;
        SIndexedCase taken = *facts;
        quillora::TakeOpenCase(root, taken, records);
        m_store->PutCase(taken, &records);
        return 0;
    });
}

} // namespace quillora
