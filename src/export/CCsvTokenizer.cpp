// The tokenizer: plain and quoted fields found sixteen bytes a step, lines counted as
// they pass, fields copied only when they hold doubled quotes.
#include "export/CCsvTokenizer.h"

#include "export/CCsvImporter.h"
#include "export/CImportError.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillora {

namespace {

// The first byte at or after `pos` that is one of a, b, c and NUL; `size` when there is
// none. Sets `high` when a byte before it is not ASCII. Sixteen bytes a step where the
// processor has SSE2 (every x86-64 does).
[[gnu::always_inline]] inline std::size_t
FindAnyOf(const char* text, std::size_t pos, std::size_t size, char a, char b, char c, bool& high) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    const __m128i nul = _mm_setzero_si128();
    while (pos + 16 <= size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, nul)));
        const auto highBits = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0) {
            const auto at = static_cast<unsigned>(__builtin_ctz(mask));
            high = high || (highBits & ((1u << at) - 1)) != 0;
            return pos + at;
        }
        high = high || highBits != 0;
        pos += 16;
    }
#endif
    for (; pos < size; ++pos) {
        const char x = text[pos];
        if (x == a || x == b || x == c || x == '\0') {
            return pos;
        }
        high = high || static_cast<unsigned char>(x) >= 0x80;
    }
    return size;
}

} // namespace

// The steps of Next, inlined into it: they run for every field of every line.
[[gnu::always_inline]] inline bool CCsvTokenizer::AtSeparator() const {
    if (m_sep.size() == 1) {
        return m_pos < m_text.size() && m_text[m_pos] == m_sep[0];
    }
    return !m_sep.empty() && m_text.compare(m_pos, m_sep.size(), m_sep) == 0;
}

[[gnu::always_inline]] inline bool CCsvTokenizer::AtLineEnd() const {
    return m_pos >= m_text.size() || m_text[m_pos] == '\n' || m_text[m_pos] == '\r';
}

[[gnu::always_inline]] inline void CCsvTokenizer::EndLine(std::uint64_t startLine) {
    if (m_pos >= m_text.size()) {
        return;
    }
    if (m_text[m_pos] == '\r') {
        ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n') {
            ++m_pos;
        }
    } else if (m_text[m_pos] == '\n') {
        ++m_pos;
    } else {
        throw CImportError(startLine, EImportProblem::QuoteNotClosed,
                           "the line does not end after its last field");
    }
    ++m_nLine;
}

[[gnu::always_inline]] inline void CCsvTokenizer::CheckLength(std::size_t length, std::size_t more,
                                                              std::uint64_t startLine) {
    if (length + more > CCsvImporter::kMaxField) {
        throw CImportError(startLine, EImportProblem::FieldTooLong, "a field is longer than 1 MiB");
    }
}

[[gnu::always_inline]] inline SField CCsvTokenizer::ReadPlain(std::uint64_t startLine) {
    const char* const text = m_text.data();
    const std::size_t size = m_text.size();
    const std::size_t start = m_pos;
    std::size_t pos = start;
    bool high = false;
    if (m_sep.size() <= 1) {
        pos = FindAnyOf(text, pos, size, m_sep.empty() ? '\n' : m_sep[0], '\n', '\r', high);
    } else {
        const char sep0 = m_sep.empty() ? '\n' : m_sep[0];
        while (pos < size) {
            const char c = text[pos];
            if (c == '\n' || c == '\r' || c == '\0') {
                break;
            }
            if (c == sep0) {
                m_pos = pos;
                if (AtSeparator()) {
                    break;
                }
            }
            high = high || static_cast<unsigned char>(c) >= 0x80;
            ++pos;
        }
    }
    m_pos = pos;
    if (pos < size && text[pos] == '\0') {
        CImportError::Binary(m_nLine);
    }
    CheckLength(0, pos - start, startLine);
    return SField{m_text.substr(start, pos - start), !high};
}

[[gnu::always_inline]] inline SField CCsvTokenizer::ReadQuoted(std::size_t index,
                                                               std::uint64_t startLine) {
    const char* const text = m_text.data();
    const std::size_t size = m_text.size();
    ++m_pos; // the opening quote
    const std::size_t first = m_pos;
    // Until a doubled quote turns up, the field is text[first, m_pos); after that
    // it is built in `copy`.
    std::string* copy = nullptr;
    std::size_t length = 0;
    bool high = false;
    for (;;) {
        const std::size_t start = m_pos;
        std::size_t pos = start;
        std::uint64_t lines = 0;
        for (;;) {
            pos = FindAnyOf(text, pos, size, '"', '\n', '\r', high);
            if (pos >= size || text[pos] == '"') {
                break;
            }
            if (text[pos] == '\0') {
                CImportError::Binary(m_nLine + lines);
            }
            if (text[pos] == '\n' || pos + 1 >= size || text[pos + 1] != '\n') {
                ++lines;
            }
            ++pos;
        }
        m_nLine += lines;
        m_pos = pos;
        CheckLength(length, pos - start, startLine);
        length += pos - start;
        if (copy) {
            copy->append(text + start, pos - start);
        }
        if (m_pos >= size) {
            throw CImportError(startLine, EImportProblem::QuoteNotClosed,
                               "a quoted field is not closed");
        }
        // At a quote: a doubled one stands for itself; one followed by the separator
        // or the line end closes the field; any other is part of the text.
        if (m_pos + 1 < size && text[m_pos + 1] == '"') {
            CheckLength(length, 1, startLine);
            ++length;
            if (!copy) {
                copy = &Copy(index);
                copy->assign(text + first, m_pos - first);
            }
            copy->push_back('"');
            m_pos += 2;
            continue;
        }
        ++m_pos;
        if (AtLineEnd() || AtSeparator()) {
            return SField{copy ? std::string_view(*copy) : m_text.substr(first, m_pos - 1 - first),
                          !high};
        }
        CheckLength(length, 1, startLine);
        ++length;
        if (copy) {
            copy->push_back('"');
        }
    }
}

std::string& CCsvTokenizer::Copy(std::size_t index) {
    while (m_copies.size() <= index) {
        m_copies.emplace_back();
    }
    return m_copies[index];
}

std::size_t CCsvTokenizer::Next(std::vector<SField>& fields) {
    const std::uint64_t startLine = m_nLine;
    std::size_t count = 0;
    for (;;) {
        if (count == fields.size()) {
            fields.emplace_back();
        }
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            fields[count] = ReadQuoted(count, startLine);
        } else {
            fields[count] = ReadPlain(startLine);
        }
        ++count;
        if (AtSeparator()) {
            m_pos += m_sep.size();
            continue;
        }
        EndLine(startLine);
        return count;
    }
}

} // namespace quillora
