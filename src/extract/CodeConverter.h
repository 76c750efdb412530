// The Japanese code converter: text in JIS (ISO-2022-JP), EUC-JP, Shift_JIS, UTF-8 or
// UTF-16 (with a byte-order mark) to our UTF-8, with the encoding detected per text.
#pragma once

#include <string>
#include <string_view>

namespace quillora {

enum class ETextCode {
    Ascii,    // only bytes below 0x80 and no escape sequence
    Jis,      // ISO-2022-JP: escape sequences switch between ASCII, kanji and kana
    EucJp,    // EUC-JP
    ShiftJis, // Shift_JIS as Windows writes it (CP932)
    Utf8,     // UTF-8, with or without its byte-order mark
    Utf16LE,  // UTF-16 that starts with FF FE, or whose zero bytes say little-endian
    Utf16BE,  // UTF-16 that starts with FE FF, or whose zero bytes say big-endian
};

class CCodeConverter {
public:
    // The encoding of `bytes`. Rules, in order: a byte-order mark decides; zero bytes
    // in half of the 16-bit units, all on one side, mean UTF-16 of that byte
    // order; an ISO-2022 escape (ESC $ @, ESC $ B, ESC ( I, ESC ( J...) means JIS; only
    // ASCII bytes mean ASCII; valid UTF-8 means UTF-8; then Shift_JIS, unless
    // `allowEuc` is set and the text reads as EUC-JP only, or reads as both and EUC-JP
    // gives it more kana and kanji (Shift_JIS would read most EUC-JP text as half-width
    // katakana), or (with `allowEuc`) neither decodes it and nine 16-bit units in ten of
    // one byte order are characters of a Japanese text (UTF-16 without a mark).
    static ETextCode Detect(std::string_view bytes, bool allowEuc);

    // The text in UTF-8, detected as above. Bytes that do not decode are kept as the
    // text layer's escapes (Cp932ToUtf8); a byte-order mark is dropped.
    static std::string ToUtf8(std::string_view bytes, bool allowEuc);

    // The text in UTF-8, read as `code`.
    static std::string Convert(std::string_view bytes, ETextCode code);

    // JIS and EUC-JP rewritten as Shift_JIS bytes (the arithmetic mapping of JIS X
    // 0208 rows and cells; half-width katakana as single bytes). Characters of JIS X
    // 0212, which Shift_JIS lacks, become the geta mark (81 AC).
    static std::string JisToShiftJis(std::string_view jis);
    static std::string EucToShiftJis(std::string_view euc);

    // Bytes in a Windows code page as stored in document properties: 932 (and 0 or
    // unknown pages read as 932), 65001 UTF-8, 1200 UTF-16LE, 1201 UTF-16BE, others
    // through glibc's "CP<n>" converters; trailing NULs are dropped.
    static std::string FromCodePage(std::string_view bytes, int codePage);

    // UTF-16 code units in bytes (little- or big-endian) to UTF-8; an odd last byte
    // is dropped.
    static std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
};

} // namespace quillora
