// Loading libpq by its soname, as the package depends on it.
#include "index/CLibPq.h"

#include "index/CIndexError.h"

#include <dlfcn.h>

namespace quillora {

namespace {

constexpr char kSoname[] = "libpq.so.5";

} // namespace

const CLibPq& CLibPq::Get() {
    static const CLibPq library;
    if (!library.m_strError.empty()) {
        throw CIndexError(library.m_strError, false);
    }
    return library;
}

template <class Fn> void CLibPq::Bind(Fn& target, const char* name) {
    target = reinterpret_cast<Fn>(::dlsym(m_handle, name));
    if (!target && m_strError.empty()) {
        m_strError = std::string("the shared index needs ") + kSoname + ", which has no " + name;
    }
}

// The handle is never closed: connections and results may be freed until the end.
CLibPq::CLibPq() : m_handle(::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL)) {
    if (!m_handle) {
        const char* why = ::dlerror();
        m_strError =
            std::string("the shared index needs libpq (package libpq5): ") + (why ? why : kSoname);
        return;
    }
    Bind(m_connectdb, "PQconnectdb");
    Bind(m_status, "PQstatus");
    Bind(m_errorMessage, "PQerrorMessage");
    Bind(m_finish, "PQfinish");
    Bind(m_setNoticeProcessor, "PQsetNoticeProcessor");
    Bind(m_exec, "PQexec");
    Bind(m_execParams, "PQexecParams");
    Bind(m_putCopyData, "PQputCopyData");
    Bind(m_putCopyEnd, "PQputCopyEnd");
    Bind(m_getResult, "PQgetResult");
    Bind(m_resultStatus, "PQresultStatus");
    Bind(m_resultErrorMessage, "PQresultErrorMessage");
    Bind(m_clear, "PQclear");
    Bind(m_ntuples, "PQntuples");
    Bind(m_getisnull, "PQgetisnull");
    Bind(m_getlength, "PQgetlength");
    Bind(m_getvalue, "PQgetvalue");
    Bind(m_fformat, "PQfformat");
    Bind(m_cmdTuples, "PQcmdTuples");
}

} // namespace quillora
