// Connections to the index server.
#include "index/CPgConnection.h"

#include "index/CIndexError.h"
#include "index/CLibPq.h"
#include "index/ServerUrl.h"

namespace quillora {

namespace {

const CLibPq& Pq() {
    return CLibPq::Get();
}

// libpq's message on one line: its line breaks and indents as single spaces.
std::string Trimmed(const char* message) {
    std::string text;
    for (const char* c = message ? message : ""; *c != '\0'; ++c) {
        const bool space = *c == '\n' || *c == '\t' || *c == ' ';
        if (!space) {
            text += *c;
        } else if (!text.empty() && text.back() != ' ') {
            text += ' ';
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

} // namespace

CPgConnection::CPgConnection(const std::string& conninfo) : m_strShown(ShownServer(conninfo)) {
    m_conn = Pq().m_connectdb(conninfo.c_str());
    if (m_conn == nullptr) {
        throw CIndexError("index server " + m_strShown + ": out of memory", false);
    }
    if (Pq().m_status(m_conn) != CONNECTION_OK) {
        const std::string message = Trimmed(Pq().m_errorMessage(m_conn));
        Pq().m_finish(m_conn);
        m_conn = nullptr;
        throw CIndexError("index server " + m_strShown + ": " + message, false);
    }
    // Notices (an extension already there) are no news to the user.
    Pq().m_setNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
}

CPgConnection::~CPgConnection() {
    Pq().m_finish(m_conn);
}

void CPgConnection::Fail(const std::string& what) {
    throw CIndexError("index server " + m_strShown + ": " + what, false);
}

CPgResult CPgConnection::Checked(pg_result* raw, const char* sql) {
    CPgResult result(raw);
    const ExecStatusType status = Pq().m_resultStatus(raw);
    if (raw != nullptr &&
        (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN)) {
        return result;
    }
    std::string message =
        Trimmed(raw ? Pq().m_resultErrorMessage(raw) : Pq().m_errorMessage(m_conn));
    if (message.empty()) {
        message = std::string("the statement failed: ") + sql;
    }
    Fail(message);
}

CPgResult CPgConnection::Exec(const char* sql) {
    CPgParams none;
    return Exec(sql, none);
}

void CPgConnection::ExecScript(const char* sql) {
    Checked(Pq().m_exec(m_conn, sql), sql);
}

CPgResult CPgConnection::Exec(const char* sql, CPgParams& params) {
    const char* const* values = params.Values();
    return Checked(Pq().m_execParams(m_conn, sql, params.Count(), nullptr, values, params.Lengths(),
                                     params.Formats(), 1),
                   sql);
}

void CPgConnection::CopyIn(const char* sql, std::string_view data) {
    Checked(Pq().m_exec(m_conn, sql), sql);
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t at = 0; at < data.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, data.size() - at);
        if (Pq().m_putCopyData(m_conn, data.data() + at, static_cast<int>(n)) != 1) {
            Fail(Trimmed(Pq().m_errorMessage(m_conn)));
        }
    }
    if (Pq().m_putCopyEnd(m_conn, nullptr) != 1) {
        Fail(Trimmed(Pq().m_errorMessage(m_conn)));
    }
    // The COPY's own result, then the end of the results.
    for (pg_result* raw = Pq().m_getResult(m_conn); raw != nullptr;
         raw = Pq().m_getResult(m_conn)) {
        CPgResult result(raw);
        if (Pq().m_resultStatus(raw) != PGRES_COMMAND_OK) {
            const std::string message = Trimmed(Pq().m_resultErrorMessage(raw));
            while (pg_result* rest = Pq().m_getResult(m_conn)) {
                Pq().m_clear(rest);
            }
            Fail(message);
        }
    }
}

void CPgConnection::Rollback() noexcept {
    if (m_conn != nullptr) {
        Pq().m_clear(Pq().m_exec(m_conn, "ROLLBACK"));
    }
}

} // namespace quillora
