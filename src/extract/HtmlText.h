// Pieces of the HTML reader that work on text alone: dropping comments, removing
// markup line by line, decoding character references, and reading the head's title
// and META properties.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quillora {

class CHtmlText {
public:
    // The text without comments: "<!--" starts one, which ends at a ">" that follows
    // at least two "-". An unterminated comment runs to the end.
    static std::string StripComments(std::string_view html);

    // Character references: "&#N;" and "&#xH;" become their character (the codes of
    // the named table give the table's replacement, so "&#169;" is "(C)"); "&name;"
    // becomes the table's replacement. References longer than 16 characters, unknown
    // names and anything without ";" are copied unchanged.
    static std::string DecodeReferences(std::string_view text);

    // The head's properties: calls found(key, value) for the title (key 1) and for
    // each META whose NAME is DESCRIPTION (2), KEYWORDS (4), AUTHOR (6), GENERATOR (7)
    // or CREATIM (10), stopping at "</HEAD>". Values are reference-decoded.
    static void ReadHead(std::string_view html,
                         const std::function<void(int key, std::string value)>& found);

    // Removes markup from one line: everything from "<" to the next ">" outside double
    // quotes. A tag left open at the end of a line goes on in the next one.
    std::string RemoveMarkup(std::string_view line);
    void Reset() { m_inTag = m_inQuote = false; }

private:
    bool m_inTag = false;
    bool m_inQuote = false;
};

} // namespace quillora
