// The export and print presets of this process, kept as sections of the configuration
// store (loaded and saved with it).
#pragma once

#include "export/CExportFormSets.h"
#include "export/CPrintFormSet.h"

namespace quillora {

// The export preset sets, joined to Config() on first use. The program calls it before
// RegLoad; called later, it reads the sets from the open store at once so that the
// next RegSave never writes defaults over stored presets.
CExportFormSets& ExportFormSets();

// The selected preset of a format in ExportFormSets(), or a preset with the format's
// defaults when the set is empty (a copy either way).
CFormCondition CurrentExportPreset(EFormFormat format);

// The print presets, joined to Config() on first use (read from the open store at once
// when the configuration was loaded before).
CPrintFormSet& PrintFormSet();

// A copy of the selected print preset, or the defaults when the set is empty.
CPrintCondition CurrentPrintPreset();

} // namespace quillora
