// The wildcard conversion.
#include "search/WildcardExpression.h"

#include <algorithm>

namespace quillora {

namespace {

// Length of the UTF-8 sequence a byte starts (1 for ASCII and for stray bytes).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead < 0xF0 ? 3 : 1;
    }
    return lead >= 0xC0 ? 2 : 1;
}

} // namespace

bool ConvertWildcard(std::string_view pattern, std::string& expression) {
    expression.clear();
    const bool prefixed = pattern.find('*') == std::string_view::npos;
    if (pattern.size() + (prefixed ? 1 : 0) >= kPatternBufferSize) {
        return false;
    }
    // The "*" put in front of a pattern without one is the first character dropped
    // below; a pattern with one loses its own leading "*".
    if (!prefixed && pattern.front() == '*') {
        pattern.remove_prefix(1);
    }
    if (!pattern.empty() && pattern.back() == '*') {
        pattern.remove_suffix(1);
    }
    bool alternative = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const auto c = static_cast<unsigned char>(pattern[i]);
        std::size_t unit = std::min(SequenceLength(c), pattern.size() - i);
        std::string_view piece = pattern.substr(i, unit);
        std::string converted;
        if (unit == 1) {
            switch (c) {
            case '*':
                converted = ".*";
                break;
            case '?':
                converted = ".";
                break;
            case ';':
                converted = "|";
                alternative = true;
                break;
            case '$':
            case '+':
            case '.':
            case '[':
            case ']':
            case '^':
            case '|':
                converted = {'\\', static_cast<char>(c)};
                break;
            default:
                converted = std::string(piece);
                break;
            }
        } else {
            converted = std::string(piece);
        }
        // Room for the two parentheses is checked once the whole expression is known.
        if (expression.size() + converted.size() >= kPatternBufferSize) {
            expression.clear();
            return false;
        }
        expression += converted;
        i += unit;
    }
    if (alternative && expression.size() > 1) {
        if (expression.size() + 2 >= kPatternBufferSize) {
            expression.clear();
            return false;
        }
        expression = "(" + expression + ")";
    }
    return true;
}

} // namespace quillora
