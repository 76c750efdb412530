// Character maps and blank handling for extracted text.
#include "extract/CharMaps.h"

#include <cstdint>

namespace quillora::charmaps {

namespace {

constexpr char32_t kIdeographicSpace = 0x3000;

// One UTF-8 character at s[i]: its code point and length. Bytes that do not start a
// well-formed sequence are returned one by one as code points above the Unicode
// range, so that no map touches them.
char32_t Decode(std::string_view s, std::size_t i, std::size_t* len) {
    const auto c = static_cast<unsigned char>(s[i]);
    *len = 1;
    if (c < 0x80) {
        return c;
    }
    std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) {
        return 0x110000 + c;
    }
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            return 0x110000 + c;
        }
        cp = cp << 6 | (t & 0x3F);
    }
    *len = n;
    return cp;
}

void Encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// ASCII stand-ins for the upper half of the Windows Western code page, indexed by
// byte - 0x80; null where the code page has no character.
constexpr const char* kWestern[128] = {
    "E",     nullptr, ",",     "f",     "\"", "...", "+",  "+",   "^",   "%",   "S",   "<",  "OE",
    nullptr, "Z",     nullptr, nullptr, "'",  "'",   "\"", "\"",  "*",   "-",   "-",   "~",  "TM",
    "s",     ">",     "oe",    nullptr, "z",  "Y",   " ",  "!",   "c",   "L",   "o",   "Y",  "|",
    "S",     "\"",    "(C)",   "a",     "<<", "-",   "-",  "(R)", "-",   "o",   "+-",  "2",  "3",
    "'",     "u",     "P",     ".",     ",",  "1",   "o",  ">>",  "1/4", "1/2", "3/4", "?",  "A",
    "A",     "A",     "A",     "A",     "A",  "AE",  "C",  "E",   "E",   "E",   "E",   "I",  "I",
    "I",     "I",     "D",     "N",     "O",  "O",   "O",  "O",   "O",   "x",   "O",   "U",  "U",
    "U",     "U",     "Y",     "Th",    "ss", "a",   "a",  "a",   "a",   "a",   "a",   "ae", "c",
    "e",     "e",     "e",     "e",     "i",  "i",   "i",  "i",   "d",   "n",   "o",   "o",  "o",
    "o",     "o",     "/",     "o",     "u",  "u",   "u",  "u",   "y",   "th",  "y",
};

// The code points of bytes 0x80-0x9F in the Windows Western code page.
constexpr char32_t kWesternLow[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

const char* WesternStandIn(char32_t cp) {
    if (cp >= 0xA0 && cp <= 0xFF) {
        return kWestern[cp - 0x80];
    }
    for (int i = 0; i < 32; ++i) {
        if (kWesternLow[i] != 0 && kWesternLow[i] == cp) {
            return kWestern[i];
        }
    }
    return nullptr;
}

// Full-width katakana (and signs) for U+FF61..U+FF9F.
constexpr char16_t kKana[63] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};

constexpr char32_t kVoicedMark = 0xFF9E;
constexpr char32_t kSemiVoicedMark = 0xFF9F;

// The letter with its mark, or 0 when the pair does not exist.
char32_t Combine(char32_t halfWidth, char32_t mark) {
    const char32_t full = kKana[halfWidth - 0xFF61];
    const bool kaToTo = halfWidth >= 0xFF76 && halfWidth <= 0xFF84; // ｶ..ﾄ
    const bool haToHo = halfWidth >= 0xFF8A && halfWidth <= 0xFF8E; // ﾊ..ﾎ
    if (mark == kVoicedMark) {
        if (halfWidth == 0xFF73) { // ｳ
            return 0x30F4;
        }
        if (kaToTo || haToHo) {
            return full + 1;
        }
    }
    if (mark == kSemiVoicedMark && haToHo) {
        return full + 2;
    }
    return 0;
}

bool IsBlankChar(char32_t cp) {
    return cp == ' ' || cp == '\t' || cp == kIdeographicSpace;
}

} // namespace

std::string MapChars(std::string_view s, bool hankaku, bool oubun, bool eibun) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t len = 0;
        const char32_t cp = Decode(s, i, &len);
        if (oubun && cp >= 0x80) {
            if (const char* standIn = WesternStandIn(cp)) {
                out += standIn;
                i += len;
                continue;
            }
        }
        if (eibun && cp >= 0xFF01 && cp <= 0xFF5E) {
            out += static_cast<char>(cp - 0xFF01 + 0x21);
            i += len;
            continue;
        }
        if (hankaku && cp >= 0xFF61 && cp <= 0xFF9F) {
            char32_t full = kKana[cp - 0xFF61];
            if (i + len < s.size()) {
                std::size_t markLen = 0;
                const char32_t mark = Decode(s, i + len, &markLen);
                if (char32_t joined = Combine(cp, mark)) {
                    full = joined;
                    len += markLen;
                }
            }
            Encode(full, out);
            i += len;
            continue;
        }
        out.append(s.substr(i, len));
        i += len;
    }
    return out;
}

void ProcessSpaces(std::string& s, int mode) {
    if (mode != 1 && mode != 2) {
        return;
    }
    std::string out;
    out.reserve(s.size());
    char32_t previous = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t len = 0;
        const char32_t cp = Decode(s, i, &len);
        const bool blank = IsBlankChar(cp);
        if (!(blank && (mode == 1 || cp == previous))) {
            out.append(s, i, len);
        }
        previous = cp;
        i += len;
    }
    s = std::move(out);
}

bool IsBlank(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t len = 0;
        const char32_t cp = Decode(s, i, &len);
        if (!IsBlankChar(cp) && cp != '\r' && cp != '\n') {
            return false;
        }
        i += len;
    }
    return true;
}

void RemoveLineEnd(std::string& s) {
    if (!s.empty() && s.back() == '\n') {
        s.pop_back();
    }
    if (!s.empty() && s.back() == '\r') {
        s.pop_back();
    }
}

void CompressLineEnds(std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, 2, "\r\n") == 0) {
            out += "\r\n";
            while (s.compare(i, 2, "\r\n") == 0) {
                i += 2;
            }
            continue;
        }
        out += s[i++];
    }
    s = std::move(out);
}

} // namespace quillora::charmaps
