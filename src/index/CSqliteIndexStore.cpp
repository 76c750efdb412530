// The embedded index back end over SQLite.
#include "index/CSqliteIndexStore.h"

#include "index/CIndexError.h"
#include "index/CRecordBlocks.h"
#include "index/CSqliteTransaction.h"
#include "index/CTrigramLists.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <future>
#include <map>
#include <sys/stat.h>

namespace quillora {

namespace {

// "QIDX": marks the file as this program's index; user_version is its format.
constexpr std::int64_t kApplicationId = 0x51494458;
constexpr std::int64_t kFormatVersion = 5;

// Record blocks and trigram buckets are keyed by one integer, the row id, so that a
// look-up is one step down one tree and the rows sit in key order: a block by its case
// and number, a bucket by its case and number, so that the rows of one case are
// together and changing a case rewrites a few pages only.
constexpr const char* kSchema = R"(
CREATE TABLE folders(path TEXT PRIMARY KEY);
CREATE TABLE cases(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, size INTEGER,
                   modified INTEGER, state INTEGER, cause TEXT, records INTEGER, media BLOB);
CREATE TABLE blocks(id INTEGER PRIMARY KEY, data BLOB);
CREATE TABLE grams(id INTEGER PRIMARY KEY, data BLOB);
PRAGMA application_id = 1363756120;
PRAGMA user_version = 5;
)";

constexpr int kBlockBits = 24; // blocks of a case
constexpr int kBucketBits = 8; // buckets of a case
// From this many records on, a case's trigram lists are made beside its blocks.
constexpr std::size_t kRecordsForTwoThreads = 50'000;
static_assert(CTrigramLists::kBuckets == 1u << kBucketBits);

std::int64_t BlockKey(std::int64_t caseId, std::uint64_t block) {
    return (caseId << kBlockBits) | static_cast<std::int64_t>(block);
}

std::int64_t BucketKey(std::uint32_t bucket, std::int64_t caseId) {
    return (caseId << kBucketBits) | static_cast<std::int64_t>(bucket);
}

std::uint64_t FileBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

SIndexedCase CaseFromRow(const CSqliteStatement& row, int first) {
    SIndexedCase c;
    c.m_strPath = std::string(row.Bytes(first));
    c.m_nFileSize = row.Int(first + 1);
    c.m_nModified = row.Int(first + 2);
    const std::int64_t state = row.Int(first + 3);
    c.m_state = state == 1 ? ECaseState::Protected
                           : (state == 2 ? ECaseState::Unreadable : ECaseState::Indexed);
    c.m_strCause = std::string(row.Bytes(first + 4));
    c.m_nRecords = static_cast<std::uint64_t>(std::max<std::int64_t>(0, row.Int(first + 5)));
    return c;
}

// One indexed case as the matcher reads it: its media at once, a block's names when a
// record in it is first matched, the rest of the block when a record is asked for whole.
class CStoredCase : public ICandidateCase {
public:
    CStoredCase(CSqliteDatabase& db, std::int64_t id, SIndexedCase facts, std::string_view media,
                const std::vector<std::uint32_t>* candidates)
        : m_db(db), m_nId(id), m_facts(std::move(facts)), m_pCandidates(candidates) {
        if (!CRecordBlocks::DecodeMedia(media, m_media)) {
            throw CIndexError("index database: the media of " + m_facts.m_strPath + " are damaged",
                              true);
        }
        const std::size_t total = RecordCount();
        m_blocks.resize((total + CRecordBlocks::kBlockRecords - 1) / CRecordBlocks::kBlockRecords);
    }

    const SIndexedCase& Facts() const override { return m_facts; }
    const std::vector<SIndexedMedium>& Media() const override { return m_media; }
    std::size_t RecordCount() const override {
        return static_cast<std::size_t>(m_facts.m_nRecords);
    }
    const std::vector<std::uint32_t>* Candidates() const override { return m_pCandidates; }

    SCandidateName NameOf(std::uint32_t index) override {
        const SBlockNames::SEntry& e =
            Block(index).m_names.m_entries[index % CRecordBlocks::kBlockRecords];
        return {e.IsFound(), e.m_nMedium, e.m_folded};
    }

