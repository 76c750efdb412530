// Opening SQLite files for the index.
#include "index/CSqliteDatabase.h"

#include "index/CIndexError.h"

#include <sqlite3.h>

namespace quillora {

namespace {

// A writer of a large case holds the file for a moment; another process waits this long
// before it reports the index as busy.
constexpr int kBusyWaitMs = 30000;

} // namespace

CSqliteDatabase::CSqliteDatabase(const std::string& path) {
    const int rc =
        sqlite3_open_v2(path.c_str(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw CIndexError(path + ": " + message, false);
    }
    sqlite3_busy_timeout(m_db, kBusyWaitMs);
}

CSqliteDatabase::~CSqliteDatabase() {
    sqlite3_close(m_db);
}

void CSqliteDatabase::Exec(std::string_view sql) {
    char* error = nullptr;
    const std::string text(sql);
    const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        const int primary = rc & 0xff;
        throw CIndexError("index database: " + message, primary == SQLITE_CORRUPT ||
                                                            primary == SQLITE_NOTADB ||
                                                            primary == SQLITE_FORMAT);
    }
}

std::int64_t CSqliteDatabase::QueryInt(std::string_view sql, std::int64_t otherwise) {
    CSqliteStatement statement(m_db, sql);
    return statement.Step() ? statement.Int(0) : otherwise;
}

} // namespace quillora
