// The growable text buffer the exporters build rows in. Always zero-terminated.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillora {

class CTextBuffer {
public:
    void Clear() { m_text.clear(); }
    void Append(std::string_view text) { m_text.append(text); }
    void Append(char c) { m_text += c; }
    std::size_t Length() const { return m_text.size(); }
    bool Empty() const { return m_text.empty(); }
    const char* Data() const { return m_text.c_str(); }
    std::string_view View() const { return m_text; }
    // The text itself, for the item values to append to.
    std::string& Text() { return m_text; }

private:
    std::string m_text;
};

} // namespace quillora