    const SIndexedRecord& Record(std::uint32_t index) override {
        SBlock& block = Block(index);
        if (block.m_records.empty() &&
            !CRecordBlocks::DecodeRest(block.m_bytes, block.m_names, block.m_records)) {
            block.m_records.clear();
            throw Damaged();
        }
        return block.m_records[index % CRecordBlocks::kBlockRecords];
    }

private:
    struct SBlock {
        bool m_bRead = false;
        std::string m_bytes; // as stored; the rest is unpacked from it when asked for
        SBlockNames m_names;
        std::vector<SIndexedRecord> m_records; // empty until asked for
    };

    CIndexError Damaged() const {
        return CIndexError("index database: the records of " + m_facts.m_strPath + " are damaged",
                           true);
    }

    SBlock& Block(std::uint32_t index) {
        if (index >= RecordCount()) {
            throw CIndexError("index database: a record outside " + m_facts.m_strPath, true);
        }
        SBlock& block = m_blocks[index / CRecordBlocks::kBlockRecords];
        if (!block.m_bRead) {
            Load(index / CRecordBlocks::kBlockRecords, block);
        }
        return block;
    }

    void Load(std::size_t number, SBlock& block) {
        if (!m_select) {
            m_select = std::make_unique<CSqliteStatement>(m_db.Handle(),
                                                          "SELECT data FROM blocks WHERE id = ?");
        }
        m_select->Bind(1, BlockKey(m_nId, number));
        const std::size_t expected = std::min(
            CRecordBlocks::kBlockRecords, RecordCount() - number * CRecordBlocks::kBlockRecords);
        bool ok = m_select->Step();
        if (ok) {
            block.m_bytes.assign(m_select->Bytes(0));
        }
        m_select->Reset();
        ok = ok &&
             CRecordBlocks::DecodeNames(block.m_bytes, m_media.size(), RecordCount(),
                                        block.m_names) &&
             block.m_names.m_nFirst == number * CRecordBlocks::kBlockRecords &&
             block.m_names.m_entries.size() == expected;
        if (!ok) {
            block.m_names.m_entries.clear();
            throw Damaged();
        }
        block.m_bRead = true;
    }

    CSqliteDatabase& m_db;
    std::int64_t m_nId;
    SIndexedCase m_facts;
    const std::vector<std::uint32_t>* m_pCandidates;
    std::vector<SIndexedMedium> m_media;
    std::vector<SBlock> m_blocks;
    std::unique_ptr<CSqliteStatement> m_select;
};

} // namespace

CSqliteIndexStore::CSqliteIndexStore(const std::string& folder)
    : m_strFile((std::filesystem::path(folder) / kFileName).string()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        throw CIndexError(folder + ": " + ec.message(), false);
    }
    m_db = std::make_unique<CSqliteDatabase>(m_strFile);
    CheckOrCreateSchema();
}

void CSqliteIndexStore::CheckOrCreateSchema() {
    // Reading the header is what finds a file that is no database at all.
    const std::int64_t appId = m_db->QueryInt("PRAGMA application_id");
    if (appId == kApplicationId) {
        if (m_db->QueryInt("PRAGMA user_version") != kFormatVersion) {
            throw CIndexError(m_strFile + ": an index of another format version", true);
        }
    } else if (appId != 0 || m_db->QueryInt("SELECT count(*) FROM sqlite_master") != 0) {
        throw CIndexError(m_strFile + ": not an index file of this program", true);
    }
    if (appId != kApplicationId) {
        // Blocks take a few kilobytes each: in pages of 4 KB much of every page would be
        // left empty. Only a file without tables takes a new page size, and only before
        // it is put into WAL mode.
        m_db->Exec("PRAGMA page_size = 65536");
    }
    // Reading through a mapping saves a system call per page a question reads.
    m_db->Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
               "PRAGMA mmap_size = 1073741824");
    if (appId == kApplicationId) {
        return;
    }
    CSqliteTransaction transaction(*m_db);
    // Another process may have made it while this one waited for the file.
    if (m_db->QueryInt("PRAGMA application_id") != kApplicationId) {
        m_db->Exec(kSchema);
    }
    transaction.Commit();
}

