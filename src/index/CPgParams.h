// CPgParams: the values of one statement for the index server, each sent as a
// parameter of its own (never spliced into the statement's text): text and integers as
// text, bytes in binary so that no byte needs escaping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CPgParams {
public:
    CPgParams& Text(std::string_view value);
    CPgParams& Int(std::int64_t value);
    CPgParams& Bytes(std::string_view value);

    int Count() const { return static_cast<int>(m_values.size()); }
    // The arrays libpq takes; valid until the next change to this object.
    const char* const* Values();
    const int* Lengths() const { return m_lengths.data(); }
    const int* Formats() const { return m_formats.data(); }

private:
    std::vector<std::string> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
    std::vector<const char*> m_pointers;
};

} // namespace quillora
