// The RTF reader: a tokenizer that runs only as far as the caller needs.
#include "rtf/RtfInfoReader.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>

namespace quillora {

namespace {

enum EDest { kBody, kSkip, kInfo, kField, kDate, kFontTable };

constexpr std::size_t kBufferSize = 16 * 1024;
constexpr std::size_t kMaxWord = 32;
constexpr int kMaxDigits = 10;
constexpr std::size_t kMaxDropped = 4096;

constexpr const char* kSkipped[] = {
    "colortbl",  "stylesheet",   "pict",       "object",
    "header",    "headerl",      "headerr",    "headerf",
    "footer",    "footerl",      "footerr",    "footerf",
    "footnote",  "fldinst",      "themedata",  "colorschememapping",
    "datastore", "latentstyles", "listtable",  "listoverridetable",
    "rsidtbl",   "generator",    "xmlnstbl",   "pgdsctbl",
    "filetbl",   "revtbl",       "nonshppict", "shpinst",
    "sp",        "bkmkstart",    "bkmkend",    "atnid",
    "atnauthor", "annotation",   "template",   "docvar",
    "mmathPr",   "panose",       "falt",       "ftnsep",
    "ftnsepc",   "ftncn",        "aftnsep",    "aftnsepc",
    "xe",        "tc",           "txe",        "userprops",
};

struct SFieldWord {
    const char* word;
    int field;
};

constexpr SFieldWord kFieldWords[] = {
    {"title", CRtfInfoReader::kTitle},       {"subject", CRtfInfoReader::kSubject},
    {"author", CRtfInfoReader::kAuthor},     {"keywords", CRtfInfoReader::kKeywords},
    {"doccomm", CRtfInfoReader::kComment},   {"operator", CRtfInfoReader::kOperator},
    {"company", CRtfInfoReader::kCompany},   {"manager", CRtfInfoReader::kManager},
    {"category", CRtfInfoReader::kCategory},
};

int CharsetCodePage(long charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 1252;
    }
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string DecodeBytes(const std::string& bytes, int codePage) {
    std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        std::string out(bytes.size() * 4 + 8, '\0');
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* o = out.data();
        std::size_t outLeft = out.size();
        const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        iconv_close(cd);
        if (r != static_cast<std::size_t>(-1) && inLeft == 0) {
            out.resize(out.size() - outLeft);
            return out;
        }
    }
    std::string latin;
    for (char b : bytes) {
        AppendUtf8(static_cast<unsigned char>(b), latin);
    }
    return latin;
}

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) {
        return {};
    }
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

} // namespace

CRtfInfoReader::CRtfInfoReader(Source source)
    : m_source(std::move(source)), m_buffer(kBufferSize) {}

int CRtfInfoReader::Get() {
    if (m_pushback >= 0) {
        return std::exchange(m_pushback, -1);
    }
    if (m_pos >= m_len) {
        if (m_end || m_read >= kMaxInput) {
            return -1;
        }
        m_len = m_source(m_buffer.data(), m_buffer.size());
        m_pos = 0;
        m_read += m_len;
        if (m_len == 0) {
            return -1;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_pos++]);
}

bool CRtfInfoReader::Open() {
    char head[5];
    for (char& c : head) {
        const int b = Get();
        if (b < 0) {
            return false;
        }
        c = static_cast<char>(b);
    }
    if (std::memcmp(head, "{\\rtf", 5) != 0) {
        return false;
    }
    m_groups.push_back(SGroup{});
    // The version number of "\rtf" and its delimiter.
    int d = Get();
    while (d >= '0' && d <= '9') {
        d = Get();
    }
    if (d != ' ' && d >= 0) {
        m_pushback = d;
    }
    while (!m_end && !m_bodyStarted && m_ready.empty() && Step()) {
    }
    for (std::string& field : m_fields) {
        field = Trim(field);
    }
    return true;
}

bool CRtfInfoReader::NextLine(std::string& line) {
    while (m_ready.empty() && !m_end && Step()) {
    }
    if (!m_ready.empty()) {
        line = std::move(m_ready.front());
        m_ready.erase(m_ready.begin());
        return true;
    }
    if (!m_line.empty()) {
        line = std::move(m_line);
        m_line.clear();
        return true;
    }
    return false;
}

int CRtfInfoReader::CodePage() const {
    const int cp = m_groups.empty() ? 0 : m_groups.back().m_codePage;
    return cp != 0 ? cp : m_docCodePage;
}

std::string& CRtfInfoReader::Target() {
    const SGroup& g = m_groups.back();
    if (g.m_dest == kBody) {
        return m_line;
    }
    if (g.m_dest == kField && g.m_field >= 0 && g.m_field < kFieldCount &&
        m_fields[g.m_field].size() < kMaxField) {
        return m_fields[g.m_field];
    }
    if (m_dropped.size() > kMaxDropped) {
        m_dropped.clear();
    }
    return m_dropped;
}

