// `quillora-cli comments CASE PATH...`: extracts the comments (and document properties)
// of catalogued files again from their mounted medium, as the desktop program's
// "ｺﾒﾝﾄ自動抽出" does, and saves the case.
#include "cli/ArchiveServices.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/ExtractServices.h"
#include "cli/IndexAccess.h"
#include "cli/ScanSettings.h"

#include "extract/ExtractTextManager.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/RecordFlags.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiveExpander.h"
#include "scan/MediaPresence.h"
#include "scan/VolumeScanner.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace quillora::cli {

namespace {

struct SCommentsArgs {
    std::string casePath;
    std::vector<std::string> records;
    bool recursive = false;
    bool overwrite = false;
    std::optional<std::string> password;
    bool noWait = false;
};

// Files at or below the record (with recurse) whose comment is not empty.
std::size_t CountComments(const SFileInfo& record, bool recurse) {
    std::size_t n = !record.IsDirectory() && !record.Comment().empty() ? 1 : 0;
    for (std::size_t i = 0; recurse && i < record.ChildCount(); ++i) {
        n += CountComments(*record.ChildAt(i), true);
    }
    return n;
}

int RunComments(const SCommentsArgs& a) {
    // Held from the read to the save, so that no other change to the case is lost.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.casePath, a.noWait)) {
        return kExitFailure;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    std::vector<SFileInfo*> rows;
    for (const std::string& path : a.records) {
        SFileInfo* record = FindByCatalogPath(*root, path);
        if (!record) {
            ReportError("no record " + path + " in the case");
            return kExitFailure;
        }
        if (!record->EnclosingMedium()) {
            ReportError(path + ": name a medium, a folder or a file");
            return kExitFailure;
        }
        rows.push_back(record);
    }
    CMediaPresence presence = UserMediaPresence();
    presence.CheckDeviceIN(*root);
    for (SFileInfo* record : rows) {
        const SVolumeInfo& medium = *record->EnclosingMedium();
        if (!medium.m_bPresent) {
            ReportError(CatalogPath(*record) + ": the medium \"" + medium.m_strLabel +
                        "\" is not mounted; nothing was changed");
            return kExitFailure;
        }
    }
    LoadScanSettings();
    CExtractTextManager& extractors = Extractors();
    Expander().SetCommentExtractor(&extractors);
    Expander().SetCommentFilter(
        [&extractors](const SFileInfo& r) { return extractors.HasExtractorFor(r.m_strName); });
    CVolumeScanner scanner(SScanOptions{});
    scanner.SetCommentExtractor(&extractors);
    scanner.SetArchiveLister(&Expander());
    std::size_t before = 0;
    std::size_t after = 0;
    for (SFileInfo* record : rows) {
        before += CountComments(*record, a.recursive);
        scanner.ExtractComment(*record, 0, a.overwrite, a.recursive, false);
        after += CountComments(*record, a.recursive);
    }
    try {
        SaveCaseFile(*root, a.casePath, IsGzipFile(a.casePath));
        IndexCaseAfterCommand(*root, a.casePath);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    std::printf("%zu files with comments (%zu before)\n", after, before);
    return kExitOk;
}

const CCommandRegistration kComments(
    {"comments", CommandGroup::Edit,
     "Extract the comments of catalogued files again from their mounted medium", [](CLI::App& cmd) {
         auto a = std::make_shared<SCommentsArgs>();
         AddCaseArgument(cmd, a->casePath);
         cmd.add_option("PATH", a->records, "Records, by their paths as tree prints them")
             ->required();
         cmd.add_flag("--recursive", a->recursive, "Also every file below the records");
         cmd.add_flag("--overwrite", a->overwrite,
                      "Replace comments already there (else only empty ones are filled)");
         AddPasswordOption(cmd, a->password);
         AddNoWaitFlag(cmd, a->noWait);
         return [a] { return RunComments(*a); };
     }});

} // namespace

} // namespace quillora::cli
