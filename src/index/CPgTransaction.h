// CPgTransaction: a transaction on the index server, rolled back unless committed
// (an exception on the way leaves the database as it was).
#pragma once

namespace quillora {

class CPgConnection;

class CPgTransaction {
public:
    // `begin`: the statement that opens it ("BEGIN" or one with an isolation level).
    explicit CPgTransaction(CPgConnection& connection, const char* begin = "BEGIN");
    CPgTransaction(const CPgTransaction&) = delete;
    CPgTransaction& operator=(const CPgTransaction&) = delete;
    ~CPgTransaction();

    void Commit();

private:
    CPgConnection& m_connection;
    bool m_bOpen = true;
};

} // namespace quillora
