// The settings a batch scan reads from the user's configuration, read without
// touching the settings file.
#pragma once

namespace quillora::cli {

// Reads the scan, drive and medium-identification options of the desktop program's
// settings file into the process-wide configuration. A missing or unreadable file
// leaves the defaults. Unlike the program's start-up load, nothing is written back:
// a batch run must not disturb the desktop program's autorun guard or its file.
void LoadScanSettings();

} // namespace quillora::cli
