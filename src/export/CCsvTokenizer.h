// CCsvTokenizer: splits a list's text into records of fields, as the exports write
// them and as other programs' lists come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

// One field of a record: its bytes and whether they are all ASCII (which read the same
// in every encoding and need no decoding).
struct SField {
    std::string_view m_text;
    bool m_bAscii = true;
};

// A field starting with a double quote runs to the quote that ends it (a quote followed
// by the separator, the line end or the end of the text); inside it a doubled quote is
// one quote, any other quote is kept as it is (this program writes quotes inside quoted
// fields without doubling them), and line ends belong to the field. Fields are views
// into the text; only a field with doubled quotes is copied, into storage of the
// tokenizer's own.
class CCsvTokenizer {
public:
    CCsvTokenizer(std::string_view text, std::string_view separator)
        : m_text(text), m_sep(separator) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    std::size_t Position() const { return m_pos; }
    // The line the next record starts on.
    std::uint64_t Line() const { return m_nLine; }

    // Reads the next record into the first entries of `fields` and returns how many it
    // has. The views stay valid until the next call. Throws CImportError.
    std::size_t Next(std::vector<SField>& fields);

private:
    bool AtSeparator() const;
    bool AtLineEnd() const;
    void EndLine(std::uint64_t startLine);
    SField ReadPlain(std::uint64_t startLine);
    SField ReadQuoted(std::size_t index, std::uint64_t startLine);
    // Storage for field `index` of a record; a deque, so that growing it leaves the
    // strings (and views into them) where they are.
    std::string& Copy(std::size_t index);
    static void CheckLength(std::size_t length, std::size_t more, std::uint64_t startLine);

    std::string_view m_text;
    std::string_view m_sep;
    std::size_t m_pos = 0;
    std::uint64_t m_nLine = 1;
    std::deque<std::string> m_copies;
};

} // namespace quillora
