// Folding and the ASCII test, a machine word at a time where the text allows.
#include "search/TextScan.h"

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace quillora {

std::size_t FindBytesShort(std::string_view text, std::string_view needle, std::size_t from) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n || m > n - from) {
        return std::string_view::npos;
    }
    if (m == 0) {
        return from;
    }
    const void* hit = std::memchr(text.data() + from, needle[0], n - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
               : std::string_view::npos;
}

std::size_t FindBytesLong(std::string_view text, std::string_view needle, std::size_t from) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    const char* p = text.data();
    // Candidates are places where the needle's first and last bytes both fit, sixteen
    // places at a time (SSE2 is part of x86-64); only those are compared in full.
    const std::size_t lastStart = n - m;
    const char* rest = needle.data() + 1;
    const std::size_t restLength = m - 2;
    std::size_t i = from;
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[m - 1]);
    // The last step overlaps the one before it so that it ends at the last place:
    // places already tried are masked off, and no byte past the text is read.
    for (;;) {
        const bool lastStep = i + 16 > lastStart + 1;
        unsigned skip = 0;
        if (lastStep) {
            skip = static_cast<unsigned>(i - (lastStart + 1 - 16));
            i = lastStart + 1 - 16;
        }
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + m - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        mask &= ~((1u << skip) - 1);
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (std::memcmp(p + at + 1, rest, restLength) == 0) {
                return at;
            }
            mask &= mask - 1;
        }
        if (lastStep || i + 16 > lastStart) {
            return std::string_view::npos;
        }
        i += 16;
    }
}

void FoldAsciiCase(std::string_view text, std::string& out) {
    const std::size_t n = text.size();
    out.resize(n);
    char* dst = out.data();
    if (n < 16) {
        // Through a block of sixteen: most names are shorter than that.
        alignas(16) char block[16] = {};
        std::memcpy(block, text.data(), n);
        _mm_store_si128(reinterpret_cast<__m128i*>(block),
                        FoldSixteen(_mm_load_si128(reinterpret_cast<const __m128i*>(block))));
        std::memcpy(dst, block, n);
        return;
    }
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), FoldSixteen(v));
    }
    if (i < n) {
        // The last sixteen bytes again, overlapping: folding twice changes nothing.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + n - 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 16), FoldSixteen(v));
    }
}

bool IsAsciiText(std::string_view text) {
    std::size_t i = 0;
    std::uint64_t any = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        any |= word;
    }
    for (; i < text.size(); ++i) {
        any |= static_cast<unsigned char>(text[i]);
    }
    return (any & 0x8080808080808080ULL) == 0;
}

} // namespace quillora
