// CSqliteIndexStore: the embedded back end of the index: one SQLite file in the index
// folder holding the folders, the cases, their record blocks and their trigram buckets.
// SQLite makes every change atomic (a kill mid-update leaves the file as before or
// after it) and lets the program and the command line write at once.
#pragma once

#include "index/CSqliteDatabase.h"
#include "index/IIndexStore.h"

#include <memory>
#include <string>

namespace quillora {

class CSqliteIndexStore : public IIndexStore {
public:
    static constexpr const char* kFileName = "index.sqlite";

    // Opens the index file in `folder`, making the folder and an empty index when there
    // are none. Throws CIndexError: Damaged() when the file is damaged, foreign or of
    // another format version, otherwise when it cannot be opened at all.
    explicit CSqliteIndexStore(const std::string& folder);

    // Moves a damaged index file (and its log) aside as "<name>.damaged", so that a new
    // one can be made; the folders it held are returned when they can still be read.
    static std::vector<std::string> SetAside(const std::string& folder);

    std::vector<std::string> Folders() override;
    void AddFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    std::vector<SIndexedCase> Cases() override;
    void PutCase(const SIndexedCase& facts, const SCaseRecords* records) override;
    bool RemoveCase(const std::string& path) override;
    void FindCandidates(const std::vector<std::string>& foldedWords, ICandidateSink& sink) override;
    std::uint64_t BytesOnDisk() override;

private:
    void CheckOrCreateSchema();

    std::string m_strFile;
    std::unique_ptr<CSqliteDatabase> m_db;
};

} // namespace quillora
