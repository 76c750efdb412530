// The options of the jobs the libraries below run (scans, archive listings and
// extractions), filled from the configuration store: the one place that turns its
// keys into values.
#pragma once

#include "scan/ArchiveOptions.h"
#include "scan/DriveChoice.h"
#include "scan/VolumeScanner.h"

#include <string>

namespace quillora {

class CConfigData;

// The configured extraction folder ("MeltFolder"); when none is set the temporary
// folder, which then becomes the configured one.
std::string ExtractionFolder(CConfigData& config);

// The folder the picker of an extraction starts in: "MeltFolder" when
// "MeltFolderMode" is on and it is set, else the temporary folder.
std::string ExtractionStartFolder(const CConfigData& config);

// The "OptionExtract" keys and "MeltFolder" as it stands (left empty when unset: the
// expansion then works in the temporary folder, and the configuration is not changed).
SArchiveOptions ArchiveOptionsFrom(const CConfigData& config);

// "AutoComment", "MeltAutoComment", "AddVolCRC", "AddVolArcCRC", the pseudo file
// systems key and the archive options.
SScanOptions ScanOptionsFrom(const CConfigData& config);

// "DriveUseAll" and "DriveUse".
SDriveChoice DriveChoiceFrom(const CConfigData& config);

} // namespace quillora
