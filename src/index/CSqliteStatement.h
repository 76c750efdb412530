// CSqliteStatement: one prepared SQLite statement, finalised with its owner; binding and
// stepping raise CIndexError with the database's message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace quillora {

class CSqliteStatement {
public:
    CSqliteStatement(sqlite3* db, std::string_view sql);
    ~CSqliteStatement();
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;

    // Parameters count from 1. Texts and blobs are copied by SQLite.
    CSqliteStatement& Bind(int index, std::int64_t value);
    CSqliteStatement& Bind(int index, std::string_view text);
    CSqliteStatement& BindBlob(int index, std::string_view bytes);

    // True while a row is there; false when done.
    bool Step();
    // Runs a statement that gives no rows and resets it for the next run.
    void Run();
    void Reset();

    std::int64_t Int(int column) const;
    // The column's text or blob, valid until the next Step or Reset.
    std::string_view Bytes(int column) const;
    bool IsNull(int column) const;

private:
    [[noreturn]] void Fail(int rc) const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace quillora
