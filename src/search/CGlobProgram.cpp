// Glob programs: parsing the few expression forms they cover, and matching them.
#include "search/CGlobProgram.h"

#include "search/TextScan.h"

#include <cstring>

namespace quillora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsQuantifier(std::string_view expr, std::size_t i) {
    if (i >= expr.size()) {
        return false;
    }
    const char c = expr[i];
    return c == '*' || c == '+' || c == '?' || c == '{';
}

// Signs an extended expression takes literally after a backslash.
bool IsEscapable(char c) {
    switch (c) {
    case '$':
    case '+':
    case '.':
    case '[':
    case ']':
    case '^':
    case '|':
    case '*':
    case '?':
    case '(':
    case ')':
    case '{':
    case '}':
    case '\\':
        return true;
    default:
        return false;
    }
}

// One character forward from `pos` ("." never matches a zero byte, as in regexec).
bool StepForward(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] == '\0') {
        return false;
    }
    pos += std::min(Utf8SequenceLength(static_cast<unsigned char>(text[pos])), text.size() - pos);
    return true;
}

bool StepBackward(std::string_view text, std::size_t& pos) {
    if (pos == 0) {
        return false;
    }
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) {
        --pos;
    }
    return text[pos] != '\0';
}

enum class EToken { Literal, Any, Gap };

} // namespace

bool CGlobProgram::Build(std::string_view expression) {
    m_alternatives.clear();
    m_strRequired.clear();
    m_bPlainLiteral = false;
    m_bAnchoredLiteral = false;
    // Brackets and groups other than one wrapping pair of parentheses are left to the
    // regular expression; so is a "|" that is not between such alternatives.
    std::vector<std::size_t> bars;
    std::size_t opens = 0;
    std::size_t closes = 0;
    for (std::size_t i = 0; i < expression.size(); ++i) {
        const char c = expression[i];
        if (c == '\\') {
            ++i;
        } else if (c == '[') {
            return false;
        } else if (c == '(') {
            if (i != 0) {
                return false;
            }
            ++opens;
        } else if (c == ')') {
            if (i + 1 != expression.size()) {
                return false;
            }
            ++closes;
        } else if (c == '|') {
            bars.push_back(i);
        }
    }
    std::string_view body = expression;
    if (opens != closes || (opens == 1 && bars.empty())) {
        return false;
    }
    if (opens == 1) {
        body = expression.substr(1, expression.size() - 2);
        for (std::size_t& bar : bars) {
            --bar;
        }
    }
    std::size_t begin = 0;
    bars.push_back(body.size());
    for (std::size_t bar : bars) {
        std::string_view part = body.substr(begin, bar - begin);
        SAlternative alt;
        // An empty alternative matches the empty text, which regexec answers best.
        if (part.empty() || !ParseAlternative(part, alt)) {
            m_alternatives.clear();
            return false;
        }
        m_alternatives.push_back(std::move(alt));
        begin = bar + 1;
    }
    if (m_alternatives.size() == 1) {
        const SAlternative& alt = m_alternatives.front();
        for (const SSegment& seg : alt.segments) {
            for (const SPiece& piece : seg.pieces) {
                if (piece.bytes.size() > m_strRequired.size()) {
                    m_strRequired = piece.bytes;
                }
            }
        }
        m_bPlainLiteral = alt.openStart && alt.openEnd && alt.segments.size() == 1 &&
                          alt.segments[0].pieces.size() == 1 && alt.segments[0].tailSkip == 0 &&
                          alt.segments[0].pieces[0].skip == 0;
        m_bAnchoredLiteral = m_bPlainLiteral && (alt.anchoredStart || alt.anchoredEnd);
    }
    return true;
}

bool CGlobProgram::ParseAlternative(std::string_view expr, SAlternative& out) {
    struct SToken {
        EToken kind;
        char byte;
    };
    std::vector<SToken> tokens;
    bool anchoredStart = false;
    bool anchoredEnd = false;
    std::size_t i = 0;
    if (!expr.empty() && expr[0] == '^') {
        anchoredStart = true;
        i = 1;
    }
    while (i < expr.size()) {
        const char c = expr[i];
        if (c == '.') {
            if (i + 1 < expr.size() && expr[i + 1] == '*') {
                tokens.push_back({EToken::Gap, 0});
                i += 2;
            } else {
                tokens.push_back({EToken::Any, 0});
                i += 1;
            }
        } else if (c == '\\') {
            if (i + 1 >= expr.size() || !IsEscapable(expr[i + 1])) {
                return false;
            }
            tokens.push_back({EToken::Literal, expr[i + 1]});
            i += 2;
        } else if (c == '$' && i + 1 == expr.size()) {
            anchoredEnd = true;
            i += 1;
            continue;
        } else if (c == '$' || c == '^' || c == '[' || c == ']' || c == '(' || c == ')' ||
                   c == '|' || c == '*' || c == '+' || c == '?' || c == '{' || c == '}') {
            return false;
        } else {
            tokens.push_back({EToken::Literal, c});
            i += 1;
        }
        if (IsQuantifier(expr, i)) {
            return false;
        }
    }
    out = SAlternative{};
    out.openStart = !anchoredStart || (!tokens.empty() && tokens.front().kind == EToken::Gap);
    out.openEnd = !anchoredEnd || (!tokens.empty() && tokens.back().kind == EToken::Gap);
    out.anchoredStart = anchoredStart;
    out.anchoredEnd = anchoredEnd;
    SSegment current;
    int skip = 0;
    auto close = [&] {
        current.tailSkip = skip;
        skip = 0;
        if (!current.pieces.empty() || current.tailSkip > 0) {
            out.segments.push_back(std::move(current));
        }
        current = SSegment{};
    };
    for (const SToken& t : tokens) {
        switch (t.kind) {
        case EToken::Gap:
            close();
            break;
        case EToken::Any:
            ++skip;
            break;
        case EToken::Literal:
            if (current.pieces.empty() || skip > 0) {
                current.pieces.push_back({skip, std::string(1, t.byte)});
                skip = 0;
            } else {
                current.pieces.back().bytes += t.byte;
            }
            break;
        }
    }
    close();
    return true;
}

