// UTF-8 <-> CP932 / UTF-16 / Linux name bytes with lossless escapes, and the
// CP932-width and ASCII case helpers built on the same UTF-8 decoder.
#include "core/Text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quillora::text {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

constexpr std::uint16_t kNone = 0xFFFF; // no character / no code (never a CP932 code)
constexpr char32_t kReplacement = 0xFFFD;

// The CP932 tables, filled once from glibc's iconv. After that no conversion
// touches iconv: names are converted by the million when a catalogue loads.
struct Cp932Tables {
    std::array<std::uint16_t, 256> single{}; // byte -> BMP code point, kNone if not a char
    std::array<bool, 256> lead{};            // byte starts a two-byte code
    std::array<std::uint16_t, 65536> pair{}; // lead<<8|trail -> code point, kNone if invalid
    // The decoding again as UTF-8 bytes, for the reader of every stored name: each entry
    // holds up to three bytes, low byte first, and their count in its top byte (0: no
    // character). A single byte that is no character decodes to its escape.
    std::array<std::uint32_t, 256> singleUtf8{};
    std::array<std::uint8_t, 256> leadSlot{}; // 1 + the lead's row in pairUtf8, or 0
    std::vector<std::uint32_t> pairUtf8;      // 256 a lead byte, by trail byte
};

// Code point -> byte (<0x100) or lead<<8|trail. Built apart from the decoding, and only
// when something is encoded: a process that only reads cases never needs it, and it
// costs as much to build as the rest.
struct Cp932Encoding {
    std::array<std::uint16_t, 65536> encode{};
};

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to +
                                 " (glibc gconv modules missing?)");
    }
    return IconvHandle(cd);
}

