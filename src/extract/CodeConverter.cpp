// Detection and conversion of Japanese text encodings into UTF-8.
#include "extract/CodeConverter.h"

#include "core/Text.h"

#include <iconv.h>

#include <cstdint>
#include <string>

namespace quillora {

namespace {

constexpr unsigned char kEsc = 0x1B;

bool HasUtf8Bom(std::string_view b) {
    return b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xEF &&
           static_cast<unsigned char>(b[1]) == 0xBB && static_cast<unsigned char>(b[2]) == 0xBF;
}

bool HasBom(std::string_view b, unsigned char first, unsigned char second) {
    return b.size() >= 2 && static_cast<unsigned char>(b[0]) == first &&
           static_cast<unsigned char>(b[1]) == second;
}

// An ISO-2022-JP designation at b[i] (which holds ESC).
bool IsJisEscape(std::string_view b, std::size_t i) {
    if (i + 2 >= b.size()) {
        return false;
    }
    const char c1 = b[i + 1];
    const char c2 = b[i + 2];
    if (c1 == '$') {
        return c2 == '@' || c2 == 'B' || c2 == '(';
    }
    if (c1 == '(') {
        return c2 == 'B' || c2 == 'J' || c2 == 'I';
    }
    return false;
}

bool LooksJis(std::string_view b) {
    for (std::size_t i = 0; i + 2 < b.size(); ++i) {
        if (static_cast<unsigned char>(b[i]) == kEsc && IsJisEscape(b, i)) {
            return true;
        }
    }
    return false;
}

// UTF-16 without a byte-order mark: text in Latin letters, digits and punctuation has
// a zero byte in every unit, on the side that holds the high byte; no 8-bit text has
// zero bytes in half of its byte pairs. 1 little-endian, 2 big-endian, 0 neither.
int Utf16Side(std::string_view b) {
    const std::size_t units = b.size() / 2;
    if (units < 2) {
        return 0;
    }
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        evenZeros += b[i] == '\0' ? 1 : 0;
        oddZeros += b[i + 1] == '\0' ? 1 : 0;
    }
    if (oddZeros * 2 >= units && evenZeros * 16 < units) {
        return 1;
    }
    if (evenZeros * 2 >= units && oddZeros * 16 < units) {
        return 2;
    }
    return 0;
}

// UTF-16 without a byte-order mark or zero bytes (Japanese text): the byte order in
// which nine units in ten are characters of a Japanese text (ASCII, kana and
// punctuation, the unified ideographs, full-width forms). Shift_JIS and EUC-JP bytes
// paired up almost never are. 1 little-endian, 2 big-endian, 0 neither.
int Utf16ByCharacters(std::string_view b) {
    const std::size_t units = b.size() / 2;
    if (units < 2) {
        return 0;
    }
    auto japanese = [](unsigned u) {
        return u == '\t' || u == '\n' || u == '\r' || (u >= 0x20 && u <= 0x7E) ||
               (u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
               (u >= 0xFF01 && u <= 0xFF9F);
    };
    std::size_t little = 0;
    std::size_t big = 0;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(b[i]);
        const auto hi = static_cast<unsigned char>(b[i + 1]);
        little += japanese(hi << 8 | lo) ? 1 : 0;
        big += japanese(lo << 8 | hi) ? 1 : 0;
    }
    if (little * 10 >= units * 9 && little > big) {
        return 1;
    }
    if (big * 10 >= units * 9 && big > little) {
        return 2;
    }
    return 0;
}

bool IsValidEuc(std::string_view b) {
    for (std::size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (c < 0x80) {
            continue;
        }
        auto at = [&](std::size_t k) {
            return k < b.size() ? static_cast<unsigned char>(b[k]) : 0;
        };
        if (c == 0x8E) {
            if (at(i + 1) < 0xA1 || at(i + 1) > 0xDF) {
                return false;
            }
            i += 1;
        } else if (c == 0x8F) {
            if (at(i + 1) < 0xA1 || at(i + 1) > 0xFE || at(i + 2) < 0xA1 || at(i + 2) > 0xFE) {
                return false;
            }
            i += 2;
        } else if (c >= 0xA1 && c <= 0xFE) {
            if (at(i + 1) < 0xA1 || at(i + 1) > 0xFE) {
                return false;
            }
            i += 1;
        } else {
            return false;
        }
    }
    return true;
}

bool IsValidShiftJis(std::string_view b) {
    for (std::size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            continue;
        }
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            if (i + 1 >= b.size()) {
                return false;
            }
            const auto t = static_cast<unsigned char>(b[i + 1]);
            if (t < 0x40 || t == 0x7F || t > 0xFC) {
                return false;
            }
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// Kana and kanji in UTF-8 text: how Japanese a reading of the bytes looks.
std::size_t JapaneseScore(std::string_view utf8) {
    std::size_t score = 0;
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0xE3 || c > 0xE9) {
            continue;
        }
        const char32_t cp = (static_cast<char32_t>(c & 0x0F) << 12) |
                            (static_cast<char32_t>(utf8[i + 1] & 0x3F) << 6) |
                            static_cast<char32_t>(utf8[i + 2] & 0x3F);
        if ((cp >= 0x3041 && cp <= 0x30FA) || (cp >= 0x4E00 && cp <= 0x9FFF)) {
            ++score;
        }
        i += 2;
    }
    return score;
}

