// A fast exact matcher for the extended regular expressions that are really globs:
// literal characters, "." (any one character), ".*" (any run of characters), a
// leading "^" and a trailing "$", or alternatives of those wrapped in "(...|...)".
// That covers every converted wildcard without "(", ")", "{", "}" or "\" and the
// plainest regular expressions; it answers exactly as regexec in a UTF-8 locale does
// for them, without building a matcher state per text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CGlobProgram {
public:
    // Builds the program for `expression`; false (and the program empty) when the
    // expression uses anything else, which is then left to the regular expression.
    bool Build(std::string_view expression);

    // Whether the expression finds a match anywhere in `text`.
    bool Search(std::string_view text) const;

    // The longest run of literal bytes that every match must contain, for a quick
    // rejection by the caller; empty when there is none (alternatives, or no literal).
    const std::string& RequiredLiteral() const { return m_strRequired; }
    // The program is one literal searched anywhere: Search is a plain substring test.
    bool IsPlainLiteral() const { return m_bPlainLiteral; }
    // A plain literal written between anchored gaps ("^.*word.*$"): finding it
    // settles a text without zero bytes only.
    bool IsAnchoredLiteral() const { return m_bAnchoredLiteral; }

private:
    // "Skip `skip` characters, then these bytes."
    struct SPiece {
        int skip = 0;
        std::string bytes;
    };
    // A run of pieces without gaps, with `tailSkip` characters after the last piece.
    struct SSegment {
        std::vector<SPiece> pieces;
        int tailSkip = 0;
    };
    // One alternative: segments separated by gaps (".*").
    struct SAlternative {
        std::vector<SSegment> segments;
        bool openStart = true; // no "^", or a gap before the first segment
        bool openEnd = true;   // no "$", or a gap after the last segment
        // "^" and "$" as written: a gap next to them still cannot cross a zero byte.
        bool anchoredStart = false;
        bool anchoredEnd = false;
    };

    static bool ParseAlternative(std::string_view expr, SAlternative& out);
    static bool SearchAlternative(const SAlternative& alt, std::string_view text);
    // End of the segment matched at `pos`, or npos.
    static std::size_t MatchForward(const SSegment& seg, std::string_view text, std::size_t pos);
    // Start of the segment matched so that it ends at `end`, or npos.
    static std::size_t MatchBackward(const SSegment& seg, std::string_view text, std::size_t end);
    // The earliest match at or after `from`: {start, end}, or start npos.
    static std::pair<std::size_t, std::size_t> FindSegment(const SSegment& seg,
                                                           std::string_view text, std::size_t from);

    std::vector<SAlternative> m_alternatives;
    std::string m_strRequired;
    bool m_bPlainLiteral = false;
    bool m_bAnchoredLiteral = false;
};

} // namespace quillora