// Converts `in` completely; returns the number of output bytes, or -1 when iconv
// rejects or leaves part of the input.
long Convert(void* cd, const char* in, std::size_t inLen, char* out, std::size_t outSize) {
    auto handle = static_cast<iconv_t>(cd);
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    char* outPtr = out;
    std::size_t outLeft = outSize;
    if (iconv(handle, &inPtr, &inLen, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLen != 0) {
        return -1;
    }
    return static_cast<long>(outSize - outLeft);
}

// Decodes CP932 bytes with iconv; returns the code point if they make exactly one
// BMP character, else kNone.
std::uint16_t DecodeWithIconv(void* cd, const char* bytes, std::size_t len) {
    std::uint32_t out[2] = {};
    long n = Convert(cd, bytes, len, reinterpret_cast<char*>(out), sizeof out);
    if (n != 4 || out[0] > 0xFFFF || out[0] == kNone) {
        return kNone;
    }
    return static_cast<std::uint16_t>(out[0]);
}

bool IsLeadWithIconv(void* cd, unsigned char b) {
    char in = static_cast<char>(b);
    char out[8];
    char* inPtr = &in;
    std::size_t inLen = 1;
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    auto handle = static_cast<iconv_t>(cd);
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    // A lead byte alone is an incomplete sequence (EINVAL), not an illegal one.
    return iconv(handle, &inPtr, &inLen, &outPtr, &outLeft) == static_cast<std::size_t>(-1) &&
           errno == EINVAL;
}

std::uint16_t DecodeCode(const Cp932Tables& t, std::uint16_t code) {
    return code < 0x100 ? t.single[code] : t.pair[code];
}

// Converts the `count` units of `unit` bytes at `in` in as few iconv calls as it
// takes, stepping over each unit iconv rejects: a call a unit made the tables cost
// a few milliseconds. `take(first, units, out, length)` gets each run converted, the
// units from `first` on and the `length` bytes they made. False when iconv stops
// inside a unit or for another cause than a rejected unit, or when `take` does.
template <class Take>
bool ConvertSteppingOver(void* cd, const char* in, std::size_t count, std::size_t unit,
                         std::size_t outRoom, Take take) {
    auto handle = static_cast<iconv_t>(cd);
    std::vector<char> out(outRoom);
    std::size_t next = 0;
    while (next < count) {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        char* const start = const_cast<char*>(in + next * unit);
        char* inPtr = start;
        std::size_t inLeft = (count - next) * unit;
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const bool failed =
            iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
        const auto consumed = static_cast<std::size_t>(inPtr - start);
        if (consumed % unit != 0 ||
            !take(next, consumed / unit, out.data(), out.size() - outLeft)) {
            return false;
        }
        next += consumed / unit;
        if (!failed) {
            return next == count;
        }
        if (errno != EILSEQ || next == count) {
            return false;
        }
        ++next; // rejected: the caller's default stands
    }
    return true;
}

// The pairs of one lead byte with every trail byte, decoded in one conversion; a pair
// iconv rejects keeps kNone. False when the output does not line up with the pairs (a
// pair decoding to other than one character); the caller then decodes the row a pair
// at a time.
bool FillPairRow(Cp932Tables& t, void* cd, unsigned lead) {
    char in[512];
    for (unsigned trail = 0; trail < 256; ++trail) {
        in[2 * trail] = static_cast<char>(lead);
        in[2 * trail + 1] = static_cast<char>(trail);
    }
    return ConvertSteppingOver(
        cd, in, 256, 2, 256 * sizeof(std::uint32_t),
        [&](std::size_t first, std::size_t pairs, const char* out, std::size_t length) {
            if (length != pairs * sizeof(std::uint32_t)) {
                return false;
            }
            for (std::size_t i = 0; i < pairs; ++i) {
                std::uint32_t cp = 0;
                std::memcpy(&cp, out + i * sizeof cp, sizeof cp);
                t.pair[lead << 8 | (first + i)] =
                    cp > 0xFFFF || cp == kNone ? kNone : static_cast<std::uint16_t>(cp);
            }
            return true;
        });
}

void FillDecode(Cp932Tables& t, void* toUnicode) {
    t.single.fill(kNone);
    t.pair.fill(kNone);
    for (unsigned b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        t.single[b] = DecodeWithIconv(toUnicode, &c, 1);
        t.lead[b] =
            t.single[b] == kNone && IsLeadWithIconv(toUnicode, static_cast<unsigned char>(b));
    }
    // CP932 is ASCII below 0x80 and half-width katakana at 0xA1..0xDF; some
    // Shift_JIS tables put the yen sign at 0x5C and the overline at 0x7E.
    for (unsigned b = 0; b < 0x80; ++b) {
        t.single[b] = static_cast<std::uint16_t>(b);
        t.lead[b] = false;
    }
    for (unsigned b = 0xA1; b <= 0xDF; ++b) {
        t.single[b] = static_cast<std::uint16_t>(0xFF61 + (b - 0xA1));
        t.lead[b] = false;
    }
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (t.lead[lead] && !FillPairRow(t, toUnicode, lead)) {
            for (unsigned trail = 0; trail < 256; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                t.pair[lead << 8 | trail] = DecodeWithIconv(toUnicode, in, 2);
            }
        }
    }
}

// iconv's code for each of `cps` into `codes` (kNone where it has none), in one
// conversion; a code's first byte tells its length. False when the output does not
// split into one code per character.
bool EncodeWithIconv(const Cp932Tables& t, void* cd, const std::vector<std::uint32_t>& cps,
                     std::vector<std::uint16_t>& codes) {
    codes.resize(cps.size());
    std::fill(codes.begin(), codes.end(), kNone);
    return ConvertSteppingOver(
        cd, reinterpret_cast<const char*>(cps.data()), cps.size(), sizeof cps[0],
        2 * cps.size() + 8,
        [&](std::size_t first, std::size_t units, const char* out, std::size_t length) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(out);
            std::size_t at = 0;
            for (std::size_t k = 0; k < units; ++k) {
                const bool pair = at < length && t.lead[bytes[at]];
                if (at + (pair ? 2 : 1) > length) {
                    return false;
                }
                codes[first + k] =
                    pair ? static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]) : bytes[at];
                at += pair ? 2 : 1;
            }
            return at == length;
        });
}

