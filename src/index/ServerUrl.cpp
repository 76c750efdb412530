// Hiding and dropping the password of an index server's address.
#include "index/ServerUrl.h"

#include <cctype>
#include <vector>

namespace quillora {

namespace {

constexpr const char* kHidden = "***";

// Where a password stands in a text: its value, and the span WithoutPassword drops.
struct SPasswordSpan {
    std::size_t m_nValue = 0;
    std::size_t m_nValueLength = 0;
    std::size_t m_nDrop = 0; // the span dropped by WithoutPassword
    std::size_t m_nDropLength = 0;
};

bool IsUrl(const std::string& text) {
    return text.starts_with("postgresql://") || text.starts_with("postgres://");
}

// Every "password=" among the query parameters of a URL (from `query`, after the "?").
void InQuery(const std::string& text, std::size_t query, std::vector<SPasswordSpan>& spans) {
    for (std::size_t at = query; at < text.size();) {
        const std::size_t end = std::min(text.find('&', at), text.size());
        if (text.compare(at, 9, "password=") == 0 && at + 9 <= end) {
            // Dropped with the separator before it ("?" or "&"), and the "&" after it when
            // it was the first parameter.
            SPasswordSpan span{at + 9, end - at - 9, at - 1, end - at + 1};
            if (text[at - 1] == '?' && end < text.size()) {
                span.m_nDrop = at;
            }
            spans.push_back(span);
        }
        at = end + 1;
    }
}

void InUrl(const std::string& text, std::vector<SPasswordSpan>& spans) {
    const std::size_t start = text.find("://") + 3;
    const std::size_t authorityEnd = std::min(text.find_first_of("/?", start), text.size());
    const std::size_t at = text.rfind('@', authorityEnd);
    if (at != std::string::npos && at >= start) {
        const std::size_t colon = text.find(':', start);
        if (colon < at) {
            spans.push_back({colon + 1, at - colon - 1, colon, at - colon});
        }
    }
    const std::size_t query = text.find('?', start);
    if (query != std::string::npos) {
        InQuery(text, query + 1, spans);
    }
}

// "password=value" or "password = 'quoted value'" in libpq's keyword form.
void InKeywords(const std::string& text, std::vector<SPasswordSpan>& spans) {
    std::size_t at = 0;
    auto space = [&] { return std::isspace(static_cast<unsigned char>(text[at])) != 0; };
    while (at < text.size()) {
        while (at < text.size() && space()) {
            ++at;
        }
        const std::size_t keyStart = at;
        while (at < text.size() && text[at] != '=' && !space()) {
            ++at;
        }
        const std::string key = text.substr(keyStart, at - keyStart);
        while (at < text.size() && (text[at] == '=' || space())) {
            ++at;
        }
        const std::size_t valueStart = at;
        if (at < text.size() && text[at] == '\'') {
            for (++at; at < text.size() && text[at] != '\''; ++at) {
                if (text[at] == '\\') {
                    ++at;
                }
            }
            at = std::min(at + 1, text.size());
        } else {
            while (at < text.size() && !space()) {
                ++at;
            }
        }
        if (key == "password") {
            spans.push_back({valueStart, at - valueStart, keyStart, at - keyStart});
        }
        if (at == keyStart) {
            break;
        }
    }
}

// Every password in `text`, first to last.
std::vector<SPasswordSpan> Passwords(const std::string& text) {
    std::vector<SPasswordSpan> spans;
    if (IsUrl(text)) {
        InUrl(text, spans);
    } else {
        InKeywords(text, spans);
    }
    return spans;
}

} // namespace

bool IsServerAddress(const std::string& text) {
    return IsUrl(text) || (text.find('=') != std::string::npos && text.find_first_of("/.~") != 0);
}

std::string ShownServer(const std::string& conninfo) {
    if (conninfo.empty()) {
        return "postgresql://";
    }
    std::string shown = conninfo;
    const std::vector<SPasswordSpan> spans = Passwords(conninfo);
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        shown.replace(span->m_nValue, span->m_nValueLength, kHidden);
    }
    return shown;
}

std::string WithoutPassword(const std::string& conninfo) {
    std::string text = conninfo;
    const std::vector<SPasswordSpan> spans = Passwords(conninfo);
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        text.erase(span->m_nDrop, span->m_nDropLength);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

bool HasPassword(const std::string& conninfo) {
    return !Passwords(conninfo).empty();
}

} // namespace quillora
