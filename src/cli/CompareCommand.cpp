// quillora-cli compare and update: a mounted medium (or the link targets of its
// records) compared with the case, and a mounted medium registered again over its
// record, as the desktop program's compare dialog and "更新 ﾒﾃﾞｨｱ->ｹｰｽ" do.
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

#include "core/Resources.h"
#include "document/CCaseDocument.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/MediumPath.h"
#include "model/SVolumeInfo.h"
#include "scan/MediaPresence.h"
#include "search/MediaCompare.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace quillora::cli {

namespace {

// Like diff: something differs.
constexpr int kExitDiffers = 1;

struct SCompareArgs {
    std::string casePath;
    std::string medium;
    std::optional<std::string> password;
    bool links = false;
    bool json = false;
    bool noArchives = false;
};

// The medium named by its catalogue path; null (after saying why) otherwise.
SVolumeInfo* FindMedium(CCDCase& root, const std::string& path) {
    SFileInfo* record = FindByCatalogPath(root, path);
    if (!record) {
        ReportError("no record " + path + " in the case");
        return nullptr;
    }
    if (record->Class() != RecordClass::Volume) {
        ReportError(path + " is not a medium");
        return nullptr;
    }
    return static_cast<SVolumeInfo*>(record);
}

std::string TimeText(const std::optional<FileTime>& time) {
    return time ? FileTimeToIso8601(*time) : std::string(Res(221));
}

std::string JsonTime(const std::optional<FileTime>& time) {
    return time ? "\"" + FileTimeToIso8601(*time) + "\"" : "null";
}

void PrintRow(const SCompareRow& row, bool json) {
    std::string line;
    if (json) {
        line = "{\"result\":" + std::to_string(row.m_nResult) +
               ",\"text\":" + JsonString(CompareResultText(row.m_nResult)) +
               ",\"name\":" + JsonString(row.m_strName) + ",\"first\":" + JsonTime(row.m_first) +
               ",\"second\":" + JsonTime(row.m_second) +
               ",\"location\":" + JsonString(row.m_strLocation) + "}";
    } else {
        line = std::to_string(row.m_nResult) + "\t" + CompareResultText(row.m_nResult) + "\t" +
               row.m_strName + "\t" + TimeText(row.m_first) + "\t" + TimeText(row.m_second) + "\t" +
               row.m_strLocation;
    }
    std::printf("%s\n", line.c_str());
}

int RunCompare(const SCompareArgs& a) {
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    SVolumeInfo* medium = FindMedium(*root, a.medium);
    if (!medium) {
        return kExitFailure;
    }
    CompareRows rows;
    int mode = kCompareCaseLink;
    if (a.links) {
        rows = CompareCaseWithLinks(*medium);
    } else {
        mode = kCompareMediaCase;
        CMediaPresence presence = UserMediaPresence();
        presence.CheckDeviceIN(*root);
        if (!medium->MatchMedium(0, nullptr)) {
            ReportError(Res(209));
            return kExitFailure;
        }
        // The medium is read again the way `scan` read it.
        LoadScanSettings();
        SetListArchives(!a.noArchives);
        std::unique_ptr<SVolumeInfo> scanned =
            ScanMedium(MediumOsFolder(*medium), nullptr, nullptr);
        if (!scanned) {
            ReportError(Res(289));
            return kExitFailure;
        }
        rows = CompareMediumWithCase(*medium, *scanned);
    }
    for (const SCompareRow& row : rows) {
        PrintRow(row, a.json);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", Res(CompareGuidance(mode, rows)));
    const bool differs = std::any_of(rows.begin(), rows.end(), IsDifference);
    return differs ? kExitDiffers : kExitOk;
}

const CCommandRegistration kCompare(
    {"compare", CommandGroup::Media,
     "List what differs between a mounted medium (or its link targets) and the case",
     [](CLI::App& cmd) {
         auto a = std::make_shared<SCompareArgs>();
         AddCaseArgument(cmd, a->casePath);
         cmd.add_option("MEDIUM", a->medium, "The medium, by its path as tree prints it")
             ->required();
         cmd.add_flag("--links", a->links,
                      "Compare the linked records with their link targets instead (the medium "
                      "need not be mounted)");
         cmd.add_flag("--no-archives", a->noArchives,
                      "Read archives on the medium as plain files, as scan --no-archives did");
         AddJsonFlag(cmd, a->json);
         AddPasswordOption(cmd, a->password);
         cmd.footer("Exit code 0 when nothing differs, 1 when something does, 2 on failure.");
         return [a] { return RunCompare(*a); };
     }});

struct SUpdateArgs {
    std::string casePath;
    std::string medium;
    std::optional<std::string> password;
    bool noArchives = false;
    bool noWait = false;
    bool full = false;
    bool changes = false;
    bool json = false;
    bool verbose = false;
};

int RunUpdate(const SUpdateArgs& a) {
    if (!FileExists(a.casePath)) {
        ReportError(a.casePath + ": no such case to update");
        return kExitFailure;
    }
    // Held from the read to the save, so that no other change to the case is lost.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.casePath, a.noWait)) {
        return kExitFailure;
    }
    CCliDocumentUi ui(a.password);
    ui.SetReadAll(a.full);
    CCliCaseDocument session(ui);
    CCaseDocument& doc = session.Doc();
    if (!session.Open(a.casePath)) {
        return kExitFailure;
    }
    SVolumeInfo* medium = FindMedium(doc.Case(), a.medium);
    if (!medium) {
        return kExitFailure;
    }
    LoadScanSettings();
    SetListArchives(!a.noArchives);
    // Tells the user (209) when the medium is not mounted.
    SVolumeInfo* updated = doc.UpdateFromDrive(*medium);
    if (!updated) {
        if (ui.Cancelled()) {
            ReportError("scan cancelled; " + a.casePath + " was not changed");
        } else if (ui.LastScanReport()->RootFailed()) {
            ReportError(ScanFailureLine(MediumOsFolder(*medium), *ui.LastScanReport()) + "; " +
                        a.casePath + " was not changed");
        }
        return kExitFailure;
    }
    try {
        SaveCaseFile(doc.Case(), a.casePath, IsGzipFile(a.casePath));
        IndexCaseAfterCommand(doc.Case(), a.casePath);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    PrintRescanResult(*updated, ui, a.verbose, a.changes || a.json, a.json);
    return kExitOk;
}

const CCommandRegistration
    kUpdate({"update", CommandGroup::Media,
             "Scan a mounted medium again over its record, keeping marks, comments and links",
             [](CLI::App& cmd) {
                 auto a = std::make_shared<SUpdateArgs>();
                 AddCaseArgument(cmd, a->casePath);
                 cmd.add_option("MEDIUM", a->medium, "The medium, by its path as tree prints it")
                     ->required();
                 cmd.add_flag("--no-archives", a->noArchives, "Read archives as plain files");
                 AddRescanFlags(cmd, a->full, a->changes, a->json);
                 cmd.add_flag("--verbose", a->verbose,
                              "Warn on stderr of every folder or file that could not be read");
                 AddPasswordOption(cmd, a->password);
                 AddNoWaitFlag(cmd, a->noWait);
                 cmd.footer("Files whose size and last-write time are those the case holds "
                            "are not read again: they keep their CRC, comment and properties "
                            "(an edit that keeps both is not seen; use --full).");
                 return [a] { return RunUpdate(*a); };
             }});

} // namespace

} // namespace quillora::cli
