// Reading "TobConfig.txt".
#include "core/TextConfig.h"

#include "core/Text.h"
#include "core/XdgPaths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quillora {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = (a[i] >= 'a' && a[i] <= 'z') ? char(a[i] - 32) : a[i];
        if (x != b[i]) {
            return false;
        }
    }
    return true;
}

// The leading decimal number as the C library reads it: blanks, a sign, digits.
bool LeadingNumberNonZero(std::string_view text) {
    text = quillora::text::Trim(text, kBlanks);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        text.remove_prefix(1);
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        if (c != '0') {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> CTextConfig::SearchPaths() {
    return {(std::filesystem::path(ProgramFolder()) / kFileName).string(),
            (std::filesystem::path(ConfigFolder()) / kFileName).string()};
}

bool CTextConfig::Load() {
    for (const std::string& path : SearchPaths()) {
        std::ifstream probe(path, std::ios::binary);
        if (probe) {
            return Load(path);
        }
    }
    Clear();
    return false;
}

bool CTextConfig::Load(const std::string& path) {
    Clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

bool CTextConfig::Parse(std::string_view text) {
    Clear();
    // A byte-order mark from a Windows editor would otherwise become part of the first key.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            continue;
        }
        std::string_view key = text::Trim(line.substr(0, eq), kBlanks);
        if (key.empty()) {
            continue;
        }
        m_values[std::string(key)] = std::string(text::Trim(line.substr(eq + 1), kBlanks));
    }
    return !m_values.empty();
}

std::string CTextConfig::GetString(std::string_view key, std::string_view defaultValue) const {
    auto it = m_values.find(key);
    if (it == m_values.end() || it->second.empty()) {
        return std::string(defaultValue);
    }
    return it->second;
}

bool CTextConfig::GetBool(std::string_view key, bool defaultValue) const {
    auto it = m_values.find(key);
    if (it == m_values.end()) {
        return defaultValue;
    }
    if (IEquals(it->second, "TRUE")) {
        return true;
    }
    if (IEquals(it->second, "FALSE")) {
        return false;
    }
    return LeadingNumberNonZero(it->second);
}

bool CTextConfig::Has(std::string_view key) const {
    return m_values.find(key) != m_values.end();
}

} // namespace quillora