// iconv's code for `cp` alone, or kNone.
std::uint16_t EncodeOneWithIconv(void* cd, std::uint32_t cp) {
    unsigned char out[4];
    const long n = Convert(cd, reinterpret_cast<const char*>(&cp), sizeof cp,
                           reinterpret_cast<char*>(out), sizeof out);
    if (n == 1) {
        return out[0];
    }
    if (n == 2) {
        return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
    }
    return kNone;
}

// Several codes decode to the same character (NEC and IBM duplicates); the one
// iconv's own encoder picks is the one Windows writes, so that wins.
void FillEncode(const Cp932Tables& t, Cp932Encoding& e, void* fromUnicode) {
    e.encode.fill(kNone);
    // Each character with the first code that decodes to it, in the order codes run.
    std::vector<std::uint32_t> cps;
    std::vector<std::uint16_t> firstCodes;
    auto consider = [&](std::uint16_t cp, std::uint16_t code) {
        if (cp == kNone || e.encode[cp] != kNone) {
            return;
        }
        e.encode[cp] = code;
        cps.push_back(cp);
        firstCodes.push_back(code);
    };
    for (unsigned b = 0; b < 256; ++b) {
        consider(t.single[b], static_cast<std::uint16_t>(b));
    }
    for (unsigned code = 0; code < 65536; ++code) {
        consider(t.pair[code], static_cast<std::uint16_t>(code));
    }
    std::vector<std::uint16_t> codes;
    if (!EncodeWithIconv(t, fromUnicode, cps, codes)) {
        for (std::size_t i = 0; i < cps.size(); ++i) {
            codes[i] = EncodeOneWithIconv(fromUnicode, cps[i]);
        }
    }
    for (std::size_t i = 0; i < cps.size(); ++i) {
        const std::uint16_t chosen = codes[i];
        // iconv's pick is taken where it reads back as the character; else the first
        // code that does (NEC and IBM duplicates).
        e.encode[cps[i]] =
            chosen != kNone && DecodeCode(t, chosen) == cps[i] ? chosen : firstCodes[i];
    }
}

std::uint32_t Utf8Entry(std::uint16_t cp) {
    std::uint32_t entry = 0;
    if (cp < 0x80) {
        entry = cp | 1u << 24;
    } else if (cp < 0x800) {
        entry = (0xC0u | cp >> 6) | (0x80u | (cp & 0x3Fu)) << 8 | 2u << 24;
    } else {
        entry = (0xE0u | cp >> 12) | (0x80u | ((cp >> 6) & 0x3Fu)) << 8 |
                (0x80u | (cp & 0x3Fu)) << 16 | 3u << 24;
    }
    return entry;
}

void FillUtf8(Cp932Tables& t) {
    std::uint8_t slots = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const std::uint16_t cp = t.single[b];
        t.singleUtf8[b] = Utf8Entry(cp != kNone ? cp : static_cast<std::uint16_t>(0xDC00 + b));
        if (t.lead[b]) {
            t.leadSlot[b] = ++slots;
        }
    }
    t.pairUtf8.assign(std::size_t{slots} * 256, 0);
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (t.leadSlot[lead] == 0) {
            continue;
        }
        for (unsigned trail = 0; trail < 256; ++trail) {
            const std::uint16_t cp = t.pair[lead << 8 | trail];
            if (cp != kNone) {
                t.pairUtf8[(t.leadSlot[lead] - 1u) * 256u + trail] = Utf8Entry(cp);
            }
        }
    }
}

std::unique_ptr<Cp932Tables> BuildTables() {
    auto tables = std::make_unique<Cp932Tables>();
    IconvHandle toUnicode = OpenIconv("UTF-32LE", "CP932");
    FillDecode(*tables, toUnicode.get());
    FillUtf8(*tables);
    return tables;
}

