// Transactions on the index server.
#include "index/CPgTransaction.h"

#include "index/CPgConnection.h"

namespace quillora {

CPgTransaction::CPgTransaction(CPgConnection& connection, const char* begin)
    : m_connection(connection) {
    m_connection.Exec(begin);
}

CPgTransaction::~CPgTransaction() {
    if (m_bOpen) {
        m_connection.Rollback();
    }
}

void CPgTransaction::Commit() {
    m_connection.Exec("COMMIT");
    m_bOpen = false;
}

} // namespace quillora
