// Printing a re-scan's changes.
#include "cli/ChangeReport.h"

#include "cli/CliDocumentUi.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "model/CatalogPath.h"
#include "model/MediumPath.h"
#include "model/SVolumeInfo.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <cstdio>

namespace quillora::cli {

namespace {

std::string Joined(const std::string& mediumPath, const std::string& below) {
    return mediumPath.empty() ? below : mediumPath + "\\" + below;
}

std::string KindText(ChangeKind kind) {
    const std::string word = CMediumChanges::KindWord(kind);
    return CMediumChanges::IsFolderChange(kind) ? "folder " + word : word;
}

} // namespace

void PrintChanges(const CMediumChanges& changes, const std::string& mediumPath, bool json) {
    for (const SMediumChange& change : changes.Changes()) {
        const std::string path = Joined(mediumPath, change.m_path);
        const bool moved = change.m_kind == ChangeKind::Moved;
        std::string line;
        if (json) {
            line = "{\"change\":" + JsonString(CMediumChanges::KindWord(change.m_kind)) +
                   ",\"path\":" + JsonString(path) +
                   ",\"from\":" + (moved ? JsonString(Joined(mediumPath, change.m_from)) : "null") +
                   ",\"folder\":" +
                   (CMediumChanges::IsFolderChange(change.m_kind) ? "true" : "false") + "}";
        } else {
            line = KindText(change.m_kind) + "\t" + path;
            if (moved) {
                line += "\t" + Joined(mediumPath, change.m_from);
            }
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

std::string RescanCounts(const CScanReport& report, const CMediumChanges& changes) {
    return std::to_string(report.FilesRead()) + " files read, " +
           std::to_string(report.FilesKept()) + " kept unchanged; " + changes.Summary();
}

std::string RescanCountsJson(const CScanReport& report, const CMediumChanges& changes) {
    auto field = [](const char* name, std::size_t value) {
        return std::string("\"") + name + "\":" + std::to_string(value);
    };
    return "{\"summary\":{" + field("added", changes.Count(ChangeKind::Added)) + "," +
           field("removed", changes.Count(ChangeKind::Removed)) + "," +
           field("modified", changes.Count(ChangeKind::Modified)) + "," +
           field("moved", changes.Count(ChangeKind::Moved)) + "," +
           field("folders_added", changes.Count(ChangeKind::FolderAdded)) + "," +
           field("folders_removed", changes.Count(ChangeKind::FolderRemoved)) + "," +
           field("times_shifted", changes.TimesShifted()) + "," +
           field("files_read", report.FilesRead()) + "," + field("files_kept", report.FilesKept()) +
           "}}";
}

void PrintSummaryLine(std::FILE* out, const char* verb, const SVolumeInfo& medium, double seconds,
                      const CScanReport& report, const std::string& extra) {
    const std::string skipped = report.Summary();
    std::fprintf(
        out, "%s medium \"%s\" (%s): %zu folders, %zu files, %llu bytes in %.2f s%s%s%s%s\n", verb,
        medium.m_strLabel.c_str(), MediumOsFolder(medium).c_str(), medium.CountFolders(true),
        medium.CountFiles(true), static_cast<unsigned long long>(medium.m_nSize), seconds,
        skipped.empty() ? "" : "; ", skipped.c_str(), extra.empty() ? "" : "; ", extra.c_str());
}

void PrintRescanResult(const SVolumeInfo& updated, const CCliDocumentUi& ui, bool verbose,
                       bool changes, bool json) {
    const CScanReport& report = *ui.LastScanReport();
    const CMediumChanges& found = *ui.LastScanChanges();
    if (verbose) {
        PrintSkippedItems(report);
    }
    if (changes) {
        PrintChanges(found, CatalogPath(updated), json);
    }
    if (json) {
        std::printf("%s\n", RescanCountsJson(report, found).c_str());
        std::fflush(stdout);
    }
    // With JSON on stdout the line for people goes to stderr.
    PrintSummaryLine(json ? stderr : stdout, "updated", updated, ui.LastScanSeconds(), report,
                     RescanCounts(report, found));
}

} // namespace quillora::cli
