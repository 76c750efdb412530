// Prepared statements over the SQLite C interface.
#include "index/CSqliteStatement.h"

#include "index/CIndexError.h"

#include <sqlite3.h>

namespace quillora {

namespace {

bool IsDamage(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT;
}

} // namespace

CSqliteStatement::CSqliteStatement(sqlite3* db, std::string_view sql) : m_db(db) {
    const int rc =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
}

CSqliteStatement::~CSqliteStatement() {
    sqlite3_finalize(m_stmt);
}

void CSqliteStatement::Fail(int rc) const {
    throw CIndexError(std::string("index database: ") + sqlite3_errmsg(m_db), IsDamage(rc));
}

CSqliteStatement& CSqliteStatement::Bind(int index, std::int64_t value) {
    if (const int rc = sqlite3_bind_int64(m_stmt, index, value); rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

CSqliteStatement& CSqliteStatement::Bind(int index, std::string_view text) {
    if (const int rc = sqlite3_bind_text64(m_stmt, index, text.data(), text.size(),
                                           SQLITE_TRANSIENT, SQLITE_UTF8);
        rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

CSqliteStatement& CSqliteStatement::BindBlob(int index, std::string_view bytes) {
    if (const int rc =
            sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
        rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

bool CSqliteStatement::Step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(m_stmt);
    Fail(rc);
}

void CSqliteStatement::Run() {
    while (Step()) {
    }
    Reset();
}

void CSqliteStatement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t CSqliteStatement::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string_view CSqliteStatement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (data == nullptr || size <= 0) {
        return {};
    }
    return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

bool CSqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

} // namespace quillora
