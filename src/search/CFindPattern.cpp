// Compiling and searching one text condition.
#include "search/CFindPattern.h"

#include "search/CRegexLocale.h"
#include "search/ExpressionAnalysis.h"
#include "search/WildcardExpression.h"

namespace quillora {

CFindPattern::~CFindPattern() {
    Release();
}

void CFindPattern::Release() {
    if (m_bHasUtf8) {
        regfree(&m_utf8);
        m_bHasUtf8 = false;
    }
    if (m_bHasAscii) {
        regfree(&m_ascii);
        m_bHasAscii = false;
    }
    m_kind = EKind::None;
    m_glob = CGlobProgram();
    m_strLiteral.clear();
    m_required.clear();
    m_strStoredFilter.clear();
}

bool CFindPattern::Compile(std::string_view pattern, bool wildcard, bool ignoreCase) {
    Release();
    m_error = EError::None;
    m_strErrorText.clear();
    m_strExpression.clear();
    m_bFold = ignoreCase;
    std::string expression;
    if (wildcard) {
        if (!ConvertWildcard(pattern, expression)) {
            m_error = EError::TooLong;
            return false;
        }
    } else {
        expression = std::string(pattern);
    }
    // Ignoring case folds A-Z only, in the texts and the expression alike; REG_ICASE
    // would fold every letter the locale knows.
    m_strExpression = ignoreCase ? FoldExpressionCase(expression) : expression;
    if (m_strExpression.empty()) {
        m_kind = EKind::Everything;
        return true;
    }
    // Refused before the glob matcher could take "\1" for a plain "1".
    if (HasBackReference(m_strExpression)) {
        m_error = EError::BackReference;
        return false;
    }
    if (m_glob.Build(m_strExpression)) {
        if (m_glob.IsPlainLiteral() && !m_bFold) {
            m_strLiteral = m_glob.RequiredLiteral();
            m_kind = EKind::Literal;
        } else if (m_glob.IsPlainLiteral() && !m_glob.IsAnchoredLiteral()) {
            m_strLiteral = m_glob.RequiredLiteral();
            m_kind = EKind::FoldedLiteral;
        } else {
            m_kind = EKind::Glob;
        }
        ChooseStoredFilter();
        return true;
    }
    if (EstimatedRegexSize(m_strExpression, kMaxRegexSize) > kMaxRegexSize) {
        m_error = EError::TooComplex;
        return false;
    }
    locale_t utf8 = CRegexLocale::Utf8();
    if (!utf8) {
        m_error = EError::NoUtf8Locale;
        return false;
    }
    {
        CRegexLocale::CUse use(utf8);
        const int rc = regcomp(&m_utf8, m_strExpression.c_str(), REG_EXTENDED | REG_NOSUB);
        if (rc != 0) {
            char buffer[256];
            regerror(rc, &m_utf8, buffer, sizeof buffer);
            m_strErrorText = buffer;
            m_error = EError::BadExpression;
            return false;
        }
        m_bHasUtf8 = true;
    }
    if (IsAsciiText(m_strExpression)) {
        CRegexLocale::CUse use(CRegexLocale::Classic());
        m_bHasAscii = regcomp(&m_ascii, m_strExpression.c_str(), REG_EXTENDED | REG_NOSUB) == 0;
    }
    m_required = RequiredLiterals(m_strExpression);
    m_kind = EKind::Regex;
    ChooseStoredFilter();
    return true;
}

void CFindPattern::ChooseStoredFilter() {
    m_strStoredFilter.clear();
    if (m_kind == EKind::Glob) {
        m_strStoredFilter = m_glob.RequiredLiteral();
    } else if (m_kind == EKind::Literal || m_kind == EKind::FoldedLiteral) {
        m_strStoredFilter = m_strLiteral;
    } else if (m_kind == EKind::Regex) {
        // Longest first: the first ASCII one rejects most.
        for (const std::string& literal : m_required) {
            if (IsAsciiText(literal)) {
                m_strStoredFilter = literal;
                break;
            }
        }
    }
    if (!IsAsciiText(m_strStoredFilter)) {
        m_strStoredFilter.clear();
    }
}

bool CFindPattern::SearchOther(std::string_view text) const {
    switch (m_kind) {
    case EKind::None:
        return false;
    case EKind::Everything:
        return true;
    default:
        break;
    }
    if (m_bFold) {
        thread_local std::string folded;
        FoldAsciiCase(text, folded);
        text = folded;
    }
    if (m_kind == EKind::Glob) {
        return m_glob.Search(text);
    }
    return RegexSearch(text);
}

bool CFindPattern::RegexSearch(std::string_view text) const {
    for (const std::string& literal : m_required) {
        if (FindBytes(text, literal, 0) == std::string_view::npos) {
            return false;
        }
    }
    // REG_STARTEND: the whole text counts, zero bytes included, and it needs no
    // terminating zero.
    regmatch_t range[1];
    range[0].rm_so = 0;
    range[0].rm_eo = static_cast<regoff_t>(text.size());
    if (m_bHasAscii && IsAsciiText(text)) {
        CRegexLocale::CUse use(CRegexLocale::Classic());
        return regexec(&m_ascii, text.data(), 1, range, REG_STARTEND) == 0;
    }
    CRegexLocale::CUse use(CRegexLocale::Utf8());
    return regexec(&m_utf8, text.data(), 1, range, REG_STARTEND) == 0;
}

} // namespace quillora
