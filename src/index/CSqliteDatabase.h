// CSqliteDatabase: one open SQLite database file, closed with its owner, with the
// settings every connection of the index uses (write-ahead log, a wait for a busy file).
#pragma once

#include "index/CSqliteStatement.h"

#include <string>
#include <string_view>

struct sqlite3;

namespace quillora {

class CSqliteDatabase {
public:
    // Opens (creating) the file. Throws CIndexError when it cannot be opened or is not
    // a database.
    explicit CSqliteDatabase(const std::string& path);
    ~CSqliteDatabase();
    CSqliteDatabase(const CSqliteDatabase&) = delete;
    CSqliteDatabase& operator=(const CSqliteDatabase&) = delete;

    // Runs statements that give no rows.
    void Exec(std::string_view sql);
    // The first column of the first row of a query, or `otherwise` for no row.
    std::int64_t QueryInt(std::string_view sql, std::int64_t otherwise = 0);
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

} // namespace quillora
