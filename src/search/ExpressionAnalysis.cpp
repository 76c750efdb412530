// Case folding of expressions and their required literals.
#include "search/ExpressionAnalysis.h"

#include "search/TextScan.h"

#include <algorithm>

namespace quillora {

namespace {

bool IsCapital(unsigned c) {
    return c >= 'A' && c <= 'Z';
}

char Small(char c) {
    return IsCapital(static_cast<unsigned char>(c)) ? static_cast<char>(c + 32) : c;
}

// One character of the expression at `i` (a whole UTF-8 sequence).
std::string_view CharAt(std::string_view expr, std::size_t i) {
    std::size_t len =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(expr[i])), expr.size() - i);
    return expr.substr(i, len);
}

// The end of the "[:name:]", "[=x=]" or "[.x.]" element starting at `i`, or npos.
std::size_t BracketElementEnd(std::string_view expr, std::size_t i) {
    if (i + 1 >= expr.size() || expr[i] != '[') {
        return std::string_view::npos;
    }
    const char kind = expr[i + 1];
    if (kind != ':' && kind != '=' && kind != '.') {
        return std::string_view::npos;
    }
    const char close[] = {kind, ']', '\0'};
    std::size_t end = expr.find(close, i + 2);
    return end == std::string_view::npos ? end : end + 2;
}

// The end of the bracket expression opening at `i` (one past its "]"), or the end
// of the expression when it is not closed (regcomp refuses that anyway).
std::size_t BracketEnd(std::string_view expr, std::size_t i) {
    std::size_t j = i + 1;
    if (j < expr.size() && expr[j] == '^') {
        ++j;
    }
    if (j < expr.size() && expr[j] == ']') {
        ++j;
    }
    while (j < expr.size() && expr[j] != ']') {
        std::size_t element = BracketElementEnd(expr, j);
        j = element != std::string_view::npos ? element : j + 1;
    }
    return std::min(j + 1, expr.size());
}

// Folds one bracket expression from `i`; appends to `out`, returns its end. Range
// ends fold like any character, so "[B-y]" becomes "[b-y]", as a translated pattern
// reads; the classes "upper" and "lower" become "alpha", as with REG_ICASE.
std::size_t FoldBracket(std::string_view expr, std::size_t i, std::string& out) {
    const std::size_t end = BracketEnd(expr, i);
    for (std::size_t j = i; j < end;) {
        std::size_t element = j > i ? BracketElementEnd(expr, j) : std::string_view::npos;
        if (element != std::string_view::npos && expr[j + 1] == ':') {
            std::string_view name = expr.substr(j, element - j);
            out += (name == "[:upper:]" || name == "[:lower:]") ? "[:alpha:]" : name;
            j = element;
            continue;
        }
        out += Small(expr[j]);
        ++j;
    }
    return end;
}

// Escapes that keep their letter: classes and word boundaries.
bool IsNamedEscape(char c) {
    return c == 'w' || c == 'W' || c == 's' || c == 'S' || c == 'b' || c == 'B';
}

// The end of the group opening at `i` (one past its ")"), or the expression's end.
std::size_t GroupEnd(std::string_view expr, std::size_t i) {
    int depth = 0;
    std::size_t j = i;
    while (j < expr.size()) {
        const char c = expr[j];
        if (c == '\\') {
            j += 2;
            continue;
        }
        if (c == '[') {
            j = BracketEnd(expr, j);
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return j + 1;
        }
        ++j;
    }
    return expr.size();
}

// Past a quantifier at `i` ("*", "+", "?" or an interval), or `i` itself.
std::size_t SkipQuantifier(std::string_view expr, std::size_t i) {
    while (i < expr.size()) {
        const char c = expr[i];
        if (c == '*' || c == '+' || c == '?') {
            ++i;
        } else if (c == '{') {
            std::size_t close = expr.find('}', i);
            i = close == std::string_view::npos ? expr.size() : close + 1;
        } else {
            break;
        }
    }
    return i;
}

bool IsLiteralEscape(char c) {
    return std::string_view("$+.[]^|*?(){}\\").find(c) != std::string_view::npos;
}

} // namespace

std::string FoldExpressionCase(std::string_view expr) {
    std::string out;
    out.reserve(expr.size() + 8);
    for (std::size_t i = 0; i < expr.size();) {
        const char c = expr[i];
        if (c == '\\' && i + 1 < expr.size()) {
            const char next = expr[i + 1];
            out += '\\';
            out += IsNamedEscape(next) ? next : Small(next);
            i += 2;
        } else if (c == '[') {
            i = FoldBracket(expr, i, out);
        } else {
            out += Small(c);
            ++i;
        }
    }
    return out;
}

