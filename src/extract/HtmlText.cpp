// HTML text helpers.
#include "extract/HtmlText.h"

#include "core/Text.h"

#include <cstdint>
#include <cstring>
#include <iterator>

namespace quillora {

namespace {

struct SEntity {
    const char* name; // without "&"
    const char* text;
    int code; // 0 when the table gives none
};

// clang-format off
constexpr SEntity kEntities[] = {
    {"quot", "\"", 34}, {"amp", "&", 38}, {"lt", "<", 60}, {"gt", ">", 62},
    {"copy", "(C)", 169}, {"reg", "(R)", 174},
    {"emsp", " ", 0}, {"ensp", " ", 0}, {"quad", " ", 0}, {"sp", " ", 0}, {"nbsp", " ", 0},
    {"thinsp", " ", 0}, {"endash", "-", 0},
    {"alpha", "α", 0}, {"beta", "β", 0}, {"gamma", "γ", 0}, {"delta", "δ", 0},
    {"epsilon", "ε", 0}, {"zeta", "ζ", 0}, {"eta", "η", 0}, {"theta", "θ", 0},
    {"iota", "ι", 0}, {"kappa", "κ", 0}, {"lambda", "λ", 0}, {"mu", "μ", 0}, {"nu", "ν", 0},
    {"xi", "ξ", 0}, {"omicron", "ο", 0}, {"pi", "π", 0}, {"rho", "ρ", 0}, {"sigma", "σ", 0},
    {"tau", "τ", 0}, {"upsilon", "υ", 0}, {"phi", "φ", 0}, {"chi", "χ", 0}, {"psi", "ψ", 0},
    {"omega", "ω", 0},
    {"vepsilon", "Varε", 0}, {"varpi", "Varπ", 0}, {"varrho", "Varρ", 0}, {"vsigma", "Varσ", 0},
    {"varphi", "Varφ", 0},
    {"Auml", "A", 196}, {"auml", "a", 228}, {"Ouml", "O", 214}, {"ouml", "o", 246},
    {"Uuml", "U", 220}, {"uuml", "u", 252}, {"szlig", "B", 223}, {"Ccedil", "C", 199},
    {"ccedil", "c", 231}, {"agrave", "a", 224}, {"aacute", "a", 225}, {"egrave", "e", 232},
    {"Egrave", "E", 200}, {"Eacute", "E", 201}, {"eacute", "e", 233}, {"ecirc", "e", 234},
    {"euml", "e", 235}, {"icirc", "i", 238}, {"igrave", "i", 236}, {"iacute", "i", 237},
    {"ocirc", "o", 244}, {"ograve", "o", 242}, {"oacute", "o", 243}, {"ugrave", "u", 249},
    {"ucirc", "u", 251}, {"uacute", "u", 250}, {"ntilde", "n", 241}, {"iquest", "?", 191},
    {"iexcl", "!", 161},
};
// clang-format on

constexpr std::size_t kMaxReference = 16;

const SEntity* ByName(std::string_view name) {
    for (const SEntity& e : kEntities) {
        if (name == e.name) {
            return &e;
        }
    }
    for (const SEntity& e : kEntities) {
        if (text::EqualsNoCase(name, e.name)) {
            return &e;
        }
    }
    return nullptr;
}

const SEntity* ByCode(long code) {
    for (const SEntity& e : kEntities) {
        if (e.code != 0 && e.code == code) {
            return &e;
        }
    }
    return nullptr;
}

void AppendUtf8(char32_t cp, std::string& out) {
    std::u16string units;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        units += static_cast<char16_t>(0xD800 + (cp >> 10));
        units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        units += static_cast<char16_t>(cp);
    }
    out += text::Utf16ToUtf8(units);
}

// The replacement of the reference `body` (between "&" and ";"), or false.
bool Resolve(std::string_view body, std::string& out) {
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) {
            return false;
        }
        long code = 0;
        for (char c : digits) {
            int d = -1;
            if (c >= '0' && c <= '9') {
                d = c - '0';
            } else if (hex && c >= 'a' && c <= 'f') {
                d = c - 'a' + 10;
            } else if (hex && c >= 'A' && c <= 'F') {
                d = c - 'A' + 10;
            }
            if (d < 0) {
                return false;
            }
            code = code * (hex ? 16 : 10) + d;
            if (code > 0x10FFFF) {
                return false;
            }
        }
        if (const SEntity* e = ByCode(code)) {
            out += e->text;
            return true;
        }
        if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || (code < 0x20 && code != '\t')) {
            return false;
        }
        AppendUtf8(static_cast<char32_t>(code), out);
        return true;
    }
    if (const SEntity* e = ByName(body)) {
        out += e->text;
        return true;
    }
    return false;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// One tag found by the head reader: its name and the text inside "<" ... ">".
struct STag {
    std::string_view name;
    std::string_view inside;
    std::size_t end = 0; // just after ">"
};