bool CGlobProgram::Search(std::string_view text) const {
    if (m_bPlainLiteral && !m_bAnchoredLiteral) {
        return FindBytes(text, m_alternatives[0].segments[0].pieces[0].bytes, 0) != npos;
    }
    // Neither "." nor a literal takes a zero byte, so a match lies between two of them;
    // "^" and "$" still mean the ends of the whole text, even behind a gap.
    const bool zeros = std::memchr(text.data(), '\0', text.size()) != nullptr;
    if (m_bPlainLiteral && !zeros) {
        return FindBytes(text, m_alternatives[0].segments[0].pieces[0].bytes, 0) != npos;
    }
    for (const SAlternative& alt : m_alternatives) {
        if (!zeros) {
            if (SearchAlternative(alt, text)) {
                return true;
            }
            continue;
        }
        for (std::size_t begin = 0; begin <= text.size();) {
            std::size_t end = text.find('\0', begin);
            const bool last = end == npos;
            end = last ? text.size() : end;
            if ((!alt.anchoredStart || begin == 0) && (!alt.anchoredEnd || last) &&
                SearchAlternative(alt, text.substr(begin, end - begin))) {
                return true;
            }
            begin = end + 1;
        }
    }
    return false;
}

bool CGlobProgram::SearchAlternative(const SAlternative& alt, std::string_view text) {
    const std::size_t count = alt.segments.size();
    if (count == 0) {
        return alt.openStart || alt.openEnd || text.empty();
    }
    std::size_t pos = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const SSegment& seg = alt.segments[j];
        if (j + 1 == count && !alt.openEnd) {
            // Anchored at the end: the last segment's place is fixed; every earlier
            // segment was matched as early as it could be.
            const std::size_t start = MatchBackward(seg, text, text.size());
            if (start == npos) {
                return false;
            }
            return (j == 0 && !alt.openStart) ? start == 0 : start >= pos;
        }
        if (j == 0 && !alt.openStart) {
            pos = MatchForward(seg, text, 0);
            if (pos == npos) {
                return false;
            }
            continue;
        }
        auto [start, end] = FindSegment(seg, text, pos);
        if (start == npos) {
            return false;
        }
        pos = end;
    }
    return true;
}

std::size_t CGlobProgram::MatchForward(const SSegment& seg, std::string_view text,
                                       std::size_t pos) {
    for (const SPiece& piece : seg.pieces) {
        for (int k = 0; k < piece.skip; ++k) {
            if (!StepForward(text, pos)) {
                return npos;
            }
        }
        if (text.size() - pos < piece.bytes.size() ||
            text.compare(pos, piece.bytes.size(), piece.bytes) != 0) {
            return npos;
        }
        pos += piece.bytes.size();
    }
    for (int k = 0; k < seg.tailSkip; ++k) {
        if (!StepForward(text, pos)) {
            return npos;
        }
    }
    return pos;
}

std::size_t CGlobProgram::MatchBackward(const SSegment& seg, std::string_view text,
                                        std::size_t end) {
    std::size_t pos = end;
    for (int k = 0; k < seg.tailSkip; ++k) {
        if (!StepBackward(text, pos)) {
            return npos;
        }
    }
    for (auto it = seg.pieces.rbegin(); it != seg.pieces.rend(); ++it) {
        const std::string& bytes = it->bytes;
        if (pos < bytes.size() || text.compare(pos - bytes.size(), bytes.size(), bytes) != 0) {
            return npos;
        }
        pos -= bytes.size();
        for (int k = 0; k < it->skip; ++k) {
            if (!StepBackward(text, pos)) {
                return npos;
            }
        }
    }
    return pos;
}

std::pair<std::size_t, std::size_t>
CGlobProgram::FindSegment(const SSegment& seg, std::string_view text, std::size_t from) {
    if (!seg.pieces.empty() && seg.pieces[0].skip == 0) {
        const std::string& first = seg.pieces[0].bytes;
        for (std::size_t at = FindBytes(text, first, from); at != npos;
             at = FindBytes(text, first, at + 1)) {
            const std::size_t end = MatchForward(seg, text, at);
            if (end != npos) {
                return {at, end};
            }
        }
        return {npos, npos};
    }
    for (std::size_t at = from;;) {
        const std::size_t end = MatchForward(seg, text, at);
        if (end != npos) {
            return {at, end};
        }
        if (at >= text.size()) {
            return {npos, npos};
        }
        at += std::min(Utf8SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
    }
}

} // namespace quillora
