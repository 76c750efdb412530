// The preset sets joined to the configuration store as section handlers.
#include "document/FormPresets.h"

#include "core/ConfigData.h"

#include <memory>

namespace quillora {

namespace {

// The handler of type T registered with the configuration, registered (and read from
// the open store) on first use.
template <typename T> T& JoinedSection() {
    CConfigData& config = Config();
    if (auto* handler = config.SectionHandler<T>()) {
        return *handler;
    }
    auto handler = std::make_unique<T>();
    T& ref = *handler;
    if (config.IsStoreOpen()) {
        ref.Load(config.Store());
    }
    config.AddSectionHandler(std::move(handler));
    return ref;
}

} // namespace

CExportFormSets& ExportFormSets() {
    return JoinedSection<CExportFormSets>();
}

CFormCondition CurrentExportPreset(EFormFormat format) {
    if (const CFormCondition* current = ExportFormSets().Current(format)) {
        return *current;
    }
    return CFormCondition(format);
}

CPrintFormSet& PrintFormSet() {
    return JoinedSection<CPrintFormSet>();
}

CPrintCondition CurrentPrintPreset() {
    if (const CPrintCondition* current = PrintFormSet().Current()) {
        return *current;
    }
    return CPrintCondition();
}

} // namespace quillora