std::vector<std::string> CSqliteIndexStore::SetAside(const std::string& folder) {
    const std::string file = (std::filesystem::path(folder) / kFileName).string();
    std::vector<std::string> folders;
    try {
        CSqliteDatabase old(file);
        CSqliteStatement select(old.Handle(), "SELECT path FROM folders ORDER BY path");
        while (select.Step()) {
            folders.emplace_back(select.Bytes(0));
        }
    } catch (const std::exception&) {
        // What cannot be read is lost; the folders are then to be added again.
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string from = file + suffix;
        const std::string to = file + ".damaged" + suffix;
        if (std::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) {
            std::remove(from.c_str());
        }
    }
    return folders;
}

std::vector<std::string> CSqliteIndexStore::Folders() {
    std::vector<std::string> folders;
    CSqliteStatement select(m_db->Handle(), "SELECT path FROM folders ORDER BY path");
    while (select.Step()) {
        folders.emplace_back(select.Bytes(0));
    }
    return folders;
}

void CSqliteIndexStore::AddFolder(const std::string& path) {
    CSqliteStatement insert(m_db->Handle(), "INSERT OR IGNORE INTO folders(path) VALUES(?)");
    insert.Bind(1, path).Run();
}

bool CSqliteIndexStore::RemoveFolder(const std::string& path) {
    CSqliteStatement remove(m_db->Handle(), "DELETE FROM folders WHERE path = ?");
    remove.Bind(1, path).Run();
    return m_db->QueryInt("SELECT changes()") > 0;
}

std::vector<SIndexedCase> CSqliteIndexStore::Cases() {
    std::vector<SIndexedCase> cases;
    CSqliteStatement select(m_db->Handle(),
                            "SELECT path, size, modified, state, cause, records FROM cases "
                            "ORDER BY path");
    while (select.Step()) {
        cases.push_back(CaseFromRow(select, 0));
    }
    return cases;
}

void CSqliteIndexStore::PutCase(const SIndexedCase& facts, const SCaseRecords* records) {
    // Everything is coded before the file is locked, so that other writers wait only for
    // the rows to be written.
    std::vector<std::string> blocks;
    std::map<std::uint32_t, std::string> buckets;
    std::string media;
    std::uint64_t count = 0;
    if (records && facts.m_state == ECaseState::Indexed) {
        count = records->m_records.size();
        // A large case (a disc just scanned, say) makes its trigram lists on a second
        // thread while its blocks are packed; a small one is not worth a thread, and an
        // update of many cases keeps the other core reading the next one.
        std::future<std::map<std::uint32_t, std::string>> grams;
        if (count >= kRecordsForTwoThreads) {
            grams = std::async(std::launch::async,
                               [records] { return CTrigramLists::Build(*records); });
        }
        for (std::size_t first = 0; first < count; first += CRecordBlocks::kBlockRecords) {
            blocks.push_back(CRecordBlocks::EncodeBlock(*records, first));
        }
        buckets = grams.valid() ? grams.get() : CTrigramLists::Build(*records);
        media = CRecordBlocks::EncodeMedia(records->m_media);
    } else {
        media = CRecordBlocks::EncodeMedia({});
    }
    CSqliteTransaction transaction(*m_db);
    RemoveCase(facts.m_strPath);
    CSqliteStatement insert(m_db->Handle(),
                            "INSERT INTO cases(path, size, modified, state, cause, records, media) "
                            "VALUES(?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, facts.m_strPath)
        .Bind(2, facts.m_nFileSize)
        .Bind(3, facts.m_nModified)
        .Bind(4, static_cast<std::int64_t>(facts.m_state))
        .Bind(5, facts.m_strCause)
        .Bind(6, static_cast<std::int64_t>(count))
        .BindBlob(7, media)
        .Run();
    const std::int64_t id = m_db->QueryInt("SELECT last_insert_rowid()");
    CSqliteStatement block(m_db->Handle(), "INSERT INTO blocks(id, data) VALUES(?, ?)");
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        block.Bind(1, BlockKey(id, i)).BindBlob(2, blocks[i]).Run();
    }
    CSqliteStatement gram(m_db->Handle(), "INSERT INTO grams(id, data) VALUES(?, ?)");
    for (const auto& [bucket, bytes] : buckets) {
        gram.Bind(1, BucketKey(bucket, id)).BindBlob(2, bytes).Run();
    }
    transaction.Commit();
}

