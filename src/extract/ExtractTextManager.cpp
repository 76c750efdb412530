// The extraction manager.
#include "extract/ExtractTextManager.h"

#include "extract/ExtractedText.h"

#include "core/ProfileStore.h"
#include "core/Text.h"
#include "core/TraceLog.h"
#include "extract/ExtractFile.h"
#include "extract/ExtractedText.h"
#include "extract/HtmlExtractor.h"
#include "extract/ImportPropertyHolder.h"
#include "extract/ModuleExtractor.h"
#include "extract/OfficeExtractor.h"
#include "extract/PluginExtractor.h"
#include "extract/ShippedPlugins.h"
#include "extract/TextFileExtractor.h"
#include "extract/UrlExtractor.h"
#include "model/SFileInfo.h"

#include <dirent.h>

#include <algorithm>

namespace quillora {

namespace {

// Every tob*.so of the folder that is not one of the family's own files, by name.
std::vector<std::string> OtherPlugins(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= 6 || name.compare(0, 3, "tob") != 0 ||
            name.compare(name.size() - 3, 3, ".so") != 0) {
            continue;
        }
        const bool shipped = std::any_of(
            std::begin(kShippedPlugins), std::end(kShippedPlugins), [&](const SShippedPlugin& p) {
                return name == p.m_file || (p.m_alternative && name == p.m_alternative);
            });
        if (!shipped) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

CExtractTextManager::~CExtractTextManager() = default;

bool CExtractTextManager::Load(const CProfileStore& store, const std::string& pluginFolder) {
    m_extractors.clear();
    Register(store, {}, {}, std::make_unique<COfficeExtractor>());
    Register(store, {}, {}, std::make_unique<CTextFileExtractor>());
    Register(store, {}, {}, std::make_unique<CHtmlExtractor>());
    Register(store, {}, {}, std::make_unique<CModuleExtractor>());
    Register(store, {}, {}, std::make_unique<CUrlExtractor>());
    for (const SShippedPlugin& plugin : kShippedPlugins) {
        if (!Register(store, pluginFolder, plugin.m_file, nullptr) && plugin.m_alternative) {
            Register(store, pluginFolder, plugin.m_alternative, nullptr);
        }
    }
    for (const std::string& other : OtherPlugins(pluginFolder)) {
        Register(store, pluginFolder, other, nullptr);
    }
    Register(store, {}, {}, std::make_unique<CImportPropertyHolder>());
    return !m_extractors.empty();
}

CTextExtractor* CExtractTextManager::Register(const CProfileStore& store, const std::string& folder,
                                              const std::string& library,
                                              std::unique_ptr<CTextExtractor> extractor) {
    if (!library.empty() && !folder.empty()) {
        auto plugin = std::make_unique<CPluginExtractor>();
        if (plugin->Load(folder + "/" + library)) {
            if (FindExtractor(plugin->m_strName)) {
                // Two extractors of one name would share settings and property sets.
                LogFormat("plug-in %s: the name %s is taken", library.c_str(),
                          plugin->m_strName.c_str());
                return nullptr;
            }
            extractor = std::move(plugin);
        }
    }
    if (!extractor) {
        return nullptr;
    }
    extractor->LoadSettings(store, kExtractorSettingsSection);
    m_extractors.push_back(std::move(extractor));
    return m_extractors.back().get();
}

void CExtractTextManager::SaveSettings(CProfileStore& store) const {
    for (const auto& extractor : m_extractors) {
        extractor->SaveSettings(store, kExtractorSettingsSection);
    }
}

void CExtractTextManager::Unload(CProfileStore& store) {
    SaveSettings(store);
    m_extractors.clear();
}

CTextExtractor* CExtractTextManager::FindExtractor(std::string_view name) const {
    for (const auto& extractor : m_extractors) {
        if (text::EqualsNoCase(extractor->m_strName, name)) {
            return extractor.get();
        }
    }
    return nullptr;
}

int CExtractTextManager::FindBySuffix(const std::string& upperSuffix, int start) const {
    for (std::size_t i = static_cast<std::size_t>(std::max(start, 0)); i < m_extractors.size();
         ++i) {
        if (m_extractors[i]->m_bEnable && m_extractors[i]->CheckSuffix(upperSuffix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string CExtractTextManager::UpperSuffix(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    return text::AsciiUpper(name.substr(dot + 1));
}

bool CExtractTextManager::HasExtractorFor(std::string_view fileName) const {
    const std::string suffix = UpperSuffix(fileName);
    return !suffix.empty() && FindBySuffix(suffix, 0) >= 0;
}

bool CExtractTextManager::ExtractText(const std::string& path, std::string& text,
                                      std::unique_ptr<CPropertySet>* props) {
    text.clear();
    const std::string suffix = UpperSuffix(path);
    if (suffix.empty()) {
        return false;
    }
    int i = FindBySuffix(suffix, 0);
    if (i < 0) {
        return false;
    }
    std::lock_guard guard(m_extractLock);
    CExtractFile file;
    if (!file.Open(path)) {
        return false;
    }
    bool result = false;
    while (i >= 0) {
        result = m_extractors[static_cast<std::size_t>(i)]->Extract(file, text, props);
        if (result) {
            break;
        }
        text.clear();
        i = FindBySuffix(suffix, i + 1);
    }
    if (result) {
        CleanExtractedText(text);
        if (props && *props) {
            for (std::string& value : (*props)->Values()) {
                CleanExtractedText(value);
            }
        }
    }
    return result;
}

bool CExtractTextManager::ExtractText(const std::string& osPath, SFileInfo& record,
                                      std::string& text) {
    std::unique_ptr<CPropertySet> props = record.TakeProps();
    const bool result = ExtractText(osPath, text, &props);
    record.SetProps(std::move(props));
    return result;
}

const CPropertyDefinition* CExtractTextManager::FindByName(std::string_view name) const {
    if (const CTextExtractor* extractor = FindExtractor(name)) {
        return &extractor->Definition();
    }
    const bool familyPlugin =
        std::any_of(std::begin(kShippedPlugins), std::end(kShippedPlugins),
                    [&](const SShippedPlugin& p) { return text::EqualsNoCase(p.m_name, name); });
    if (!familyPlugin) {
        return nullptr;
    }
    std::lock_guard guard(m_adoptLock);
    for (const CPropertyDefinition& d : m_adopted) {
        if (text::EqualsNoCase(d.m_strName, name)) {
            return &d;
        }
    }
    CPropertyDefinition adopted;
    adopted.m_strName = std::string(name);
    adopted.m_bAdopted = true;
    for (int key = 1; key <= 255; ++key) {
        adopted.m_itemKeys.push_back(key);
    }
    m_adopted.push_back(std::move(adopted));
    return &m_adopted.back();
}

} // namespace quillora
