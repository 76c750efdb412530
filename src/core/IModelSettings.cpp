// Process-wide hook through which the model reads its options.
#include "core/IModelSettings.h"

#include <atomic>

namespace quillora {

namespace {
std::atomic<const IModelSettings*> g_settings{nullptr};
}

const IModelSettings* ModelSettings() {
    return g_settings.load();
}
void SetModelSettings(const IModelSettings* settings) {
    g_settings.store(settings);
}

int MediaIdSetting() {
    const IModelSettings* s = ModelSettings();
    return s ? s->MediaId() : 0;
}
int FileDispModeSetting() {
    const IModelSettings* s = ModelSettings();
    return s ? s->FileDispMode() : 0;
}
int SizeUnitModeSetting() {
    const IModelSettings* s = ModelSettings();
    return s ? s->SizeUnitMode() : 0;
}

} // namespace quillora