void AppendJisPair(std::string& out, unsigned j1, unsigned j2) {
    unsigned s1 = ((j1 - 0x21) >> 1) + 0x81;
    if (s1 > 0x9F) {
        s1 += 0x40;
    }
    unsigned s2 = 0;
    if (j1 & 1) {
        s2 = j2 + 0x1F + (j2 >= 0x60 ? 1 : 0);
    } else {
        s2 = j2 + 0x7E;
    }
    out += static_cast<char>(s1);
    out += static_cast<char>(s2);
}

void AppendGeta(std::string& out) {
    out += static_cast<char>(0x81);
    out += static_cast<char>(0xAC);
}

std::string IconvToUtf8(std::string_view bytes, const std::string& from, bool* ok) {
    *ok = false;
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
        return {};
    }
    out.resize(out.size() - outLeft);
    *ok = true;
    return out;
}

} // namespace

ETextCode CCodeConverter::Detect(std::string_view b, bool allowEuc) {
    if (HasUtf8Bom(b)) {
        return ETextCode::Utf8;
    }
    if (HasBom(b, 0xFF, 0xFE)) {
        return ETextCode::Utf16LE;
    }
    if (HasBom(b, 0xFE, 0xFF)) {
        return ETextCode::Utf16BE;
    }
    if (const int side = Utf16Side(b); side != 0) {
        return side == 1 ? ETextCode::Utf16LE : ETextCode::Utf16BE;
    }
    if (LooksJis(b)) {
        return ETextCode::Jis;
    }
    if (text::IsAscii(b)) {
        return ETextCode::Ascii;
    }
    if (text::IsValidUtf8(b)) {
        return ETextCode::Utf8;
    }
    if (!allowEuc) {
        return ETextCode::ShiftJis;
    }
    const bool euc = IsValidEuc(b);
    const bool sjis = IsValidShiftJis(b);
    if (euc && !sjis) {
        return ETextCode::EucJp;
    }
    if (!euc && !sjis) {
        if (const int side = Utf16ByCharacters(b); side != 0) {
            return side == 1 ? ETextCode::Utf16LE : ETextCode::Utf16BE;
        }
    }
    if (euc && sjis &&
        JapaneseScore(text::Cp932ToUtf8(EucToShiftJis(b))) > JapaneseScore(text::Cp932ToUtf8(b))) {
        return ETextCode::EucJp;
    }
    return ETextCode::ShiftJis;
}

std::string CCodeConverter::ToUtf8(std::string_view bytes, bool allowEuc) {
    return Convert(bytes, Detect(bytes, allowEuc));
}

std::string CCodeConverter::Convert(std::string_view b, ETextCode code) {
    switch (code) {
    case ETextCode::Ascii:
        return std::string(b);
    case ETextCode::Jis:
        return text::Cp932ToUtf8(JisToShiftJis(b));
    case ETextCode::EucJp:
        return text::Cp932ToUtf8(EucToShiftJis(b));
    case ETextCode::ShiftJis:
        return text::Cp932ToUtf8(b);
    case ETextCode::Utf8:
        if (HasUtf8Bom(b)) {
            b.remove_prefix(3);
        }
        // Stray invalid bytes stay as escapes, exactly as in file names.
        return text::OsBytesToUtf8(b);
    case ETextCode::Utf16LE:
    case ETextCode::Utf16BE: {
        const bool big = code == ETextCode::Utf16BE;
        if (HasBom(b, big ? 0xFE : 0xFF, big ? 0xFF : 0xFE)) {
            b.remove_prefix(2);
        }
        return Utf16BytesToUtf8(b, big);
    }
    }
    return std::string(b);
}