bool CSqliteIndexStore::RemoveCase(const std::string& path) {
    CSqliteStatement find(m_db->Handle(), "SELECT id FROM cases WHERE path = ?");
    find.Bind(1, path);
    if (!find.Step()) {
        return false;
    }
    const std::int64_t id = find.Int(0);
    find.Reset();
    CSqliteStatement blocks(m_db->Handle(), "DELETE FROM blocks WHERE id BETWEEN ? AND ?");
    blocks.Bind(1, BlockKey(id, 0)).Bind(2, BlockKey(id, (1u << kBlockBits) - 1)).Run();
    CSqliteStatement grams(m_db->Handle(), "DELETE FROM grams WHERE id BETWEEN ? AND ?");
    grams.Bind(1, BucketKey(0, id)).Bind(2, BucketKey(CTrigramLists::kBuckets - 1, id)).Run();
    CSqliteStatement remove(m_db->Handle(), "DELETE FROM cases WHERE id = ?");
    remove.Bind(1, id).Run();
    return true;
}

void CSqliteIndexStore::FindCandidates(const std::vector<std::string>& foldedWords,
                                       ICandidateSink& sink) {
    std::vector<std::uint32_t> grams;
    for (const std::string& word : foldedWords) {
        for (std::uint32_t g : CTrigramLists::TrigramsOf(word)) {
            grams.push_back(g);
        }
    }
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());

    // Every gram's list per case; a case missing one gram cannot match, and is not
    // asked for the next.
    std::map<std::int64_t, std::vector<std::vector<std::uint32_t>>> lists;
    if (!grams.empty()) {
        CSqliteStatement cases(m_db->Handle(), "SELECT id FROM cases WHERE state = 0");
        while (cases.Step()) {
            lists[cases.Int(0)];
        }
        CSqliteStatement select(m_db->Handle(), "SELECT data FROM grams WHERE id = ?");
        for (std::uint32_t gram : grams) {
            const std::uint32_t bucket = CTrigramLists::BucketOf(gram);
            for (auto it = lists.begin(); it != lists.end();) {
                select.Bind(1, BucketKey(bucket, it->first));
                std::vector<std::uint32_t> list;
                const bool found = select.Step();
                const bool ok = !found || CTrigramLists::Find(select.Bytes(0), gram, list);
                select.Reset();
                if (!ok) {
                    throw CIndexError("index database: a trigram bucket is damaged", true);
                }
                if (list.empty()) {
                    it = lists.erase(it);
                    continue;
                }
                it->second.push_back(std::move(list));
                ++it;
            }
            if (lists.empty()) {
                return;
            }
        }
    }
    std::map<std::int64_t, std::vector<std::uint32_t>> candidates;
    for (auto& [id, perCase] : lists) {
        std::sort(perCase.begin(), perCase.end(),
                  [](const auto& a, const auto& b) { return a.size() < b.size(); });
        std::vector<std::uint32_t> kept = std::move(perCase.front());
        for (std::size_t k = 1; k < perCase.size() && !kept.empty(); ++k) {
            CTrigramLists::Intersect(kept, perCase[k]);
        }
        if (kept.empty()) {
            continue;
        }
        std::vector<std::uint32_t>& records = candidates[id];
        records.reserve(kept.size() * CTrigramLists::kUnitRecords);
        for (std::uint32_t unit : kept) {
            for (std::size_t i = 0; i < CTrigramLists::kUnitRecords; ++i) {
                records.push_back(
                    static_cast<std::uint32_t>(unit * CTrigramLists::kUnitRecords + i));
            }
        }
    }
    CSqliteStatement select(m_db->Handle(),
                            "SELECT id, path, size, modified, state, cause, records, media "
                            "FROM cases WHERE state = 0 ORDER BY path");
    while (select.Step()) {
        const std::int64_t id = select.Int(0);
        SIndexedCase facts = CaseFromRow(select, 1);
        std::vector<std::uint32_t>* list = nullptr;
        if (!grams.empty()) {
            auto found = candidates.find(id);
            if (found == candidates.end()) {
                continue;
            }
            list = &found->second;
            // The last block of a case is short.
            while (!list->empty() && list->back() >= facts.m_nRecords) {
                list->pop_back();
            }
        }
        CStoredCase stored(*m_db, id, std::move(facts), select.Bytes(7), list);
        sink.Case(stored);
    }
}

std::uint64_t CSqliteIndexStore::BytesOnDisk() {
    return FileBytes(m_strFile) + FileBytes(m_strFile + "-wal");
}

} // namespace quillora