const Cp932Tables& Tables() {
    static const std::unique_ptr<Cp932Tables> tables = BuildTables();
    return *tables;
}

const Cp932Encoding& Encoding() {
    static const std::unique_ptr<Cp932Encoding> encoding = [] {
        auto e = std::make_unique<Cp932Encoding>();
        IconvHandle fromUnicode = OpenIconv("CP932", "UTF-32LE");
        FillEncode(Tables(), *e, fromUnicode.get());
        return e;
    }();
    return *encoding;
}

bool IsAsciiImpl(const char* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ULL) {
            return false;
        }
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) & 0x80) {
            return false;
        }
    }
    return true;
}

void AppendEscape(std::string& out, unsigned char b) {
    AppendUtf8(out, 0xDC00 + b);
}

enum class Kind { Char, Escape, Invalid };

struct Unit {
    Kind kind;
    char32_t cp;     // the character (Char), or the byte (Escape, Invalid)
    std::size_t len; // bytes taken from the input
};

bool IsCont(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Strict UTF-8 at s[i] (i < s.size()): overlongs, surrogates and values above
// U+10FFFF are invalid, except the escapes U+DC80..U+DCFF. An invalid unit
// takes one byte, so each byte of a bad sequence is reported on its own.
Unit DecodeAt(std::string_view s, std::size_t i) {
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = at(i);
    Unit bad{Kind::Invalid, b0, 1};
    if (b0 < 0x80) {
        return {Kind::Char, b0, 1};
    }
    std::size_t left = s.size() - i;
    if (b0 >= 0xC2 && b0 < 0xE0) {
        if (left < 2 || !IsCont(at(i + 1))) {
            return bad;
        }
        return {Kind::Char, static_cast<char32_t>((b0 & 0x1F) << 6 | (at(i + 1) & 0x3F)), 2};
    }
    if (b0 >= 0xE0 && b0 < 0xF0) {
        if (left < 3 || !IsCont(at(i + 1)) || !IsCont(at(i + 2))) {
            return bad;
        }
        char32_t cp = (b0 & 0x0F) << 12 | (at(i + 1) & 0x3F) << 6 | (at(i + 2) & 0x3F);
        if (cp < 0x800) {
            return bad;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp >= 0xDC80 && cp <= 0xDCFF) {
                return {Kind::Escape, cp - 0xDC00, 3};
            }
            return bad;
        }
        return {Kind::Char, cp, 3};
    }
    if (b0 >= 0xF0 && b0 < 0xF5) {
        if (left < 4 || !IsCont(at(i + 1)) || !IsCont(at(i + 2)) || !IsCont(at(i + 3))) {
            return bad;
        }
        char32_t cp = (b0 & 0x07) << 18 | (at(i + 1) & 0x3F) << 12 | (at(i + 2) & 0x3F) << 6 |
                      (at(i + 3) & 0x3F);
        if (cp < 0x10000 || cp > 0x10FFFF) {
            return bad;
        }
        return {Kind::Char, cp, 4};
    }
    return bad;
}

// Encodes UTF-8 as CP932. Escapes and stray bytes become the raw byte; a
// character CP932 lacks becomes `missing`, or ends the conversion with false
// when `missing` is 0. *sawByte tells whether any raw byte was written.
bool EncodeCp932(std::string_view utf8, std::string& out, char missing, bool* sawByte) {
    const Cp932Encoding& e = Encoding();
    out.clear();
    out.reserve(utf8.size());
    *sawByte = false;
    for (std::size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        Unit u = DecodeAt(utf8, i);
        i += u.len;
        if (u.kind != Kind::Char) {
            if (u.kind == Kind::Invalid && missing == 0) {
                return false; // not text we produced: it cannot read back the same
            }
            out += static_cast<char>(u.cp);
            *sawByte = true;
            continue;
        }
        std::uint16_t code = u.cp <= 0xFFFF ? e.encode[u.cp] : kNone;
        if (code == kNone) {
            if (missing == 0) {
                return false;
            }
            out += missing;
        } else if (code < 0x100) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return true;
}

unsigned char FoldLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

unsigned char FoldUpper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

} // namespace