std::vector<std::string> RequiredLiterals(std::string_view expr) {
    std::vector<std::string> runs;
    std::string run;
    auto flush = [&] {
        if (!run.empty() && std::find(runs.begin(), runs.end(), run) == runs.end()) {
            runs.push_back(run);
        }
        run.clear();
    };
    for (std::size_t i = 0; i < expr.size();) {
        const char c = expr[i];
        std::string_view piece;
        std::size_t next = i + 1;
        if (c == '|') {
            return {};
        } else if (c == '(') {
            flush();
            i = SkipQuantifier(expr, GroupEnd(expr, i));
            continue;
        } else if (c == '[') {
            flush();
            i = SkipQuantifier(expr, BracketEnd(expr, i));
            continue;
        } else if (c == '\\') {
            if (i + 1 >= expr.size()) {
                break;
            }
            const char e = expr[i + 1];
            next = i + 2;
            if (IsLiteralEscape(e) ||
                (!IsNamedEscape(e) && !(e >= '0' && e <= '9') &&
                 std::string_view("<>`'").find(e) == std::string_view::npos)) {
                // An escaped character stands for itself, a multi-byte one whole.
                piece = CharAt(expr, i + 1);
                next = i + 1 + piece.size();
            } else {
                flush();
                i = SkipQuantifier(expr, next);
                continue;
            }
        } else if (std::string_view(".^$*+?{}]").find(c) != std::string_view::npos) {
            flush();
            i = SkipQuantifier(expr, next);
            continue;
        } else {
            piece = CharAt(expr, i);
            next = i + piece.size();
        }
        if (const std::size_t after = SkipQuantifier(expr, next); after != next) {
            // Quantified: required only when every quantifier is "+" ("a+*" may match
            // nothing), and then it ends the run.
            const bool required =
                expr.substr(next, after - next).find_first_not_of('+') == std::string_view::npos;
            if (required) {
                run += piece;
            }
            flush();
            i = after;
            continue;
        }
        run += piece;
        i = next;
    }
    flush();
    // Longest first: the rarest is tried first; equal lengths keep their order.
    std::stable_sort(runs.begin(), runs.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
    return runs;
}

std::string RequiredLiteral(std::string_view expr) {
    std::vector<std::string> runs = RequiredLiterals(expr);
    return runs.empty() ? std::string() : runs.front();
}

namespace {

class CSizeEstimate {
public:
    CSizeEstimate(std::string_view expr, std::size_t limit) : m_expr(expr), m_limit(limit) {}

    // The whole expression; a stray ")" (which regcomp refuses) is stepped over.
    std::size_t Whole() {
        std::size_t total = Alternation();
        while (m_pos < m_expr.size()) {
            ++m_pos;
            total = Add(total, Alternation());
        }
        return total;
    }

private:
    // An alternation up to a ")" at this depth or the end: the sum of its branches.
    std::size_t Alternation() {
        std::size_t total = Sequence();
        while (m_pos < m_expr.size() && m_expr[m_pos] == '|') {
            ++m_pos;
            total = Add(total, Sequence());
        }
        return total;
    }

    std::size_t Add(std::size_t a, std::size_t b) const { return std::min(a + b, m_limit + 1); }
    std::size_t Multiply(std::size_t a, std::size_t b) const {
        return b != 0 && a > (m_limit + 1) / b ? m_limit + 1 : std::min(a * b, m_limit + 1);
    }

    std::size_t Sequence() {
        std::size_t total = 0;
        while (m_pos < m_expr.size() && m_expr[m_pos] != '|' && m_expr[m_pos] != ')') {
            total = Add(total, Quantified(Atom()));
        }
        return total;
    }

    std::size_t Atom() {
        const char c = m_expr[m_pos];
        if (c == '(') {
            ++m_pos;
            const std::size_t inner = Alternation();
            if (m_pos < m_expr.size()) {
                ++m_pos; // ")"
            }
            return Add(inner, 2);
        }
        if (c == '[') {
            m_pos = BracketEnd(m_expr, m_pos);
        } else if (c == '\\') {
            m_pos = std::min(m_pos + 2, m_expr.size());
        } else {
            m_pos += CharAt(m_expr, m_pos).size();
        }
        return 1;
    }

    // Each quantifier copies what it applies to: "+" twice, "{m,n}" n (or m + 1) times.
    std::size_t Quantified(std::size_t size) {
        while (m_pos < m_expr.size()) {
            const char c = m_expr[m_pos];
            if (c == '*' || c == '?') {
                size = Add(size, 1);
                ++m_pos;
            } else if (c == '+') {
                size = Add(Multiply(size, 2), 1);
                ++m_pos;
            } else if (c == '{') {
                const std::size_t close = m_expr.find('}', m_pos);
                if (close == std::string_view::npos) {
                    break;
                }
                std::size_t low = 0;
                std::size_t high = 0;
                bool comma = false;
                for (std::size_t i = m_pos + 1; i < close; ++i) {
                    const char d = m_expr[i];
                    if (d == ',') {
                        comma = true;
                    } else if (d >= '0' && d <= '9') {
                        std::size_t& n = comma ? high : low;
                        n = std::min<std::size_t>(n * 10 + static_cast<std::size_t>(d - '0'),
                                                  100000);
                    }
                }
                const std::size_t copies = comma ? (high != 0 ? high : low + 1) : low;
                size = Add(Multiply(size, std::max<std::size_t>(copies, 1)), 1);
                m_pos = close + 1;
            } else {
                break;
            }
        }
        return size;
    }

    std::string_view m_expr;
    std::size_t m_limit;
    std::size_t m_pos = 0;
};

} // namespace

bool HasBackReference(std::string_view expr) {
    for (std::size_t i = 0; i < expr.size();) {
        if (expr[i] == '[') {
            i = BracketEnd(expr, i);
            continue;
        }
        if (expr[i] == '\\') {
            if (i + 1 < expr.size() && expr[i + 1] >= '1' && expr[i + 1] <= '9') {
                return true;
            }
            i += 2;
            continue;
        }
        ++i;
    }
    return false;
}

std::size_t EstimatedRegexSize(std::string_view expression, std::size_t limit) {
    return CSizeEstimate(expression, limit).Whole();
}

} // namespace quillora
