// Byte-level helpers of the matchers: UTF-8 sequence lengths, substring search,
// folding of the letters A-Z and an ASCII test, written for short texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <string>
#include <string_view>

namespace quillora {

// Bytes of the UTF-8 sequence a byte starts: 2-4 for lead bytes, else 1.
inline std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0xC0) {
        return 1;
    }
    if (lead < 0xE0) {
        return 2;
    }
    if (lead < 0xF0) {
        return 3;
    }
    return lead < 0xF8 ? 4 : 1;
}

// FindBytes for texts too short for sixteen places at a time.
std::size_t FindBytesShort(std::string_view text, std::string_view needle, std::size_t from);
std::size_t FindBytesLong(std::string_view text, std::string_view needle, std::size_t from);

// Copies n <= 32 bytes with a few overlapping fixed-size moves: a library memcpy of a
// variable length costs more than the search of a name itself.
inline void CopyUpTo32(char* dst, const char* src, std::size_t n) {
    if (n >= 16) {
        std::memcpy(dst, src, 16);
        std::memcpy(dst + n - 16, src + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + n - 8, src + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(dst, src, 4);
        std::memcpy(dst + n - 4, src + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            dst[i] = src[i];
        }
    }
}

// Sixteen places as bits: where the needle's first byte is in `a` (the text's bytes
// from the first of them on) and its last byte in `b` (from that place's last needle
// byte on).
inline unsigned CandidatePlaces(__m128i a, __m128i b, std::string_view needle) {
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(a, _mm_set1_epi8(needle[0])),
                      _mm_cmpeq_epi8(b, _mm_set1_epi8(needle[needle.size() - 1])))));
}

// Sixteen bytes read near the text's end may run past it. Where they stay inside the
// memory page of its last byte they cannot fault, and the bits for those bytes are
// dropped, so the text is read in place; the address checker cannot know that.
__attribute__((no_sanitize("address"))) inline __m128i Load16InPage(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// FindBytes for texts of up to 32 bytes (most names): every place tried in at most two
// steps.
inline std::size_t FindBytesUpTo32(std::string_view text, std::string_view needle,
                                   std::size_t from) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    const std::size_t places = n - from - m + 1; // 1 to 31
    const char* p = text.data();
    // The reads reach at most 31 bytes past the text's last byte; where that would
    // leave its page, they read a padded copy. Loading from the stores just made costs
    // a stall, which is why the text is read in place when it can be.
    const char* base = p + from;
    alignas(16) char buffer[64];
    if ((reinterpret_cast<std::uintptr_t>(p + n - 1) & 4095) > 4096 - 33) {
        std::memset(buffer, 0, sizeof buffer);
        CopyUpTo32(buffer, p, n);
        base = buffer + from;
    }
    std::uint32_t mask = CandidatePlaces(Load16InPage(base), Load16InPage(base + m - 1), needle);
    if (places > 16) {
        mask |= CandidatePlaces(Load16InPage(base + 16), Load16InPage(base + m + 15), needle) << 16;
    }
    mask &= static_cast<std::uint32_t>((std::uint64_t{1} << places) - 1);
    while (mask != 0) {
        const std::size_t at = from + static_cast<std::size_t>(__builtin_ctz(mask));
        if (std::memcmp(p + at + 1, needle.data() + 1, m - 2) == 0) {
            return at;
        }
        mask &= mask - 1;
    }
    return std::string_view::npos;
}

// Position of `needle` in `text` at or after `from`, or npos. An empty needle is
// found at `from`. Tuned for names: texts of a few dozen bytes, searched millions of
// times, where a library memmem spends most of its time getting ready.
inline std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n || m > n - from || m < 2) {
        return FindBytesShort(text, needle, from);
    }
    if (n <= 32) {
        return FindBytesUpTo32(text, needle, from);
    }
    if (n - from - m + 1 >= 16) {
        return FindBytesLong(text, needle, from);
    }
    // A name: compare the first and last bytes at each place, the rest only there.
    const char* p = text.data();
    const char first = needle[0];
    const char last = needle[m - 1];
    for (std::size_t i = from, end = n - m; i <= end; ++i) {
        if (p[i] == first && p[i + m - 1] == last &&
            std::char_traits<char>::compare(p + i + 1, needle.data() + 1, m - 2) == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The text with A-Z turned into a-z, byte by byte (UTF-8 sequences never hold those
// bytes, so other letters stay as they are), into `out`.
void FoldAsciiCase(std::string_view text, std::string& out);

// Sixteen bytes folded at once: bytes in A-Z (compared as signed after a shift that
// puts 'A' at -128) get 0x20 added.
inline __m128i FoldSixteen(__m128i v) {
    const __m128i shift = _mm_set1_epi8(static_cast<char>(-128 - 'A'));
    const __m128i limit = _mm_set1_epi8(static_cast<char>(-128 + 26));
    const __m128i bit = _mm_set1_epi8(0x20);
    const __m128i capital = _mm_cmplt_epi8(_mm_add_epi8(v, shift), limit);
    return _mm_add_epi8(v, _mm_and_si128(capital, bit));
}

// Position of `folded` (A-Z folded already) in `text` folded as FoldAsciiCase folds it,
// or npos. A name is folded in registers as it is searched, not copied first.
inline std::size_t FindFoldedBytes(std::string_view text, std::string_view folded) {
    const std::size_t n = text.size();
    const std::size_t m = folded.size();
    if (m < 2 || m > n || n > 32) {
        thread_local std::string copy;
        FoldAsciiCase(text, copy);
        return FindBytes(copy, folded, 0);
    }
    const std::size_t places = n - m + 1; // 1 to 31
    const char* base = text.data();
    alignas(16) char buffer[64];
    // As FindBytesUpTo32: read in place unless that would leave the last byte's page.
    if ((reinterpret_cast<std::uintptr_t>(base + n - 1) & 4095) > 4096 - 33) {
        std::memset(buffer, 0, sizeof buffer);
        CopyUpTo32(buffer, base, n);
        base = buffer;
    }
    auto places16 = [&](const char* at) {
        return CandidatePlaces(FoldSixteen(Load16InPage(at)), FoldSixteen(Load16InPage(at + m - 1)),
                               folded);
    };
    std::uint32_t mask = places16(base);
    if (places > 16) {
        mask |= places16(base + 16) << 16;
    }
    mask &= static_cast<std::uint32_t>((std::uint64_t{1} << places) - 1);
    for (; mask != 0; mask &= mask - 1) {
        const std::size_t at = static_cast<std::size_t>(__builtin_ctz(mask));
        std::size_t i = 1;
        while (i + 1 < m) {
            const auto c = static_cast<unsigned char>(base[at + i]);
            if (static_cast<char>(static_cast<unsigned>(c - 'A') < 26u ? c | 0x20 : c) !=
                folded[i]) {
                break;
            }
            ++i;
        }
        if (i + 1 >= m) {
            return at;
        }
    }
    return std::string_view::npos;
}

// Whether every byte is below 0x80.
bool IsAsciiText(std::string_view text);

} // namespace quillora