bool IsAscii(std::string_view s) {
    return IsAsciiImpl(s.data(), s.size());
}

std::size_t FirstBadUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL) {
                break;
            }
            i += 8;
        }
        if (i >= n) {
            break;
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + len > n) {
            return i;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                return i;
            }
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return i;
        }
        i += len;
    }
    return std::string_view::npos;
}

bool IsValidUtf8(std::string_view s) {
    return FirstBadUtf8(s) == std::string_view::npos;
}

std::string_view Trim(std::string_view s, std::string_view blanks) {
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool IsEscapedByte(std::string_view utf8, std::size_t pos, unsigned char* byte) {
    if (pos >= utf8.size() || utf8.size() - pos < 3) {
        return false;
    }
    auto b0 = static_cast<unsigned char>(utf8[pos]);
    auto b1 = static_cast<unsigned char>(utf8[pos + 1]);
    auto b2 = static_cast<unsigned char>(utf8[pos + 2]);
    if (b0 != 0xED || (b1 != 0xB2 && b1 != 0xB3) || !IsCont(b2)) {
        return false;
    }
    if (byte) {
        *byte = static_cast<unsigned char>(0x80 | (b1 & 1) << 6 | (b2 & 0x3F));
    }
    return true;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    Cp932ToUtf8(cp932, out);
    return out;
}

void Cp932ToUtf8(std::string_view cp932, std::string& out) {
    if (IsAscii(cp932)) {
        out.assign(cp932);
        return;
    }
    const Cp932Tables& t = Tables();
    const auto* in = reinterpret_cast<const unsigned char*>(cp932.data());
    const std::size_t n = cp932.size();
    // No byte or pair makes more than three bytes of UTF-8; a character is stored as
    // four and ASCII as eight at a time, hence the slack.
    out.resize(3 * n + 8);
    char* p = out.data();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            std::uint64_t eight = 0;
            if (i + 8 <= n &&
                (std::memcpy(&eight, in + i, 8), (eight & 0x8080808080808080ULL) == 0)) {
                std::memcpy(p, &eight, 8);
                p += 8;
                i += 8;
                continue;
            }
            *p++ = static_cast<char>(b);
            ++i;
            continue;
        }
        std::uint32_t entry = 0;
        if (const unsigned slot = t.leadSlot[b]; slot != 0 && i + 1 < n) {
            entry = t.pairUtf8[(slot - 1) * 256 + in[i + 1]];
        }
        // A lead byte without a valid trail is kept alone; the trail byte is then read
        // as a character of its own.
        const std::size_t used = entry != 0 ? 2 : 1;
        if (entry == 0) {
            entry = t.singleUtf8[b];
        }
        std::memcpy(p, &entry, 4);
        p += entry >> 24;
        i += used;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.assign(utf8);
        return true;
    }
    bool sawByte = false;
    if (!EncodeCp932(utf8, out, 0, &sawByte)) {
        return false;
    }
    // Every table code reads back as its own character, so only a raw byte can
    // combine with a neighbour (a lead byte taking the next byte as its trail).
    return !sawByte || Cp932ToUtf8(out) == utf8;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    std::string out;
    bool sawByte = false;
    EncodeCp932(utf8, out, '?', &sawByte);
    return out;
}

