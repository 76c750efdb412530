// Text layer: every string in memory is UTF-8; this converts to and from the
// byte forms the outside world uses (CP932 in case files and exports, raw bytes
// in Linux file names, UTF-16 in the case file's wide form) without losing bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillora::text {

// Bytes that cannot be decoded (invalid UTF-8 in a Linux name, undecodable CP932)
// are kept as "escapes": byte b becomes the three-byte sequence that UTF-8 would use
// for the lone surrogate U+DC00+b (so 0x80..0xFF -> U+DC80..U+DCFF). Valid UTF-8 can
// never contain such a sequence, so the mapping back to bytes is unambiguous.
// A stray invalid UTF-8 byte in input to these functions counts as the escape of itself
// (Utf8ToCp932 rejects it instead). The CP932 tables are built from glibc's iconv on
// first use; if glibc cannot convert CP932 at all, that first call throws
// std::runtime_error.
// True when pos starts an escape; *byte (if not null) receives the escaped byte.
bool IsEscapedByte(std::string_view utf8, std::size_t pos, unsigned char* byte);

// True when every byte is below 0x80 (the fast path of every conversion here).
bool IsAscii(std::string_view s);

// Strict UTF-8: no overlong forms, surrogates or values above U+10FFFF (so the escapes
// of undecodable bytes do not count as valid). The offset of the first bad byte, or npos.
std::size_t FirstBadUtf8(std::string_view s);
bool IsValidUtf8(std::string_view s);

// `s` without the `blanks` at either end.
std::string_view Trim(std::string_view s, std::string_view blanks = " \t");

// CP932 bytes -> UTF-8. Never fails: undecodable bytes become escapes.
std::string Cp932ToUtf8(std::string_view cp932);
// The same into `out` (replacing what it held; `cp932` must not lie in it), for loops
// that reuse one buffer.
void Cp932ToUtf8(std::string_view cp932, std::string& out);

// UTF-8 -> CP932. Returns false when the text cannot be stored as CP932 so that
// Cp932ToUtf8(out) gives the same text back (a character CP932 lacks, or an escaped
// byte that would combine differently with its neighbours); `out` is then unspecified.
bool Utf8ToCp932(std::string_view utf8, std::string& out);

// UTF-8 -> CP932 for exports that have no wide form: characters CP932 lacks become
// '?', escaped bytes are written as the raw byte.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// UTF-8 -> CP932 appended to `out`, for exports that count what they cannot write:
// escaped bytes are written as the raw byte, and each character CP932 lacks is handed to
// `replace` (with its code point), which appends what stands in for it. Returns the number
// of characters replaced.
using MissingCharWriter = void (*)(char32_t cp, std::string& out);
std::size_t AppendCp932(std::string_view utf8, std::string& out, MissingCharWriter replace);

// The UTF-8 bytes of code point `cp` appended to `out` (no check that it is one).
void AppendUtf8(std::string& out, char32_t cp);

// UTF-8 <-> UTF-16 (as std::u16string of code units). Escapes map to lone surrogates
// U+DC80..U+DCFF and back; invalid UTF-16 (other lone surrogates) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Linux file-name bytes -> UTF-8 (each byte of an invalid sequence becomes an escape)
// and back. Utf8ToOsBytes(OsBytesToUtf8(b)) == b for any bytes b. The other way round
// holds for text OsBytesToUtf8 produced; escapes typed next to each other so that their
// bytes form valid UTF-8 (escaped C3 A9) come back as that character ("é").
std::string OsBytesToUtf8(std::string_view bytes);
std::string Utf8ToOsBytes(std::string_view utf8);

// Width of the text in CP932 bytes: 1 for ASCII, half-width katakana and escaped
// bytes, 2 for every other character.
std::size_t Cp932Width(std::string_view utf8);

// Width of the one character starting at utf8[pos] and its length in UTF-8 bytes.
std::size_t CharCp932Width(std::string_view utf8, std::size_t pos, std::size_t* utf8Len);

// The longest prefix whose CP932 width is at most maxWidth, never splitting a
// character. *cut is set to whether anything was dropped.
std::string TruncateCp932Width(std::string_view utf8, std::size_t maxWidth, bool* cut = nullptr);

// Line breaks: case files keep CR LF, the program's editors show LF. ToCrLf turns
// every line break (LF, CR LF or a lone CR) into CR LF; ToLf turns them into LF.
std::string ToCrLf(std::string_view text);
std::string ToLf(std::string_view text);

// ASCII-only case folding (other bytes unchanged), as the catalogue's
// case-insensitive comparisons need. CompareNoCase compares the bytes folded to lower
// case as unsigned values (a shorter prefix sorts first) and returns <0, 0 or >0.
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Whether two short texts are equal, compared eight bytes a step in line, without a
// call (for the texts a reader compares per line: a label, a folder path, a date).
inline bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const char* p = a.data();
    const char* q = b.data();
    std::size_t n = a.size();
    auto word = [](const char* at) {
        std::uint64_t w;
        __builtin_memcpy(&w, at, 8);
        return w;
    };
    if (n < 8) {
        for (; n > 0; ++p, ++q, --n) {
            if (*p != *q) {
                return false;
            }
        }
        return true;
    }
    for (; n > 8; p += 8, q += 8, n -= 8) {
        if (word(p) != word(q)) {
            return false;
        }
    }
    // The last eight bytes, overlapping those already compared.
    return word(p + n - 8) == word(q + n - 8);
}

} // namespace quillora::text