std::string CCodeConverter::JisToShiftJis(std::string_view b) {
    enum class Mode { Ascii, Kanji, Kana, Supplement };
    Mode mode = Mode::Ascii;
    Mode beforeShiftOut = Mode::Ascii;
    std::string out;
    out.reserve(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (c == kEsc && i + 2 < b.size()) {
            const char c1 = b[i + 1];
            const char c2 = b[i + 2];
            if (c1 == '(' && (c2 == 'B' || c2 == 'J')) {
                mode = Mode::Ascii, i += 2;
                continue;
            }
            if (c1 == '(' && c2 == 'I') {
                mode = Mode::Kana, i += 2;
                continue;
            }
            if (c1 == '$' && (c2 == '@' || c2 == 'B')) {
                mode = Mode::Kanji, i += 2;
                continue;
            }
            if (c1 == '$' && c2 == '(' && i + 3 < b.size()) {
                mode = b[i + 3] == 'D' ? Mode::Supplement : Mode::Kanji;
                i += 3;
                continue;
            }
        }
        if (c == 0x0E) { // shift out: half-width katakana
            beforeShiftOut = mode;
            mode = Mode::Kana;
            continue;
        }
        if (c == 0x0F) {
            mode = beforeShiftOut;
            continue;
        }
        const bool graphic = c >= 0x21 && c <= 0x7E;
        if ((mode == Mode::Kanji || mode == Mode::Supplement) && graphic && i + 1 < b.size()) {
            const auto c2 = static_cast<unsigned char>(b[i + 1]);
            if (c2 >= 0x21 && c2 <= 0x7E) {
                if (mode == Mode::Kanji) {
                    AppendJisPair(out, c, c2);
                } else {
                    AppendGeta(out);
                }
                ++i;
                continue;
            }
        }
        if (mode == Mode::Kana && c >= 0x21 && c <= 0x5F) {
            out += static_cast<char>(c + 0x80);
            continue;
        }
        out += static_cast<char>(c);
    }
    return out;
}

std::string CCodeConverter::EucToShiftJis(std::string_view b) {
    std::string out;
    out.reserve(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        auto at = [&](std::size_t k) {
            return k < b.size() ? static_cast<unsigned char>(b[k]) : 0;
        };
        if (c == 0x8E && at(i + 1) >= 0xA1 && at(i + 1) <= 0xDF) {
            out += static_cast<char>(at(i + 1));
            ++i;
        } else if (c == 0x8F && at(i + 1) >= 0xA1 && at(i + 2) >= 0xA1) {
            AppendGeta(out);
            i += 2;
        } else if (c >= 0xA1 && c <= 0xFE && at(i + 1) >= 0xA1 && at(i + 1) <= 0xFE) {
            AppendJisPair(out, c & 0x7F, at(i + 1) & 0x7F);
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string CCodeConverter::Utf16BytesToUtf8(std::string_view b, bool bigEndian) {
    std::u16string units;
    units.reserve(b.size() / 2);
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(b[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned char>(b[bigEndian ? i : i + 1]);
        units += static_cast<char16_t>(hi << 8 | lo);
    }
    return text::Utf16ToUtf8(units);
}

std::string CCodeConverter::FromCodePage(std::string_view b, int codePage) {
    if (codePage == 1200 || codePage == 1201) {
        std::string s = Utf16BytesToUtf8(b, codePage == 1201);
        while (!s.empty() && s.back() == '\0') {
            s.pop_back();
        }
        return s;
    }
    if (auto nul = b.find('\0'); nul != std::string_view::npos) {
        b = b.substr(0, nul);
    }
    if (codePage == 65001) {
        return text::OsBytesToUtf8(b);
    }
    if (codePage == 932 || codePage <= 0 || text::IsAscii(b)) {
        return text::Cp932ToUtf8(b);
    }
    bool ok = false;
    std::string s = IconvToUtf8(b, "CP" + std::to_string(codePage), &ok);
    return ok ? s : text::Cp932ToUtf8(b);
}

} // namespace quillora