std::size_t AppendCp932(std::string_view utf8, std::string& out, MissingCharWriter replace) {
    if (IsAscii(utf8)) {
        out.append(utf8);
        return 0;
    }
    const Cp932Encoding& e = Encoding();
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        Unit u = DecodeAt(utf8, i);
        i += u.len;
        if (u.kind != Kind::Char) {
            out += static_cast<char>(u.cp);
            continue;
        }
        std::uint16_t code = u.cp <= 0xFFFF ? e.encode[u.cp] : kNone;
        if (code == kNone) {
            replace(u.cp, out);
            ++replaced;
        } else if (code < 0x100) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return replaced;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
            ++i;
            continue;
        }
        Unit u = DecodeAt(utf8, i);
        i += u.len;
        if (u.kind != Kind::Char) {
            out += static_cast<char16_t>(0xDC00 + u.cp); // escapes and stray bytes alike
        } else if (u.cp < 0x10000) {
            out += static_cast<char16_t>(u.cp);
        } else {
            char32_t v = u.cp - 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() + utf16.size() / 2);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t u = utf16[i];
        if (u < 0xD800 || u > 0xDFFF) {
            AppendUtf8(out, u);
        } else if (u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
                   utf16[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            AppendEscape(out, static_cast<unsigned char>(u - 0xDC00));
        } else {
            AppendUtf8(out, kReplacement);
        }
    }
    return out;
}

std::string OsBytesToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    std::size_t i = 0;
    while (i < bytes.size()) {
        Unit u = DecodeAt(bytes, i);
        if (u.kind != Kind::Char) {
            break;
        }
        i += u.len;
    }
    std::string out(bytes.substr(0, i)); // the whole name when it is valid UTF-8
    if (i == bytes.size()) {
        return out;
    }
    out.reserve(bytes.size() + bytes.size() / 2);
    while (i < bytes.size()) {
        Unit u = DecodeAt(bytes, i);
        if (u.kind == Kind::Char) {
            out.append(bytes.substr(i, u.len));
            i += u.len;
        } else {
            // An escape sequence in a name is itself bytes to keep: escape each of
            // them, or the way back would turn it into a single byte.
            AppendEscape(out, static_cast<unsigned char>(bytes[i]));
            ++i;
        }
    }
    return out;
}

std::string Utf8ToOsBytes(std::string_view utf8) {
    // Every escape starts with 0xED; without one the text is already the name.
    if (std::memchr(utf8.data(), 0xED, utf8.size()) == nullptr) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char b;
        if (IsEscapedByte(utf8, i, &b)) {
            out += static_cast<char>(b);
            i += 3;
        } else {
            out += utf8[i];
            ++i;
        }
    }
    return out;
}

std::size_t CharCp932Width(std::string_view utf8, std::size_t pos, std::size_t* utf8Len) {
    if (pos >= utf8.size()) {
        if (utf8Len) {
            *utf8Len = 0;
        }
        return 0;
    }
    Unit u = DecodeAt(utf8, pos);
    if (utf8Len) {
        *utf8Len = u.len;
    }
    if (u.kind != Kind::Char || u.cp < 0x80 || (u.cp >= 0xFF61 && u.cp <= 0xFF9F)) {
        return 1;
    }
    return 2;
}

std::size_t Cp932Width(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return utf8.size();
    }
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = 0;
        width += CharCp932Width(utf8, i, &len);
        i += len;
    }
    return width;
}

std::string TruncateCp932Width(std::string_view utf8, std::size_t maxWidth, bool* cut) {
    std::size_t width = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t len = 0;
        std::size_t w = CharCp932Width(utf8, i, &len);
        if (width + w > maxWidth) {
            break;
        }
        width += w;
        i += len;
    }
    if (cut) {
        *cut = i < utf8.size();
    }
    return std::string(utf8.substr(0, i));
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(FoldUpper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(FoldLower(static_cast<unsigned char>(c)));
    }
    return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = FoldLower(static_cast<unsigned char>(a[i]));
        unsigned char y = FoldLower(static_cast<unsigned char>(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        out += c;
    }
    return out;
}

std::string ToLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace quillora::text
