// CSqliteTransaction: one write transaction of the index's database.
#pragma once

#include "index/CSqliteDatabase.h"

namespace quillora {

// A write transaction: begun at once (so that two writers queue instead of failing
// half-way), rolled back unless committed.
class CSqliteTransaction {
public:
    explicit CSqliteTransaction(CSqliteDatabase& db);
    ~CSqliteTransaction();
    CSqliteTransaction(const CSqliteTransaction&) = delete;
    CSqliteTransaction& operator=(const CSqliteTransaction&) = delete;
    void Commit();

private:
    CSqliteDatabase& m_db;
    bool m_bDone = false;
};

} // namespace quillora
