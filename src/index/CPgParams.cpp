// The parameters of one statement for libpq.
#include "index/CPgParams.h"

namespace quillora {

CPgParams& CPgParams::Text(std::string_view value) {
    m_values.emplace_back(value);
    m_lengths.push_back(0);
    m_formats.push_back(0);
    return *this;
}

CPgParams& CPgParams::Int(std::int64_t value) {
    return Text(std::to_string(value));
}

CPgParams& CPgParams::Bytes(std::string_view value) {
    m_values.emplace_back(value);
    m_lengths.push_back(static_cast<int>(value.size()));
    m_formats.push_back(1);
    return *this;
}

const char* const* CPgParams::Values() {
    m_pointers.clear();
    for (const std::string& v : m_values) {
        m_pointers.push_back(v.c_str());
    }
    return m_pointers.data();
}

} // namespace quillora
