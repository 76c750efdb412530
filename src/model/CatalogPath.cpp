// Catalogue path building and look-up.
#include "model/CatalogPath.h"

#include "core/Text.h"
#include "model/CCDCase.h"
#include "model/SVolumeInfo.h"

#include <vector>

namespace quillora {

const std::string& CatalogSegment(const SFileInfo& record) {
    if (record.HasFlags(kFlagMedium | kFlagGroup)) {
        return static_cast<const SVolumeInfo&>(record).m_strLabel;
    }
    return record.m_strName;
}

std::string CatalogPath(const SFileInfo& record) {
    std::vector<const SFileInfo*> chain;
    for (const SFileInfo* r = &record; r && !r->HasFlags(kFlagCase); r = r->GetParent()) {
        chain.push_back(r);
    }
    std::string path;
    for (std::size_t i = chain.size(); i-- > 0;) {
        path += CatalogSegment(*chain[i]);
        if (i > 0) {
            path += '\\';
        }
    }
    return path;
}

SFileInfo* FindByCatalogPath(const CCDCase& root, std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (i > start) {
                parts.push_back(path.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    const SFileInfo* current = &root;
    for (std::string_view part : parts) {
        const SFileInfo* next = nullptr;
        for (const auto& child : current->Children()) {
            if (text::EqualsNoCase(CatalogSegment(*child), part)) {
                next = child.get();
                break;
            }
        }
        if (!next) {
            return nullptr;
        }
        current = next;
    }
    return const_cast<SFileInfo*>(current);
}

} // namespace quillora
