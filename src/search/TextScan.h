// Byte-level helpers of the matchers: UTF-8 sequence lengths, substring search,
// folding of the letters A-Z and an ASCII test, written for short texts.
#pragma once

#include <cstddef>
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

// Position of `needle` in `text` at or after `from`, or npos. An empty needle is
// found at `from`. Tuned for names: texts of a few dozen bytes, searched millions of
// times, where a library memmem spends most of its time getting ready.
inline std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n || m > n - from || m < 2) {
        return FindBytesShort(text, needle, from);
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

// Whether every byte is below 0x80.
bool IsAsciiText(std::string_view text);

} // namespace quillora
