// CLibPq: libpq, loaded when the shared index is first used instead of linked, so that
// the commands that never talk to a server do not load it and the libraries it pulls in
// (TLS, Kerberos, LDAP) at every start.
#pragma once

#include "core/CLoadedLibrary.h"

#include <libpq-fe.h>

#include <string>

namespace quillora {

class CLibPq {
public:
    // The library, loaded once for the process; throws CIndexError naming what is
    // missing when it cannot be loaded.
    static const CLibPq& Get();

    decltype(&::PQconnectdb) m_connectdb = nullptr;
    decltype(&::PQstatus) m_status = nullptr;
    decltype(&::PQerrorMessage) m_errorMessage = nullptr;
    decltype(&::PQfinish) m_finish = nullptr;
    decltype(&::PQsetNoticeProcessor) m_setNoticeProcessor = nullptr;
    decltype(&::PQexec) m_exec = nullptr;
    decltype(&::PQexecParams) m_execParams = nullptr;
    decltype(&::PQputCopyData) m_putCopyData = nullptr;
    decltype(&::PQputCopyEnd) m_putCopyEnd = nullptr;
    decltype(&::PQgetResult) m_getResult = nullptr;
    decltype(&::PQresultStatus) m_resultStatus = nullptr;
    decltype(&::PQresultErrorMessage) m_resultErrorMessage = nullptr;
    decltype(&::PQclear) m_clear = nullptr;
    decltype(&::PQntuples) m_ntuples = nullptr;
    decltype(&::PQgetisnull) m_getisnull = nullptr;
    decltype(&::PQgetlength) m_getlength = nullptr;
    decltype(&::PQgetvalue) m_getvalue = nullptr;
    decltype(&::PQfformat) m_fformat = nullptr;
    decltype(&::PQcmdTuples) m_cmdTuples = nullptr;

private:
    CLibPq();

    CLoadedLibrary m_library;
};

} // namespace quillora
