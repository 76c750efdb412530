// CPgResult: one result of a statement sent to the index server, owned and freed with
// it; binary columns read as integers, bytes and flags.
#pragma once

#include <cstdint>
#include <string_view>

struct pg_result;

namespace quillora {

class CPgResult {
public:
    explicit CPgResult(pg_result* result) : m_result(result) {}
    CPgResult(CPgResult&& other) noexcept : m_result(other.m_result) { other.m_result = nullptr; }
    CPgResult& operator=(CPgResult&& other) noexcept;
    CPgResult(const CPgResult&) = delete;
    CPgResult& operator=(const CPgResult&) = delete;
    ~CPgResult();

    int Rows() const;
    bool IsNull(int row, int column) const;
    // A column sent in binary: int2, int4 or int8 by its length, a bool as 0 or 1.
    std::int64_t Int(int row, int column) const;
    // The raw bytes of a binary bytea or text column (valid while the result lives).
    std::string_view Bytes(int row, int column) const;
    // How many rows the statement changed (INSERT, UPDATE, DELETE).
    std::int64_t Changed() const;

private:
    pg_result* m_result;
};

} // namespace quillora
