// The process's one extraction manager.
#include "cli/ExtractServices.h"
#include "cli/CliSupport.h"

#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "extract/PluginFolder.h"
#include "model/PropertyDefinitions.h"

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
        CProfileStore store = ReadSettingsStore();
        manager.Load(store, CPluginFolder::Find());
    });
    return manager;
}

void InstallPropertyDefinitions() {
    static CLazyDefinitions definitions;
    SetPropertyDefinitions(&definitions);
}

} // namespace quillora::cli