void CRtfInfoReader::Flush() {
    m_pairOpen = false;
    if (m_pending.empty()) {
        return;
    }
    std::string text = DecodeBytes(m_pending, m_pendingCodePage);
    m_pending.clear();
    if (m_groups.empty()) {
        return;
    }
    if (m_groups.back().m_dest == kBody && text.find_first_not_of(" \t") != std::string::npos) {
        m_bodyStarted = true;
    }
    Target() += text;
    if (m_line.size() > kMaxLine) {
        EndParagraph();
    }
}

void CRtfInfoReader::Byte(unsigned char b) {
    if (m_overflow > 0) {
        return;
    }
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    if (m_groups.empty() || m_groups.back().m_dest == kSkip || m_groups.back().m_dest == kDate) {
        return;
    }
    if (!m_pending.empty() && m_pendingCodePage != CodePage()) {
        Flush();
    }
    m_pendingCodePage = CodePage();
    m_pending += static_cast<char>(b);
    // Decoded in pieces, so that a paragraph without end is cut into bounded lines,
    // but never between the two bytes of a double-byte character.
    const int cp = m_pendingCodePage;
    const bool doubleByte = cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
    if (m_pairOpen) {
        m_pairOpen = false;
    } else if (doubleByte) {
        m_pairOpen = cp == 932 ? (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) : b >= 0x81;
    }
    if (m_pending.size() >= 256 && !m_pairOpen) {
        Flush();
    }
}

void CRtfInfoReader::Char(char32_t c) {
    if (m_overflow > 0) {
        return;
    }
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    Flush();
    if (m_groups.empty() || m_groups.back().m_dest == kSkip) {
        return;
    }
    if (m_groups.back().m_dest == kBody && c != ' ' && c != '\t') {
        m_bodyStarted = true;
    }
    AppendUtf8(c, Target());
    if (m_line.size() > kMaxLine) {
        EndParagraph();
    }
}

void CRtfInfoReader::EndParagraph() {
    Flush();
    if (!m_groups.empty() && m_groups.back().m_dest != kBody && m_line.size() <= kMaxLine) {
        return;
    }
    m_ready.push_back(std::move(m_line));
    m_line.clear();
}

void CRtfInfoReader::CloseGroup() {
    Flush();
    if (m_groups.empty()) {
        return;
    }
    const SGroup closed = m_groups.back();
    m_groups.pop_back();
    if (closed.m_dest == kDate && closed.m_field >= 0 && closed.m_date[0] > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", closed.m_date[0],
                      closed.m_date[1], closed.m_date[2], closed.m_date[3], closed.m_date[4],
                      closed.m_date[5]);
        m_fields[closed.m_field] = text;
    }
    if (m_groups.empty()) {
        m_end = true;
    }
}

void CRtfInfoReader::ControlWord(const std::string& word, bool hasParam, long param) {
    SGroup& g = m_groups.back();
    const bool star = std::exchange(m_star, false);
    if (word == "u") {
        Flush();
        m_skipChars = 0;
        const long code = hasParam ? (param < 0 ? param + 65536 : param) : 0xFFFD;
        Char(static_cast<char32_t>(code > 0 && code <= 0xFFFF ? code : 0xFFFD));
        m_skipChars = g.m_uc;
        return;
    }
    m_skipChars = 0;
    if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") {
        if (g.m_dest == kBody) {
            EndParagraph();
        }
    } else if (word == "tab" || word == "cell") {
        Char('\t');
    } else if (word == "emdash" || word == "endash") {
        Char('-');
    } else if (word == "bullet") {
        Char(0x2022);
    } else if (word == "lquote" || word == "rquote") {
        Char(word[0] == 'l' ? 0x2018 : 0x2019);
    } else if (word == "ldblquote" || word == "rdblquote") {
        Char(word[0] == 'l' ? 0x201C : 0x201D);
    } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
        Char(' ');
    } else if (word == "ansicpg" && hasParam && param > 0 && param < 100000) {
        m_docCodePage = static_cast<int>(param);
    } else if (word == "mac") {
        m_docCodePage = 10000;
    } else if (word == "pc") {
        m_docCodePage = 437;
    } else if (word == "pca") {
        m_docCodePage = 850;
    } else if (word == "uc" && hasParam && param >= 0 && param <= 16) {
        g.m_uc = static_cast<int>(param);
    } else if (word == "info") {
        Flush();
        g.m_dest = kInfo;
    } else if (word == "creatim" || word == "revtim") {
        if (g.m_dest == kInfo) {
            g.m_dest = kDate;
            g.m_field = word == "creatim" ? kCreated : kRevised;
        }
    } else if (g.m_dest == kDate && hasParam &&
               (word == "yr" || word == "mo" || word == "dy" || word == "hr" || word == "min" ||
                word == "sec")) {
        static constexpr const char* kParts[] = {"yr", "mo", "dy", "hr", "min", "sec"};
        for (int i = 0; i < 6; ++i) {
            if (word == kParts[i]) {
                g.m_date[i] = static_cast<int>(std::clamp(param, 0L, 9999L));
            }
        }
    } else if (word == "fonttbl") {
        g.m_dest = kFontTable;
    } else if (word == "f" && hasParam) {
        if (g.m_dest == kFontTable) {
            m_font = static_cast<int>(param);
        } else {
            Flush();
            auto it = m_fontCodePages.find(static_cast<int>(param));
            g.m_codePage = it == m_fontCodePages.end() ? 0 : it->second;
        }
    } else if (word == "fcharset" && g.m_dest == kFontTable && hasParam) {
        if (m_fontCodePages.size() < 4096) {
            m_fontCodePages[m_font] = CharsetCodePage(param);
        }
    } else if (word == "cpg" && g.m_dest == kFontTable && hasParam && param > 0 && param < 100000) {
        m_fontCodePages[m_font] = static_cast<int>(param);
    } else if (word == "upr") {
        g.m_upr = true;
    } else if (word == "ud") {
        // The Unicode half of \upr: read like its surroundings despite its \*.
    } else if (word == "bin" && hasParam && param > 0) {
        for (long i = 0; i < param && Get() >= 0; ++i) {
        }
    } else {
        for (const SFieldWord& f : kFieldWords) {
            if (word == f.word && g.m_dest == kInfo) {
                Flush();
                g.m_dest = kField;
                g.m_field = f.field;
                return;
            }
        }
        const bool skipped = std::any_of(std::begin(kSkipped), std::end(kSkipped),
                                         [&](const char* s) { return word == s; });
        if (skipped || star) {
            Flush();
            g.m_dest = kSkip;
        }
    }
}

