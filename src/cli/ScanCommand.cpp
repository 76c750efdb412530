// `quillora-cli scan CASE PATH`: scans a mount point or folder as a new medium and
// appends it to the case (creating the case when it does not exist yet).
#include "cli/ArchiveServices.h"
#include "cli/CliDocumentUi.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ScanSettings.h"

#include "core/ConfigData.h"
#include "core/Text.h"
#include "document/CCaseDocument.h"
#include "model/CaseFile.h"
#include "model/MediumPath.h"
#include "model/RecordFlags.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"
#include "scan/VolumeScanner.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace quillora::cli {

namespace {

constexpr const char* kUsage =
    "usage: quillora-cli scan CASE PATH [--label L] [--comment C] [--crc] [--arc-crc] "
    "[--no-archives] [--group LABEL] "
    "[--password P] [--update]";

SFileInfo& GroupFor(CCDCase& root, const std::string& label) {
    for (std::size_t i = 0; i < root.ChildCount(); ++i) {
        auto* group = dynamic_cast<SGroupInfo*>(root.ChildAt(i));
        if (group && group->HasFlags(kFlagGroup) && group->m_strLabel == label) {
            return *group;
        }
    }
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel(label);
    group->UpdateDisplayName();
    return *root.AddChild(std::move(group));
}

void PrintSummary(const SVolumeInfo& medium, double seconds, const char* verb = "added") {
    std::printf("%s medium \"%s\" (%s): %zu folders, %zu files, %llu bytes in %.2f s\n", verb,
                medium.m_strLabel.c_str(), MediumOsFolder(medium).c_str(),
                medium.CountFolders(true), medium.CountFiles(true),
                static_cast<unsigned long long>(medium.m_nSize), seconds);
}

// The medium of the case that `osPath` is: the same folder below its mount point (or
// network path) and the same volume by the medium identification option.
SVolumeInfo* FindScannedMedium(CCDCase& root, const std::string& osPath) {
    SVolumeInfo probe;
    CVolumeScanner::SetVolumeInfo(probe, osPath, nullptr, nullptr);
    for (SVolumeInfo* medium : CMediaPresence::CollectMedia(root)) {
        if (!text::EqualsNoCase(medium->m_strName, probe.m_strName)) {
            continue;
        }
        if (probe.HasFlags(kFlagRemote) ||
            medium->MatchMedium(probe.m_dwSerial, &probe.m_strOrgLabel)) {
            return medium;
        }
    }
    return nullptr;
}

// scan --update: re-scans the matching medium in its place and keeps the user's data
// of every path that did not change.
int RunScanUpdate(const std::string& casePath, const std::string& scanPath,
                  const std::optional<std::string>& label,
                  const std::optional<std::string>& comment,
                  const std::optional<std::string>& password) {
    if (!FileExists(casePath)) {
        ReportError(casePath + ": no such case to update");
        return kExitFailure;
    }
    CCliDocumentUi ui(password);
    CDriveTable drives;
    CMediaPresence presence;
    CCaseDocument doc(ui, drives, presence);
    doc.SetFileLocking(false);
    if (!doc.OnOpenDocument(casePath)) {
        return kExitFailure;
    }
    SVolumeInfo* existing = FindScannedMedium(doc.Case(), scanPath);
    if (!existing) {
        ReportError("no medium of " + casePath + " matches " + scanPath);
        return kExitFailure;
    }
    SVolumeInfo* updated = doc.DoSetCD(scanPath, label ? &*label : nullptr,
                                       comment ? &*comment : nullptr, existing, kAddRescan);
    if (!updated) {
        ReportError(ui.Cancelled() ? "scan cancelled; " + casePath + " was not changed"
                                   : "the medium was not updated");
        return kExitFailure;
    }
    try {
        SaveCaseFile(doc.Case(), casePath, IsGzipFile(casePath));
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, casePath));
        return kExitFailure;
    }
    PrintSummary(*updated, ui.LastScanSeconds(), "updated");
    return kExitOk;
}

} // namespace

int RunScan(const Args& args) {
    CArgs a(args, {"label", "comment", "group", "password"});
    if (!a.Check({"crc", "arc-crc", "no-archives", "update"}) || a.Positional().size() != 2) {
        ReportError(a.Error().empty() ? kUsage : a.Error());
        return kExitUsage;
    }
    const std::string& casePath = a.Positional()[0];
    const std::string& scanPath = a.Positional()[1];
    struct stat st {};
    if (stat(scanPath.c_str(), &st) != 0) {
        ReportError(scanPath + ": " + std::strerror(errno));
        return kExitFailure;
    }
    if (!S_ISDIR(st.st_mode)) {
        ReportError(scanPath + ": not a folder");
        return kExitFailure;
    }

    // Held from the read to the save: an edit made during the scan waits for it.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, casePath)) {
        return kExitFailure;
    }
    std::unique_ptr<CCDCase> root;
    bool compress = false;
    if (FileExists(casePath)) {
        // A case that cannot be read is never replaced.
        root = LoadCaseOrReport(casePath, a.Value("password"));
        if (!root) {
            return kExitFailure;
        }
        compress = IsGzipFile(casePath);
    } else {
        root = std::make_unique<CCDCase>();
    }

    LoadScanSettings();
    if (a.Has("crc")) {
        Config().m_nAddVolCRC = 1;
    }
    if (a.Has("arc-crc")) {
        Config().m_nAddVolArcCRC = 1;
    }
    SetListArchives(!a.Has("no-archives"));
    const std::optional<std::string> label = a.Value("label");
    const std::optional<std::string> comment = a.Value("comment");

    if (a.Has("update")) {
        return RunScanUpdate(casePath, scanPath, label, comment, a.Value("password"));
    }
    double seconds = 0;
    std::unique_ptr<SVolumeInfo> medium =
        ScanMedium(scanPath, label ? &*label : nullptr, comment ? &*comment : nullptr, &seconds);
    if (!medium) {
        ReportError("scan cancelled; " + casePath + " was not changed");
        return kExitFailure;
    }

    SVolumeInfo& added = *medium;
    SFileInfo& parent = a.Value("group") ? GroupFor(*root, *a.Value("group")) : *root;
    parent.AddChild(std::move(medium));
    parent.RecalcSize(false);
    added.UpdateDisplayName();
    try {
        SaveCaseFile(*root, casePath, compress);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, casePath));
        return kExitFailure;
    }
    PrintSummary(added, seconds);
    return kExitOk;
}

} // namespace quillora::cli
