// `quillora-cli export` and `quillora-cli import`: a case written as a list (CSV, HTML,
// tree text, MediaMax) with the user's presets, and the media a CSV or MediaMax list
// describes added to a case.
#include "cli/CliCaseDocument.h"
#include "cli/CliDocumentUi.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/IndexAccess.h"

#include "core/ProfileStore.h"
#include "core/Text.h"
#include "document/CCaseDocument.h"
#include "export/CCsvImporter.h"
#include "export/CExportFormSets.h"
#include "export/CListExporter.h"
#include "export/ListFormats.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/FileException.h"
#include "model/SVolumeInfo.h"
#include "scan/MediaPresence.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

namespace quillora::cli {

namespace {

enum class EEncodingChoice { Preset, Cp932, Utf8 };

const std::vector<std::pair<std::string, EEncodingChoice>> kEncodings = {
    {"cp932", EEncodingChoice::Cp932}, {"utf-8", EEncodingChoice::Utf8}};

// The user's presets, read without changing the settings file.
CExportFormSets LoadPresets() {
    CExportFormSets sets;
    CProfileStore store = ReadSettingsStore();
    sets.Load(store);
    return sets;
}

// The preset named `name`, or the format's selected one; reports an unknown name.
std::optional<CFormCondition> ChoosePreset(EFormFormat format,
                                           const std::optional<std::string>& name) {
    CExportFormSets sets = LoadPresets();
    CFormConditionSet& set = sets.Set(format);
    if (!name) {
        return *sets.Current(format);
    }
    const int index = set.IndexOf(*name);
    if (index < 0) {
        std::string known;
        for (std::size_t i = 0; i < set.Count(); ++i) {
            known += (known.empty() ? "" : ", ") + set.At(i).Name;
        }
        ReportError("no " + std::string(ListFormat(format).m_pszName) + " preset named \"" + *name +
                    "\" (presets: " + known + ")");
        return std::nullopt;
    }
    return dynamic_cast<const CFormCondition&>(set.At(static_cast<std::size_t>(index)));
}

class CStdoutOutput : public IExportOutput {
public:
    void Write(std::string_view bytes) override {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
            throw CFileException(CFileException::CauseFromErrno(errno), errno, "standard output");
        }
    }
};

// --- export ---

struct SExportArgs {
    std::string casePath;
    std::optional<std::string> password;
    EFormFormat format = EFormFormat::Csv;
    std::optional<std::string> preset;
    std::optional<std::string> from;
    EEncodingChoice encoding = EEncodingChoice::Preset;
    std::string output;
};

int RunExport(const SExportArgs& a) {
    std::optional<CFormCondition> preset = ChoosePreset(a.format, a.preset);
    if (!preset) {
        return kExitUsage;
    }
    if (a.encoding != EEncodingChoice::Preset) {
        preset->Encoding =
            a.encoding == EEncodingChoice::Utf8 ? EExportEncoding::Utf8 : EExportEncoding::Cp932;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    // The folder items name a present medium's folders from its mount point, as the
    // desktop program does after opening the case.
    UserMediaPresence().CheckDeviceIN(*root);
    const SFileInfo* start = root.get();
    if (a.from) {
        start = FindByCatalogPath(*root, *a.from);
        if (!start) {
            ReportError(a.casePath + ": no record \"" + *a.from + "\"");
            return kExitFailure;
        }
    }
    std::unique_ptr<CListExporter> exporter = MakeExporter(*preset);
    SExportResult result;
    if (a.output == "-") {
        CStdoutOutput out;
        try {
            result = exporter->ExportToOutput(*start, out);
            std::fflush(stdout);
        } catch (const CFileException& e) {
            ReportError(e.Message());
            return kExitFailure;
        }
    } else {
        result = exporter->ExportToFile(start, a.output);
    }
    if (!result.Ok()) {
        ReportError(result.m_strError);
        return kExitFailure;
    }
    if (result.m_nReplaced > 0) {
        ReportError(std::to_string(result.m_nReplaced) + " character(s) have no place in " +
                    (preset->Encoding == EExportEncoding::Utf8 ? "UTF-8" : "CP932") +
                    " and were written as " +
                    (a.format == EFormFormat::Html ? "character references" : "\"?\""));
    }
    return kExitOk;
}

// --- import ---

struct SImportArgs {
    std::string casePath;
    std::string listPath;
    std::optional<std::string> password;
    EFormFormat format = EFormFormat::Csv;
    std::optional<std::string> preset;
    EEncodingChoice encoding = EEncodingChoice::Preset;
    bool replace = false;
    bool noWait = false;
};

// Answers the media-select question: a medium of the same label is updated (the
// command has checked --replace before), any other import is added.
class CImportUi : public CCliDocumentUi {
public:
    using CCliDocumentUi::CCliDocumentUi;
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest& request) override {
        for (SVolumeInfo* medium : request.m_candidates) {
            if (text::EqualsNoCase(medium->m_strLabel, request.m_strLabel)) {
                return {SMediaSelectAnswer::Update, medium};
            }
        }
        return {SMediaSelectAnswer::Add, nullptr};
    }
};

int RunImport(const SImportArgs& a) {
    std::optional<CFormCondition> preset = ChoosePreset(a.format, a.preset);
    if (!preset) {
        return kExitUsage;
    }
    // Held from the read to the save, so that no other change to the case is lost.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.casePath, a.noWait)) {
        return kExitFailure;
    }
    CImportUi ui(a.password);
    CCliCaseDocument session(ui);
    CCaseDocument& doc = session.Doc();
    if (!session.Open(a.casePath)) {
        return kExitFailure;
    }
    EImportEncoding encoding = EImportEncoding::Detect;
    if (a.encoding == EEncodingChoice::Cp932) {
        encoding = EImportEncoding::Cp932;
    } else if (a.encoding == EEncodingChoice::Utf8) {
        encoding = EImportEncoding::Utf8;
    }
    SImportResult result = CCsvImporter(*preset, encoding).ImportFile(a.listPath);
    if (!result.Ok()) {
        ReportError(result.m_strError);
        return kExitFailure;
    }
    // Nothing changes unless every medium can go in.
    std::vector<SVolumeInfo*> media = doc.Case().CollectMedia();
    for (const auto& record : result.m_pRoot->Children()) {
        const auto& imported = static_cast<const SVolumeInfo&>(*record);
        for (const SVolumeInfo* medium : media) {
            if (!a.replace && text::EqualsNoCase(medium->m_strLabel, imported.m_strLabel)) {
                ReportError(a.casePath + ": the case already holds a medium \"" +
                            medium->m_strLabel + "\" (--replace replaces it)");
                return kExitFailure;
            }
        }
    }
    const std::size_t mediaCount = result.m_pRoot->ChildCount();
    if (mediaCount == 0) {
        // Nothing to add: the case file is left as it was, not written again.
        std::printf("no entries: the case is unchanged\n");
        return kExitOk;
    }
    doc.MergeImportedMedia(*result.m_pRoot, false);
    try {
        SaveCaseFile(doc.Case(), a.casePath, IsGzipFile(a.casePath));
        IndexCaseAfterCommand(doc.Case(), a.casePath);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    std::printf("%llu entries in %zu media", static_cast<unsigned long long>(result.m_nEntries),
                mediaCount);
    if (result.m_nSkipped != 0) {
        std::printf("; %llu lines made nothing (already there, no name, or outside a medium)",
                    static_cast<unsigned long long>(result.m_nSkipped));
    }
    std::printf("\n");
    return kExitOk;
}

std::vector<std::pair<std::string, EFormFormat>> FormatChoices(bool readable) {
    std::vector<std::pair<std::string, EFormFormat>> choices;
    for (const SListFormat& f : ListFormats()) {
        if (!readable || f.m_pszImportCaption) {
            choices.emplace_back(f.m_pszName, f.m_format);
        }
    }
    return choices;
}

const CCommandRegistration kExport(
    {"export", CommandGroup::Lists, "Write a case as a CSV, HTML, tree text or MediaMax list",
     [](CLI::App& cmd) {
         auto a = std::make_shared<SExportArgs>();
         AddCaseArgument(cmd, a->casePath);
         AddChoiceOption(cmd, "--format", a->format, FormatChoices(false), "The list format")
             ->required();
         cmd.add_option("--preset", a->preset,
                        "The format's preset of that name (default: the one selected in the "
                        "program)")
             ->type_name("NAME");
         cmd.add_option("--from", a->from, "Write only this record and what is below it")
             ->type_name("PATH");
         AddChoiceOption(cmd, "--encoding", a->encoding, kEncodings,
                         "The file's encoding (default: the preset's)");
         cmd.add_option("-o,--output", a->output, "The file to write; - writes to standard output")
             ->required()
             ->type_name("FILE")
             ->check(NonEmptyPath());
         AddPasswordOption(cmd, a->password);
         return [a] { return RunExport(*a); };
     }});

const CCommandRegistration kImport(
    {"import", CommandGroup::Lists, "Add the media a CSV or MediaMax list describes to a case",
     [](CLI::App& cmd) {
         auto a = std::make_shared<SImportArgs>();
         AddCaseArgument(cmd, a->casePath);
         cmd.add_option("FILE", a->listPath, "The list to read")->required()->check(NonEmptyPath());
         AddChoiceOption(cmd, "--format", a->format, FormatChoices(true), "The list format")
             ->required();
         cmd.add_option("--preset", a->preset, "The format's preset of that name")
             ->type_name("NAME");
         AddChoiceOption(cmd, "--encoding", a->encoding, kEncodings,
                         "The list's encoding (default: UTF-8 when it reads as UTF-8, else CP932)");
         cmd.add_flag("--replace", a->replace,
                      "Replace a medium of the same label (without it such a list is refused)");
         AddPasswordOption(cmd, a->password);
         AddNoWaitFlag(cmd, a->noWait);
         return [a] { return RunImport(*a); };
     }});

} // namespace

} // namespace quillora::cli
