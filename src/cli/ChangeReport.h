// What `update` and `scan --update` print about a re-scan: the changes one per line
// or as JSON objects, and the counts for the summary line.
#pragma once

#include <cstdio>
#include <string>

namespace quillora {
class CMediumChanges;
class CScanReport;
class SVolumeInfo;
} // namespace quillora

namespace quillora::cli {

class CCliDocumentUi;

// "VERB medium "LABEL" (FOLDER): N folders, N files, N bytes in S s", then what could
// not be read and `extra`, each after "; ".
void PrintSummaryLine(std::FILE* out, const char* verb, const SVolumeInfo& medium, double seconds,
                      const CScanReport& report, const std::string& extra);

// After `update` or `scan --update`: with `verbose` a warning per item skipped, with
// `changes` the changes (PrintChanges), with `json` the counts as an object
// (RescanCountsJson), then the summary line with the counts (on stderr with `json`).
void PrintRescanResult(const SVolumeInfo& updated, const CCliDocumentUi& ui, bool verbose,
                       bool changes, bool json);

// One line per change ("added\tPATH", "moved\tPATH\tFROM", "folder removed\tPATH"),
// or with `json` one object per line ({"change":"moved","path":...,"from":...,
// "folder":false}, "from" null but for moves). Paths are catalogue paths as `tree`
// prints them: `mediumPath` (the medium's own) joined with the path below it.
void PrintChanges(const CMediumChanges& changes, const std::string& mediumPath, bool json);

// "3 files read, 297 kept unchanged; 2 added, 1 removed, ..." for the summary line.
std::string RescanCounts(const CScanReport& report, const CMediumChanges& changes);

// The counts as one JSON object: {"summary":{"added":2,...,"files_read":3,...}}.
std::string RescanCountsJson(const CScanReport& report, const CMediumChanges& changes);

} // namespace quillora::cli
