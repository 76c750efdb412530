// Write transactions of the index's database, rolled back unless committed.
#include "index/CSqliteTransaction.h"

namespace quillora {

CSqliteTransaction::CSqliteTransaction(CSqliteDatabase& db) : m_db(db) {
    m_db.Exec("BEGIN IMMEDIATE");
}

CSqliteTransaction::~CSqliteTransaction() {
    if (!m_bDone) {
        try {
            m_db.Exec("ROLLBACK");
        } catch (...) {
        }
    }
}

void CSqliteTransaction::Commit() {
    m_db.Exec("COMMIT");
    m_bDone = true;
}

} // namespace quillora
