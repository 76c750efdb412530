// Plug-in libraries as extractors.
#include "extract/PluginExtractor.h"

#include "core/TraceLog.h"
#include "extract/CodeConverter.h"
#include "extract/ExtractFile.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace quillora {

CPluginExtractor::~CPluginExtractor() {
    if (m_bOpen && m_close) {
        m_close();
    }
    Unload();
}

void CPluginExtractor::Unload() {
    if (m_module) {
        dlclose(m_module);
        m_module = nullptr;
    }
}

std::string CPluginExtractor::Copy(const char* text) {
    if (!text) {
        return {};
    }
    return std::string(text, strnlen(text, kMaxPluginText));
}

bool CPluginExtractor::Load(const std::string& path) {
    Unload();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        return false;
    }
    auto find = [module](const char* name) { return dlsym(module, name); };
    m_getName = reinterpret_cast<GetString>(find("TOBgetName"));
    m_getSupportType = reinterpret_cast<GetInt>(find("TOBgetSupportType"));
    m_checkSuffix = reinterpret_cast<TakeString>(find("TOBcheckSuffix"));
    m_getDefaultSuffix = reinterpret_cast<GetString>(find("TOBgetDefaultSuffix"));
    m_open = reinterpret_cast<TakeString>(find("TOBopen"));
    m_close = reinterpret_cast<Action>(find("TOBclose"));
    m_getLine = reinterpret_cast<GetString>(find("TOBgetLine"));
    m_getPropertyCount = reinterpret_cast<GetInt>(find("TOBgetPropertyCount"));
    m_getPropertyKey = reinterpret_cast<IndexInt>(find("TOBgetPropertyKey"));
    m_getPropertyTitle = reinterpret_cast<IndexString>(find("TOBgetPropertyTitle"));
    m_getPropertyValue = reinterpret_cast<IndexString>(find("TOBgetPropertyValue"));
    // The other six are called without a test, so a library without them is refused
    // as well rather than crashing later.
    if (!m_getName || !m_getSupportType || !m_checkSuffix || !m_open || !m_close ||
        !m_getDefaultSuffix || !m_getLine || !m_getPropertyCount || !m_getPropertyKey ||
        !m_getPropertyTitle || !m_getPropertyValue) {
        dlclose(module);
        return false;
    }
    m_module = module;
    m_strPath = path;
    SetName(CCodeConverter::ToUtf8(Copy(m_getName()), true));
    if (m_strName.empty()) {
        Unload();
        return false;
    }
    m_dwSupport = static_cast<std::uint32_t>(m_getSupportType());
    const auto* version = static_cast<const unsigned short*>(find("TOBproductVersion"));
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", version ? version[0] : 0u,
                  version ? version[1] : 0u, version ? version[2] : 0u, version ? version[3] : 0u);
    m_strVersion = text;
    std::vector<SExtractProperty> table;
    const int count = std::min(m_getPropertyCount(), kMaxPluginProperties);
    for (int i = 0; i < count; ++i) {
        table.push_back(
            {m_getPropertyKey(i), CCodeConverter::ToUtf8(Copy(m_getPropertyTitle(i)), true), {}});
    }
    SetPropertyTable(std::move(table));
    m_bPropUse = (m_dwSupport & kSupportProperties) ? 1 : 0;
    if (m_dwSupport & kSupportTitle) {
        m_nDocTarget = kTargetTitle;
    } else if (m_dwSupport & kSupportProperties) {
        m_nDocTarget = kTargetProperties;
    } else if (m_dwSupport & kSupportFullText) {
        m_nDocTarget = kTargetFullText;
    }
    KeepDefaults();
    LogFormat("plug-in %s: %s %s", path.c_str(), m_strName.c_str(), m_strVersion.c_str());
    return true;
}

bool CPluginExtractor::CheckSuffix(const std::string& upperSuffix) {
    return m_module && m_checkSuffix(upperSuffix.c_str()) != 0;
}

void CPluginExtractor::GetDefaultSuffix(std::string& suffixes) {
    suffixes = m_module ? Copy(m_getDefaultSuffix()) : std::string();
}

bool CPluginExtractor::Open(CExtractFile& file) {
    CTextExtractor::Open(file);
    if (!m_module) {
        return false;
    }
    if (m_bOpen) {
        m_close();
    }
    m_bOpen = m_open(file.Path().c_str()) != 0;
    return m_bOpen;
}

void CPluginExtractor::Close() {
    if (m_module && m_bOpen) {
        m_close();
    }
    m_bOpen = false;
}

bool CPluginExtractor::GetLine(CExtractFile&, std::string& line) {
    if (!m_bOpen || m_bEnd) {
        return false;
    }
    const char* next = m_getLine();
    if (!next) {
        m_bEnd = 1;
        return false;
    }
    line = CCodeConverter::ToUtf8(Copy(next), true);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    line += "\r\n";
    return true;
}

bool CPluginExtractor::ReadProperties(CExtractFile&) {
    if (!m_bOpen) {
        return false;
    }
    const auto& table = Properties();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        if (const char* value = m_getPropertyValue(i)) {
            SetPropertyValue(table[static_cast<std::size_t>(i)].m_nKey,
                             CCodeConverter::ToUtf8(Copy(value), true));
        }
    }
    return !table.empty();
}

} // namespace quillora
