// Reading the binary results libpq hands back.
#include "index/CPgResult.h"

#include "index/CLibPq.h"

#include <cstdlib>

namespace quillora {

namespace {

const CLibPq& Pq() {
    return CLibPq::Get();
}

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
        if (m_result) {
            Pq().m_clear(m_result);
        }
        m_result = other.m_result;
        other.m_result = nullptr;
    }
    return *this;
}

// An empty result is left alone, so that freeing one never needs the library loaded.
CPgResult::~CPgResult() {
    if (m_result) {
        Pq().m_clear(m_result);
    }
}

int CPgResult::Rows() const {
    return Pq().m_ntuples(m_result);
}

bool CPgResult::IsNull(int row, int column) const {
    return Pq().m_getisnull(m_result, row, column) != 0;
}

std::int64_t CPgResult::Int(int row, int column) const {
    const int length = Pq().m_getlength(m_result, row, column);
    const char* data = Pq().m_getvalue(m_result, row, column);
    if (Pq().m_fformat(m_result, column) == 0) {
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
    return {Pq().m_getvalue(m_result, row, column),
            static_cast<std::size_t>(Pq().m_getlength(m_result, row, column))};
}

std::int64_t CPgResult::Changed() const {
    const char* text = Pq().m_cmdTuples(m_result);
    return text && *text ? std::strtoll(text, nullptr, 10) : 0;
}

} // namespace quillora
