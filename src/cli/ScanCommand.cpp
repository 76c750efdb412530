// `quillora-cli scan CASE PATH`: scans a mount point or folder as a new medium and
// appends it to the case (creating the case when it does not exist yet).
#include "cli/ArchiveServices.h"
#include "cli/ChangeReport.h"
#include "cli/CliCaseDocument.h"
#include "cli/CliDocumentUi.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/IndexAccess.h"
#include "cli/ScanSettings.h"

#include "core/ConfigData.h"
#include "core/Text.h"
#include "document/CCaseDocument.h"
#include "model/CaseFile.h"
#include "model/MediumPath.h"
#include "model/RecordFlags.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/MediaPresence.h"
#include "scan/VolumeScanner.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace quillora::cli {

namespace {

struct SScanArgs {
    std::string casePath;
    std::string scanPath;
    std::optional<std::string> label;
    std::optional<std::string> comment;
    std::optional<std::string> group;
    std::optional<std::string> password;
    bool crc = false;
    bool arcCrc = false;
    bool noArchives = false;
    bool comments = false;
    bool arcComments = false;
    bool update = false;
    bool full = false;
    bool changes = false;
    bool json = false;
    bool noWait = false;
    bool verbose = false;
    bool pseudoFs = false;
};

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

// The summary line, with what could not be read after the time; with `verbose`
// first one warning line on stderr per item skipped.
void PrintSummary(const SVolumeInfo& medium, double seconds, const CScanReport& report,
                  bool verbose) {
    if (verbose) {
        PrintSkippedItems(report);
    }
    PrintSummaryLine(stdout, "added", medium, seconds, report, {});
}

// Why a scan handed out no medium, in one line.
std::string NoMediumReason(const CScanReport& report, const std::string& scanPath,
                           const std::string& casePath) {
    const std::string failure = ScanFailureLine(scanPath, report);
    return (failure.empty() ? std::string("scan cancelled") : failure) + "; " + casePath +
           " was not changed";
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
int RunScanUpdate(const SScanArgs& a) {
    const std::string& casePath = a.casePath;
    const std::string& scanPath = a.scanPath;
    const std::optional<std::string>& label = a.label;
    const std::optional<std::string>& comment = a.comment;
    if (!FileExists(casePath)) {
        ReportError(casePath + ": no such case to update");
        return kExitFailure;
    }
    CCliDocumentUi ui(a.password);
    ui.SetReadAll(a.full);
    CCliCaseDocument session(ui);
    CCaseDocument& doc = session.Doc();
    if (!session.Open(casePath)) {
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
        ReportError(ui.Cancelled() || ui.LastScanReport()->RootFailed()
                        ? NoMediumReason(*ui.LastScanReport(), scanPath, casePath)
                        : "the medium was not updated");
        return kExitFailure;
    }
    try {
        SaveCaseFile(doc.Case(), casePath, IsGzipFile(casePath));
        IndexCaseAfterCommand(doc.Case(), casePath);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, casePath));
        return kExitFailure;
    }
    PrintRescanResult(*updated, ui, a.verbose, a.changes || a.json, a.json);
    return kExitOk;
}

int RunScan(const SScanArgs& a) {
    struct stat st {};
    if (stat(a.scanPath.c_str(), &st) != 0) {
        ReportError(a.scanPath + ": " + std::strerror(errno));
        return kExitFailure;
    }
    if (!S_ISDIR(st.st_mode)) {
        ReportError(a.scanPath + ": not a folder");
        return kExitFailure;
    }

    // Held from the read to the save: an edit made during the scan waits for it.
    // A case that does not exist yet is locked too (as the empty file it starts as), so
    // that two scans making the same new case take turns.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.casePath, a.noWait, !a.update)) {
        return kExitFailure;
    }
    LoadScanSettings();
    if (a.crc) {
        Config().m_nAddVolCRC = 1;
    }
    if (a.arcCrc) {
        Config().m_nAddVolArcCRC = 1;
    }
    if (a.comments) {
        Config().m_nAutoComment = 1;
    }
    if (a.arcComments) {
        Config().m_nMeltAutoComment = 1;
    }
    if (a.pseudoFs) {
        Config().m_bScanPseudoFileSystems = true;
    }
    SetListArchives(!a.noArchives);

    if (a.update) {
        return RunScanUpdate(a); // the document reads the case itself
    }
    std::unique_ptr<CCDCase> root;
    bool compress = false;
    if (FileExists(a.casePath) && !lock.CreatedFile()) {
        // A case that cannot be read is never replaced.
        root = LoadCaseOrReport(a.casePath, a.password);
        if (!root) {
            return kExitFailure;
        }
        compress = IsGzipFile(a.casePath);
    } else {
        root = std::make_unique<CCDCase>();
    }

    double seconds = 0;
    CScanReport report;
    std::unique_ptr<SVolumeInfo> medium =
        ScanMedium(a.scanPath, a.label ? &*a.label : nullptr, a.comment ? &*a.comment : nullptr,
                   &seconds, &report);
    if (!medium) {
        ReportError(NoMediumReason(report, a.scanPath, a.casePath));
        return kExitFailure;
    }

    SVolumeInfo& added = *medium;
    SFileInfo& parent = a.group ? GroupFor(*root, *a.group) : *root;
    parent.AddChild(std::move(medium));
    parent.RecalcSize(false);
    added.UpdateDisplayName();
    try {
        SaveCaseFile(*root, a.casePath, compress);
        IndexCaseAfterCommand(*root, a.casePath);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    PrintSummary(added, seconds, report, a.verbose);
    return kExitOk;
}

const CCommandRegistration
    kScan({"scan", CommandGroup::Media, "Add a mount point or folder to a case as a medium",
           [](CLI::App& cmd) {
               auto a = std::make_shared<SScanArgs>();
               AddCaseArgument(cmd, a->casePath, "The case file (made when it does not exist)");
               cmd.add_option("PATH", a->scanPath, "The mount point or folder to scan")
                   ->required()
                   ->check(NonEmptyPath());
               cmd.add_option("--label", a->label, "The medium's label (else the volume's)")
                   ->type_name("L");
               cmd.add_option("--comment", a->comment, "The medium's comment")->type_name("C");
               cmd.add_option("--group", a->group,
                              "Put the medium in this group (made when missing)")
                   ->type_name("LABEL");
               cmd.add_flag("--crc", a->crc, "Record the CRC-32 of every file");
               cmd.add_flag("--arc-crc", a->arcCrc, "Record the CRC-32 of every archive entry");
               cmd.add_flag("--no-archives", a->noArchives, "Keep archives as plain files");
               cmd.add_flag("--comments", a->comments,
                            "Extract comments and properties of every file (AutoComment)");
               cmd.add_flag("--arc-comments", a->arcComments,
                            "Extract comments of archive entries (MeltAutoComment)");
               CLI::Option* update = cmd.add_flag(
                   "--update", a->update,
                   "Re-scan the case's medium of PATH in its place, keeping your notes; files "
                   "of unchanged size and time are not read again");
               AddRescanFlags(cmd, a->full, a->changes, a->json, update);
               AddNoWaitFlag(cmd, a->noWait);
               cmd.add_flag("--verbose", a->verbose,
                            "Warn on stderr of every folder or file that could not be read");
               cmd.add_flag("--pseudo-fs", a->pseudoFs,
                            "Scan PATH even on a pseudo file system (proc, sysfs, ...)");
               AddPasswordOption(cmd, a->password);
               return [a] { return RunScan(*a); };
           }});

} // namespace

} // namespace quillora::cli