bool CRtfInfoReader::Step() {
    const int c = Get();
    if (c < 0) {
        Flush();
        m_end = true;
        return false;
    }
    switch (c) {
    case '{': {
        Flush();
        if (m_overflow > 0 || static_cast<int>(m_groups.size()) >= kMaxDepth) {
            // Deeper nesting is counted, not kept: its text is skipped.
            ++m_overflow;
            return true;
        }
        SGroup child = m_groups.back();
        child.m_upr = false;
        if (m_groups.back().m_upr) {
            child.m_dest = kSkip; // the ANSI half of \upr
            m_groups.back().m_upr = false;
        }
        m_groups.push_back(child);
        m_skipChars = 0;
        return true;
    }
    case '}':
        if (m_overflow > 0) {
            --m_overflow;
            return true;
        }
        CloseGroup();
        m_skipChars = 0;
        return !m_end;
    case '\\': {
        const int n = Get();
        if (n < 0) {
            return false;
        }
        if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z')) {
            std::string word(1, static_cast<char>(n));
            int d = Get();
            while (d >= 0 && ((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z'))) {
                if (word.size() < kMaxWord) {
                    word += static_cast<char>(d);
                }
                d = Get();
            }
            bool negative = false;
            bool hasParam = false;
            long param = 0;
            if (d == '-') {
                negative = true;
                d = Get();
            }
            int digits = 0;
            while (d >= '0' && d <= '9') {
                if (digits++ < kMaxDigits) {
                    param = param * 10 + (d - '0');
                }
                hasParam = true;
                d = Get();
            }
            if (negative) {
                param = -param;
            }
            if (d != ' ' && d >= 0) {
                m_pushback = d;
            }
            ControlWord(word, hasParam, param);
            return true;
        }
        if (n == '\'') {
            int value = 0;
            for (int i = 0; i < 2; ++i) {
                const int h = Get();
                const int v = h >= '0' && h <= '9'   ? h - '0'
                              : h >= 'a' && h <= 'f' ? h - 'a' + 10
                              : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                     : -1;
                if (v < 0) {
                    if (h >= 0) {
                        m_pushback = h;
                    }
                    return true;
                }
                value = value * 16 + v;
            }
            Byte(static_cast<unsigned char>(value));
            return true;
        }
        m_star = false;
        switch (n) {
        case '*':
            m_star = true;
            break;
        case '\\':
        case '{':
        case '}':
            Byte(static_cast<unsigned char>(n));
            break;
        case '~':
            Char(0xA0);
            break;
        case '_':
            Char('-');
            break;
        case '\r':
        case '\n':
            if (m_groups.back().m_dest == kBody) {
                EndParagraph();
            }
            break;
        default:
            break;
        }
        return true;
    }
    case '\r':
    case '\n':
        return true;
    default:
        Byte(static_cast<unsigned char>(c));
        return true;
    }
}

} // namespace quillora
