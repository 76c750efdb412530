// One compiled text condition of a find: a wildcard or extended regular expression,
// searched anywhere in a text, optionally ignoring the case of the letters A-Z.
// Exact POSIX semantics (glibc's regcomp/regexec in a UTF-8 locale), but most texts
// never reach regexec: plain literals and globs run on a matcher of their own, and
// other expressions first need the literal every match contains.
#pragma once

#include "search/CGlobProgram.h"
#include "search/TextScan.h"

#include <regex.h>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CFindPattern {
public:
    enum class EError {
        None,
        TooLong,       // a wildcard whose expression does not fit the pattern buffer
        BadExpression, // regcomp refused the expression
        TooComplex,    // stacked repetitions that would take regcomp gigabytes
        BackReference, // \1 to \9, which make regexec's work exponential
        NoUtf8Locale,  // the system has no UTF-8 locale to run expressions in
    };

    CFindPattern() = default;
    ~CFindPattern();
    CFindPattern(const CFindPattern&) = delete;
    CFindPattern& operator=(const CFindPattern&) = delete;

    // Compiles `pattern`; a failure leaves a pattern that matches no text, with the
    // reason in Error() and ErrorText().
    bool Compile(std::string_view pattern, bool wildcard, bool ignoreCase);
    // Frees what Compile made; the pattern then matches no text.
    void Release();

    // Whether the pattern finds a match anywhere in `text`. Safe to call from several
    // threads at once (each then waits for regexec's own lock, so threads that search
    // a lot compile a pattern each).
    bool Search(std::string_view text) const {
        // The commonest pattern, a plain word, is one substring test.
        if (m_kind == EKind::Literal) {
            if (FindBytes(text, m_strLiteral, 0) == std::string_view::npos) {
                return false;
            }
            // Behind "^.*" or before ".*$" a zero byte in the text stops the gap.
            return !m_glob.IsAnchoredLiteral() || m_glob.Search(text);
        }
        if (m_kind == EKind::FoldedLiteral) {
            return FindFoldedBytes(text, m_strLiteral) != std::string_view::npos;
        }
        return SearchOther(text);
    }

    // Whether a text whose CP932 bytes are `stored` may hold a match, before it is
    // decoded: false only when the bytes lack an ASCII literal every match holds. An
    // ASCII byte stands for itself in CP932, and decoding makes ASCII of nothing else.
    bool MayMatchStored(std::string_view stored) const {
        if (m_strStoredFilter.empty()) {
            return true;
        }
        return (m_bFold ? FindFoldedBytes(stored, m_strStoredFilter)
                        : FindBytes(stored, m_strStoredFilter, 0)) != std::string_view::npos;
    }

    bool IsCompiled() const { return m_kind != EKind::None; }
    EError Error() const { return m_error; }
    // The most states an expression may cost (EstimatedRegexSize): a few megabytes.
    static constexpr std::size_t kMaxRegexSize = 20000;

    // regerror's text for a bad expression; empty otherwise.
    const std::string& ErrorText() const { return m_strErrorText; }
    // The expression that was compiled (after the wildcard conversion and folding).
    const std::string& Expression() const { return m_strExpression; }

private:
    // Literal: a plain substring, letter case kept; FoldedLiteral: the same with A-Z
    // folded, not anchored; Glob: any other glob program; Regex: regexec behind the
    // required-literal filter.
    enum class EKind { None, Everything, Literal, FoldedLiteral, Glob, Regex };

    bool SearchOther(std::string_view text) const;
    void ChooseStoredFilter();
    bool RegexSearch(std::string_view text) const;

    EKind m_kind = EKind::None;
    EError m_error = EError::None;
    bool m_bFold = false;
    std::string m_strExpression;
    std::string m_strErrorText;
    CGlobProgram m_glob;
    std::string m_strLiteral;
    // The literals every match holds (RequiredLiterals), tried before regexec.
    std::vector<std::string> m_required;
    // The longest ASCII literal every match holds (A-Z folded when m_bFold); empty when
    // there is none.
    std::string m_strStoredFilter;
    regex_t m_utf8{};
    bool m_bHasUtf8 = false;
    // The same expression compiled in the "C" locale, when it is ASCII: used for ASCII
    // texts, where both answer alike.
    regex_t m_ascii{};
    bool m_bHasAscii = false;
};

} // namespace quillora