// The next tag at or after pos; false when there is none.
bool NextTag(std::string_view html, std::size_t pos, std::size_t* start, STag& tag) {
    const std::size_t lt = html.find('<', pos);
    if (lt == std::string_view::npos) {
        return false;
    }
    bool quoted = false;
    std::size_t i = lt + 1;
    for (; i < html.size(); ++i) {
        if (html[i] == '"') {
            quoted = !quoted;
        } else if (html[i] == '>' && !quoted) {
            break;
        }
    }
    tag.inside = html.substr(lt + 1, (i < html.size() ? i : html.size()) - lt - 1);
    tag.end = i < html.size() ? i + 1 : html.size();
    // "/TITLE" keeps its slash; "<br/>" does not make "br/" a name.
    std::size_t n = 0;
    if (n < tag.inside.size() && tag.inside[n] == '/') {
        ++n;
    }
    while (n < tag.inside.size() && !IsSpace(tag.inside[n]) && tag.inside[n] != '/') {
        ++n;
    }
    tag.name = tag.inside.substr(0, n);
    *start = lt;
    return true;
}

// The value after `attribute`= in a tag (quoted, or up to a blank).
std::string AttributeValue(std::string_view inside, std::string_view attribute) {
    const std::string upper = text::AsciiUpper(inside);
    std::size_t at = 0;
    while ((at = upper.find(attribute, at)) != std::string::npos) {
        const bool startsWord = at == 0 || IsSpace(upper[at - 1]);
        std::size_t p = at + attribute.size();
        while (p < upper.size() && IsSpace(upper[p])) {
            ++p;
        }
        if (!startsWord || p >= upper.size() || upper[p] != '=') {
            at += attribute.size();
            continue;
        }
        ++p;
        while (p < upper.size() && IsSpace(upper[p])) {
            ++p;
        }
        if (p < inside.size() && (inside[p] == '"' || inside[p] == '\'')) {
            const char quote = inside[p];
            const std::size_t close = inside.find(quote, p + 1);
            return std::string(inside.substr(
                p + 1, close == std::string_view::npos ? std::string_view::npos : close - p - 1));
        }
        std::size_t e = p;
        while (e < inside.size() && !IsSpace(inside[e]) && inside[e] != '/') {
            ++e;
        }
        return std::string(inside.substr(p, e - p));
    }
    return {};
}

std::string CollapseBlanks(std::string_view s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (IsSpace(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) {
            out += ' ';
            blank = false;
        }
        out += c;
    }
    return out;
}

} // namespace

std::string CHtmlText::StripComments(std::string_view html) {
    std::string out;
    out.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        const std::size_t open = html.find("<!--", i);
        if (open == std::string_view::npos) {
            out.append(html.substr(i));
            break;
        }
        out.append(html.substr(i, open - i));
        std::size_t p = open + 4;
        std::size_t dashes = 0;
        while (p < html.size()) {
            if (html[p] == '>' && dashes >= 2) {
                break;
            }
            dashes = html[p] == '-' ? dashes + 1 : 0;
            ++p;
        }
        i = p < html.size() ? p + 1 : html.size();
    }
    return out;
}

std::string CHtmlText::DecodeReferences(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '&') {
            const std::size_t amp = s.find('&', i);
            const std::size_t end = amp == std::string_view::npos ? s.size() : amp;
            out.append(s.substr(i, end - i));
            i = end;
            continue;
        }
        const std::size_t semi = s.find(';', i + 1);
        // "&" + name + ";" is the whole reference.
        if (semi != std::string_view::npos && semi - i + 1 <= kMaxReference) {
            const std::string_view body = s.substr(i + 1, semi - i - 1);
            const bool plain = body.find_first_of(" \t\r\n&<") == std::string_view::npos;
            if (plain && Resolve(body, out)) {
                i = semi + 1;
                continue;
            }
        }
        out += '&';
        ++i;
    }
    return out;
}

void CHtmlText::ReadHead(std::string_view html,
                         const std::function<void(int key, std::string value)>& found) {
    std::size_t pos = 0;
    std::size_t start = 0;
    STag tag;
    while (NextTag(html, pos, &start, tag)) {
        pos = tag.end;
        if (text::EqualsNoCase(tag.name, "/HEAD")) {
            return;
        }
        if (text::EqualsNoCase(tag.name, "TITLE")) {
            std::size_t closeStart = 0;
            STag close;
            std::size_t p = tag.end;
            std::string title;
            bool closed = false;
            while (NextTag(html, p, &closeStart, close)) {
                title.append(html.substr(p, closeStart - p));
                p = close.end;
                if (text::EqualsNoCase(close.name, "/TITLE")) {
                    closed = true;
                    break;
                }
            }
            if (!closed) {
                title.append(html.substr(p));
                p = html.size();
            }
            found(1, DecodeReferences(CollapseBlanks(title)));
            pos = p;
            continue;
        }
        if (text::EqualsNoCase(tag.name, "META")) {
            const std::string name = text::AsciiUpper(AttributeValue(tag.inside, "NAME"));
            static constexpr struct {
                const char* name;
                int key;
            } kMeta[] = {{"DESCRIPTION", 2},
                         {"KEYWORDS", 4},
                         {"AUTHOR", 6},
                         {"GENERATOR", 7},
                         {"CREATIM", 10}};
            for (const auto& m : kMeta) {
                if (name == m.name) {
                    found(m.key, DecodeReferences(AttributeValue(tag.inside, "CONTENT")));
                    break;
                }
            }
        }
    }
}

std::string CHtmlText::RemoveMarkup(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (m_inTag) {
            if (c == '"') {
                m_inQuote = !m_inQuote;
            } else if (c == '>' && !m_inQuote) {
                m_inTag = false;
            }
            continue;
        }
        if (c == '<') {
            m_inTag = true;
            m_inQuote = false;
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace quillora
