// The process's one extraction manager.
#include "cli/ExtractServices.h"

#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "extract/PluginFolder.h"
#include "model/PropertyDefinitions.h"

#include <fstream>
#include <iterator>
#include <mutex>

namespace quillora::cli {

namespace {

// Finds definitions through the manager, loading it at the first question.
class CLazyDefinitions : public IPropertyDefinitionSource {
public:
    const CPropertyDefinition* FindByName(std::string_view name) const override {
        return Extractors().FindByName(name);
    }
};

} // namespace

CExtractTextManager& Extractors() {
    static CExtractTextManager manager;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        CProfileStore store;
        std::ifstream in(CProfileStore::DefaultPath(), std::ios::binary);
        if (in) {
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            if (!store.FromText(text)) {
                store.Clear();
            }
        }
        manager.Load(store, CPluginFolder::Find());
    });
    return manager;
}

void InstallPropertyDefinitions() {
    static CLazyDefinitions definitions;
    SetPropertyDefinitions(&definitions);
}

} // namespace quillora::cli
