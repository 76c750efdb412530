// Loading libpq by its soname, as the package depends on it.
#include "index/CLibPq.h"

#include "index/CIndexError.h"

namespace quillora {

namespace {

constexpr char kSoname[] = "libpq.so.5";

} // namespace

const CLibPq& CLibPq::Get() {
    static const CLibPq library;
    if (!library.m_library.Error().empty()) {
        throw CIndexError(library.m_library.Error(), false);
    }
    return library;
}

CLibPq::CLibPq() : m_library(kSoname, "the shared index needs", "libpq", "libpq5") {
    m_library.Bind(m_connectdb, "PQconnectdb");
    m_library.Bind(m_status, "PQstatus");
    m_library.Bind(m_errorMessage, "PQerrorMessage");
    m_library.Bind(m_finish, "PQfinish");
    m_library.Bind(m_setNoticeProcessor, "PQsetNoticeProcessor");
    m_library.Bind(m_exec, "PQexec");
    m_library.Bind(m_execParams, "PQexecParams");
    m_library.Bind(m_putCopyData, "PQputCopyData");
    m_library.Bind(m_putCopyEnd, "PQputCopyEnd");
    m_library.Bind(m_getResult, "PQgetResult");
    m_library.Bind(m_resultStatus, "PQresultStatus");
    m_library.Bind(m_resultErrorMessage, "PQresultErrorMessage");
    m_library.Bind(m_clear, "PQclear");
    m_library.Bind(m_ntuples, "PQntuples");
    m_library.Bind(m_getisnull, "PQgetisnull");
    m_library.Bind(m_getlength, "PQgetlength");
    m_library.Bind(m_getvalue, "PQgetvalue");
    m_library.Bind(m_fformat, "PQfformat");
    m_library.Bind(m_cmdTuples, "PQcmdTuples");
}

} // namespace quillora
