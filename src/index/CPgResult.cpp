// Reading the binary results libpq hands back.
#include "index/CPgResult.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace quillora {

namespace {

std::uint64_t BigEndian(const char* data, int length) {
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i) {
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    }
    return value;
}

} // namespace

CPgResult& CPgResult::operator=(CPgResult&& other) noexcept {
    if (this != &other) {
        PQclear(m_result);
        m_result = other.m_result;
        other.m_result = nullptr;
    }
    return *this;
}

CPgResult::~CPgResult() {
    PQclear(m_result);
}

int CPgResult::Rows() const {
    return PQntuples(m_result);
}

bool CPgResult::IsNull(int row, int column) const {
    return PQgetisnull(m_result, row, column) != 0;
}

std::int64_t CPgResult::Int(int row, int column) const {
    const int length = PQgetlength(m_result, row, column);
    const char* data = PQgetvalue(m_result, row, column);
    if (PQfformat(m_result, column) == 0) {
        return std::strtoll(data, nullptr, 10); // a text column (a command's own result)
    }
    const std::uint64_t raw = BigEndian(data, length);
    switch (length) {
    case 1:
        return static_cast<std::int64_t>(raw);
    case 2:
        return static_cast<std::int16_t>(raw);
    case 4:
        return static_cast<std::int32_t>(raw);
    default:
        return static_cast<std::int64_t>(raw);
    }
}

std::string_view CPgResult::Bytes(int row, int column) const {
    return {PQgetvalue(m_result, row, column),
            static_cast<std::size_t>(PQgetlength(m_result, row, column))};
}

std::int64_t CPgResult::Changed() const {
    const char* text = PQcmdTuples(m_result);
    return text && *text ? std::strtoll(text, nullptr, 10) : 0;
}

} // namespace quillora
