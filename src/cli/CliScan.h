// Scanning from the command line: Ctrl+C as a clean cancel, the live progress line,
// and the file facts the scan commands need.
#pragma once

#include "model/SVolumeInfo.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <memory>
#include <string>

namespace quillora::cli {

// A scan that compares with the case's copy of the medium (see
// CVolumeScanner::SetPrevious).
struct SRescan {
    const SVolumeInfo* m_previous = nullptr;
    bool m_keepUnchanged = true;         // false: every file is read (--full)
    CMediumChanges* m_changes = nullptr; // receives what changed
};

// Scans the folder or mount point into a new medium, showing progress on a terminal.
// Null when the scan was cancelled (Ctrl+C) or failed (report->RootFailed()); the
// partial medium is discarded. `report` receives what the scan could not read.
std::unique_ptr<SVolumeInfo> ScanMedium(const std::string& osPath, const std::string* label,
                                        const std::string* comment, double* seconds = nullptr,
                                        CScanReport* report = nullptr,
                                        const SRescan* rescan = nullptr);

// Why the scan of `osPath` failed, in one English line without the program's prefix;
// empty when the report shows no failure.
std::string ScanFailureLine(const std::string& osPath, const CScanReport& report);

// One "quillora-cli: warning: PATH: cannot read folder: <reason>" line on stderr per
// item the scan skipped.
void PrintSkippedItems(const CScanReport& report);

bool FileExists(const std::string& path);

// Whether the file starts with the gzip magic bytes (a compressed case).
bool IsGzipFile(const std::string& path);

} // namespace quillora::cli
