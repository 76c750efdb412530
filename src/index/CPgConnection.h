// CPgConnection: one connection to the index server through libpq, closed with it.
// Statements take their values as parameters and answer in binary; a failure throws
// CIndexError with the server's own message.
#pragma once

#include "index/CPgParams.h"
#include "index/CPgResult.h"

#include <string>
#include <string_view>

struct pg_conn;

namespace quillora {

class CPgConnection {
public:
    // `conninfo`: a postgresql:// URL or libpq's keywords; empty for libpq's defaults
    // (the PG* environment, ~/.pgpass). Throws CIndexError when no connection is made;
    // the message names the server as ShownServer() does, without a password.
    explicit CPgConnection(const std::string& conninfo);
    CPgConnection(const CPgConnection&) = delete;
    CPgConnection& operator=(const CPgConnection&) = delete;
    ~CPgConnection();

    // A statement without values.
    CPgResult Exec(const char* sql);
    // Statements separated by ";", without values or results (a schema's script).
    void ExecScript(const char* sql);
    CPgResult Exec(const char* sql, CPgParams& params);
    // Runs `COPY ... FROM STDIN` and sends `data` (in the format the statement names).
    void CopyIn(const char* sql, std::string_view data);
    // Ends a failed transaction; never throws.
    void Rollback() noexcept;

    const std::string& Shown() const { return m_strShown; }

private:
    CPgResult Checked(pg_result* result, const char* sql);
    [[noreturn]] void Fail(const std::string& what);

    pg_conn* m_conn = nullptr;
    std::string m_strShown;
};

} // namespace quillora
