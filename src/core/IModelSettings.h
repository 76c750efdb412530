// The few options the catalogue model reads, behind one small interface so that the
// model does not depend on the configuration store that implements it.
#pragma once

namespace quillora {

class IModelSettings {
public:
    virtual ~IModelSettings() = default;
    // Medium identification mode: 0 serial only, 1 serial and original label, 2 label.
    virtual int MediaId() const = 0;
    // Display-name normalisation: 0 explorer-like, 1 upper, 2 lower, 3 original.
    virtual int FileDispMode() const = 0;
    // Size text unit: 0 automatic, 1 Byte, 2 KB, 3 MB, 4 GB.
    virtual int SizeUnitMode() const = 0;
};

// The process-wide settings the model reads; null means the defaults (all 0).
// The application installs its configuration here at start-up.
const IModelSettings* ModelSettings();
void SetModelSettings(const IModelSettings* settings);

int MediaIdSetting();
int FileDispModeSetting();
int SizeUnitModeSetting();

} // namespace quillora
