// PostgreSQL's binary COPY format: a signature, flags and an extension length, then per
// row a field count and per field its length and bytes, all in network byte order.
#include "index/CPgCopyRows.h"

namespace quillora {

CPgCopyRows::CPgCopyRows() {
    static constexpr char kSignature[] = "PGCOPY\n\377\r\n";
    m_data.append(kSignature, sizeof kSignature); // the terminating zero belongs to it
    BigEndian(0, 4);                              // flags
    BigEndian(0, 4);                              // header extension length
}

void CPgCopyRows::BigEndian(std::uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        m_data += static_cast<char>((value >> shift) & 0xff);
    }
}

void CPgCopyRows::Row(std::uint16_t fields) {
    BigEndian(fields, 2);
}

void CPgCopyRows::Int16(std::int16_t value) {
    BigEndian(2, 4);
    BigEndian(static_cast<std::uint16_t>(value), 2);
}

void CPgCopyRows::Int32(std::int32_t value) {
    BigEndian(4, 4);
    BigEndian(static_cast<std::uint32_t>(value), 4);
}

void CPgCopyRows::Int64(std::int64_t value) {
    BigEndian(8, 4);
    BigEndian(static_cast<std::uint64_t>(value), 8);
}

void CPgCopyRows::Bool(bool value) {
    BigEndian(1, 4);
    m_data += value ? '\1' : '\0';
}

void CPgCopyRows::Bytes(std::string_view value) {
    BigEndian(value.size(), 4);
    m_data.append(value);
}

void CPgCopyRows::Null() {
    BigEndian(0xffffffffu, 4);
}

std::string CPgCopyRows::Finish() {
    BigEndian(0xffff, 2);
    return std::move(m_data);
}

} // namespace quillora
