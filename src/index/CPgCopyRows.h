// CPgCopyRows: rows for PostgreSQL's binary COPY, built in memory and sent in one go;
// every field is typed as its column is (int2, int4, int8, bool, bytea, text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {

class CPgCopyRows {
public:
    CPgCopyRows();

    // Starts a row of `fields` fields; they follow in the order of the COPY's columns.
    void Row(std::uint16_t fields);
    void Int16(std::int16_t value);
    void Int32(std::int32_t value);
    void Int64(std::int64_t value);
    void Bool(bool value);
    // bytea, or text already in the database's encoding.
    void Bytes(std::string_view value);
    void Null();

    // The whole stream, trailer included.
    std::string Finish();

private:
    void BigEndian(std::uint64_t value, int bytes);

    std::string m_data;
};

} // namespace quillora
