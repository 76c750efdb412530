// The internet-shortcut reader.
#include "extract/UrlExtractor.h"

#include "core/Text.h"
#include "extract/CodeConverter.h"
#include "extract/ExtractFile.h"
#include "extract/OfficeExtractor.h"
#include "extract/PropertyTitles.h"

namespace quillora {

namespace {

constexpr std::size_t kMaxRead = 64 * 1024;
constexpr std::size_t kMaxUrl = 4095;

} // namespace

CUrlExtractor::CUrlExtractor() {
    SetName("URL");
    m_strVersion = "1.0.1.0";
    m_dwSupport = kSupportTitle;
    m_bPropUse = 0;
    m_nDocTarget = kTargetTitle;
    std::vector<SExtractProperty> table;
    for (int key = 1; key <= 5; ++key) {
        table.push_back({key, CPropertyTitles::Title(key), {}});
    }
    SetPropertyTable(std::move(table));
    KeepDefaults();
}

bool CUrlExtractor::CheckSuffix(const std::string& upperSuffix) {
    return MatchSuffixList(upperSuffix, "URL", 3);
}

void CUrlExtractor::GetDefaultSuffix(std::string& suffixes) {
    suffixes = "URL";
}

bool CUrlExtractor::ReadUrl(std::string_view ini, std::string& url) {
    bool inSection = false;
    while (!ini.empty()) {
        const std::size_t lf = ini.find('\n');
        std::string_view line = text::Trim(ini.substr(0, lf), " \t\r");
        ini = lf == std::string_view::npos ? std::string_view{} : ini.substr(lf + 1);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inSection = close != std::string_view::npos &&
                        text::EqualsNoCase(text::Trim(line.substr(1, close - 1), " \t\r"),
                                           "InternetShortcut");
            continue;
        }
        const std::size_t eq = line.find('=');
        if (inSection && eq != std::string_view::npos &&
            text::EqualsNoCase(text::Trim(line.substr(0, eq), " \t\r"), "URL")) {
            std::string value(text::Trim(line.substr(eq + 1), " \t\r"));
            if (value.size() > kMaxUrl) {
                value.resize(kMaxUrl);
            }
            url = CCodeConverter::ToUtf8(value, false);
            return true;
        }
    }
    return false;
}

bool CUrlExtractor::GetTitle(CExtractFile& file, std::string& out) {
    std::string url;
    if (!ReadUrl(file.Head(kMaxRead), url)) {
        return false;
    }
    if (AnyMapOn()) {
        MapChars(url, out);
    } else {
        out = std::move(url);
    }
    return !out.empty();
}

} // namespace quillora
