// The C entry points every plug-in exports, over the plug-in's own Info and Open.
#include "common/PluginCore.h"
// Everything the interface declares is exported; the rest of the plug-in stays hidden.
#pragma GCC visibility push(default)
#include "extract/TobPluginApi.h"
#pragma GCC visibility pop

#include <cstring>
#include <exception>

#define TOB_EXPORT __attribute__((visibility("default")))

namespace {

using quillora::plugin::IDocument;

std::unique_ptr<IDocument> g_document;
std::string g_line;
std::string g_suffixes;

bool Matches(const char* suffix) {
    std::string_view list = quillora::plugin::Info().m_suffixes;
    const std::string_view wanted = suffix ? suffix : "";
    while (!list.empty()) {
        const std::size_t semi = list.find(';');
        if (list.substr(0, semi) == wanted && !wanted.empty()) {
            return true;
        }
        if (semi == std::string_view::npos) {
            break;
        }
        list.remove_prefix(semi + 1);
    }
    return false;
}

} // namespace

extern "C" {

const unsigned short TOBproductVersion[4] = {QUILLORA_VERSION_MAJOR, QUILLORA_VERSION_MINOR,
                                             QUILLORA_VERSION_PATCH, 0};

TOB_EXPORT const char* TOBgetName(void) {
    return quillora::plugin::Info().m_name;
}

TOB_EXPORT int TOBgetSupportType(void) {
    return quillora::plugin::Info().m_support;
}

TOB_EXPORT int TOBcheckSuffix(const char* suffix) {
    return Matches(suffix) ? 1 : 0;
}

TOB_EXPORT const char* TOBgetDefaultSuffix(void) {
    return quillora::plugin::Info().m_suffixes;
}

TOB_EXPORT int TOBopen(const char* path) {
    g_document.reset();
    if (!path) {
        return 0;
    }
    // No exception may cross the C boundary: a file the library chokes on is a file
    // this plug-in cannot read.
    try {
        g_document = quillora::plugin::Open(path);
    } catch (const std::exception&) {
        g_document.reset();
    }
    return g_document ? 1 : 0;
}

TOB_EXPORT void TOBclose(void) {
    g_document.reset();
}

TOB_EXPORT const char* TOBgetLine(void) {
    if (!g_document) {
        return nullptr;
    }
    try {
        return g_document->NextLine(g_line) ? g_line.c_str() : nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

TOB_EXPORT int TOBgetPropertyCount(void) {
    return static_cast<int>(quillora::plugin::Info().m_properties.size());
}

TOB_EXPORT int TOBgetPropertyKey(int index) {
    const auto& table = quillora::plugin::Info().m_properties;
    return index >= 0 && static_cast<std::size_t>(index) < table.size() ? table[index].m_nKey : 0;
}

TOB_EXPORT const char* TOBgetPropertyTitle(int index) {
    const auto& table = quillora::plugin::Info().m_properties;
    return index >= 0 && static_cast<std::size_t>(index) < table.size() ? table[index].m_title
                                                                        : nullptr;
}

TOB_EXPORT const char* TOBgetPropertyValue(int index) {
    if (!g_document || index < 0 ||
        static_cast<std::size_t>(index) >= g_document->m_values.size()) {
        return nullptr;
    }
    return g_document->m_values[index].c_str();
}

} // extern "C"
