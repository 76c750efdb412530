// CPgIndexStore: the index of every case in a PostgreSQL database that many program
// instances share. Cases are kept once by a content id taken from their own data, and
// each machine keeps the paths it sees them under, so that a case file on a shared
// folder is not doubled by the machines that index it. Names are matched with the
// pg_trgm extension over the folded names, exactly as the embedded index folds them,
// and a first page is ranked and cut on the server, so that only the page travels.
#pragma once

#include "index/CPgConnection.h"
#include "index/CPgRecordCache.h"
#include "index/IIndexStore.h"

#include <memory>
#include <string>

namespace quillora {

// What the index's tables take on the server.
struct SPgSpace {
    std::uint64_t m_nTableBytes = 0; // rows, their TOAST and free space maps
    std::uint64_t m_nIndexBytes = 0; // the trigram index and the keys
};

class CPgIndexStore : public IIndexStore {
public:
    // The schema version this program writes; a database of a newer one is refused.
    static constexpr int kSchemaVersion = 4;

    // Connects to `conninfo` (a postgresql:// URL, libpq's keywords, or empty for the
    // PG* environment) and creates or upgrades the schema. `machine` names this
    // machine among those sharing the database (LocalMachine() unless a test says
    // otherwise). Throws CIndexError with the server's message when it cannot connect,
    // the schema is newer than this program's, or it may not be made.
    explicit CPgIndexStore(const std::string& conninfo, std::string machine = LocalMachine());

    // /etc/machine-id, else the host name: what tells the machines sharing a database apart.
    static std::string LocalMachine();

    std::vector<std::string> Folders() override;
    void AddFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    // The cases this machine indexed, by the paths it sees them under.
    std::vector<SIndexedCase> Cases() override;
    void PutCase(const SIndexedCase& facts, const SCaseRecords* records) override;
    bool RemoveCase(const std::string& path) override;
    // Every indexed case of every machine, once, named by this machine's path where
    // it has one; the candidates are the records whose folded names hold every word.
    void FindCandidates(const std::vector<std::string>& foldedWords, ICandidateSink& sink) override;
    // The server ranks and cuts the first page itself when it can (ICU under its regular
    // expressions); for path words it fetches more of the best until enough match them.
    bool FindFirstCandidates(const CLocateQuery& query, std::size_t limit,
                             const PresenceFn& presence, ICandidateSink& sink) override;
    // After a large batch the written tables are vacuumed and analysed (by their owner;
    // another writer's batch stands without).
    void AfterBatch(std::size_t records) override;
    std::uint64_t BytesOnDisk() override;

    SPgSpace Space();

    // The bytes whose SHA-256 identifies a case with records (see the README).
    static std::string ContentKey(const std::string& path, const SCaseRecords& records);

private:
    void CheckOrCreateSchema();
    // Takes the lock every writer holds for its transaction.
    void LockForWriting();
    std::int64_t PutContent(const std::string& key, const SIndexedCase& facts,
                            const SCaseRecords* records);
    void CopyRecords(std::int64_t content, const SCaseRecords& records);
    void DropContentIfUnused(std::int64_t content);

    std::unique_ptr<CPgConnection> m_db;
    std::string m_strMachine;
    // The server tells letters and digits as ICU does (an ICU collation, UTF-8): it ranks.
    bool m_bRanks = false;
    // The records above the first pages this connection fetched.
    CPgRecordCache m_above;
};

} // namespace quillora
