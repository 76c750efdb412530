// Scanning from the command line: Ctrl+C as a clean cancel, the live progress line,
// and the file facts the scan commands need.
#pragma once

#include "model/SVolumeInfo.h"

#include <memory>
#include <string>

namespace quillora::cli {

// Scans the folder or mount point into a new medium, showing progress on a terminal.
// Null when the scan was cancelled (Ctrl+C); the partial medium is discarded.
std::unique_ptr<SVolumeInfo> ScanMedium(const std::string& osPath, const std::string* label,
                                        const std::string* comment, double* seconds = nullptr);

bool FileExists(const std::string& path);

// Whether the file starts with the gzip magic bytes (a compressed case).
bool IsGzipFile(const std::string& path);

} // namespace quillora::cli
