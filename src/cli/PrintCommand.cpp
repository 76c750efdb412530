// `quillora-cli print CASE [--from PATH] [--preset NAME] --pdf FILE`: the printed list of
// a case (or of one record's entries, as the file list shows them) written as a PDF with
// the program's own page layout and the user's print presets.
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"

#include "app/print/PdfListWriter.h"
#include "core/ProfileStore.h"
#include "core/Text.h"
#include "core/XdgPaths.h"
#include "export/CPrintFormSet.h"
#include "export/CPrintTable.h"
#include "model/CAtomicFile.h"
#include "model/CatalogPath.h"
#include "model/FileException.h"
#include "model/SFileInfo.h"
#include "scan/MediaPresence.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace quillora::cli {

namespace {

struct SPrintArgs {
    std::string casePath;
    std::optional<std::string> password;
    std::optional<std::string> from;
    std::optional<std::string> preset;
    std::string pdf;
};

// The user's print presets, read without changing the settings file.
std::optional<CPrintCondition> ChoosePreset(const std::optional<std::string>& name) {
    CPrintFormSet sets;
    CProfileStore store = ReadSettingsStore();
    sets.Load(store);
    CFormConditionSet& set = sets.Set();
    if (!name) {
        return *sets.Current();
    }
    const int index = set.IndexOf(*name);
    if (index < 0) {
        std::string known;
        for (std::size_t i = 0; i < set.Count(); ++i) {
            known += (known.empty() ? "" : ", ") + set.At(i).Name;
        }
        ReportError("no print preset named \"" + *name + "\" (presets: " + known + ")");
        return std::nullopt;
    }
    return dynamic_cast<const CPrintCondition&>(set.At(static_cast<std::size_t>(index)));
}

// A record's entries in the file list's order: folders, media and groups first, then
// by name.
std::vector<const SFileInfo*> ListEntries(const SFileInfo& folder) {
    std::vector<const SFileInfo*> entries;
    for (const auto& child : folder.Children()) {
        entries.push_back(child.get());
    }
    auto kind = [](const SFileInfo* r) {
        return r->HasFlags(kFlagGroup) ? -1 : r->IsDirectory() ? -2 : 0;
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const SFileInfo* a, const SFileInfo* b) {
        if (kind(a) != kind(b)) {
            return kind(a) < kind(b);
        }
        return text::CompareNoCase(a->GetDisplayName(), b->GetDisplayName()) < 0;
    });
    return entries;
}

// The module's folder, relative to the program's own (the build tree keeps the same
// layout as the installed one).
#ifndef QUILLORA_MODULE_RELATIVE_DIR
#define QUILLORA_MODULE_RELATIVE_DIR "../lib/quillora"
#endif

std::string ModulePath() {
    if (const char* env = std::getenv("QUILLORA_PRINT_MODULE"); env && *env) {
        return env;
    }
    return ProgramFolder() + "/" + QUILLORA_MODULE_RELATIVE_DIR + "/" + kPdfModuleFile;
}

// Loads the PDF module once; it stays loaded until the process ends, since Qt's GUI
// library registers clean-ups of its own that must not outlive the code. Null after
// reporting why.
WriteListPdfFn LoadPdfWriter() {
    const std::string path = ModulePath();
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = ::dlerror();
        ReportError("the PDF writer cannot be loaded: " + std::string(why ? why : path));
        return nullptr;
    }
    auto* write = reinterpret_cast<WriteListPdfFn>(::dlsym(module, kWriteListPdfSymbol));
    if (!write) {
        ReportError(path + ": no " + kWriteListPdfSymbol);
    }
    return write;
}

int RunPrint(const SPrintArgs& a) {
    std::optional<CPrintCondition> preset = ChoosePreset(a.preset);
    if (!preset) {
        return kExitUsage;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    // The folder items name a present medium's folders from its mount point, as the
    // desktop program does after opening the case.
    UserMediaPresence().CheckDeviceIN(*root);
    std::vector<const SFileInfo*> entries;
    if (a.from) {
        const SFileInfo* folder = FindByCatalogPath(*root, *a.from);
        if (!folder) {
            ReportError(a.casePath + ": no record \"" + *a.from + "\"");
            return kExitFailure;
        }
        preset->Target = kPrintListSelection;
        entries = ListEntries(*folder);
    } else {
        preset->Target = kPrintWholeCase;
    }
    CPrintTable table(*preset);
    table.Build(root.get(), root.get(), entries);

    WriteListPdfFn write = LoadPdfWriter();
    if (!write) {
        return kExitFailure;
    }
    // The old file is replaced only by a complete new one, and only a writable regular
    // file is replaced, as every export does.
    CAtomicFile target;
    try {
        target.Open(a.pdf);
        std::string error;
        if (!write(table, *preset, target.Fd(), &error)) {
            ReportError(a.pdf + ": " + error);
            return kExitFailure;
        }
        target.Commit();
    } catch (const CFileException& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
    return kExitOk;
}

const CCommandRegistration kPrint(
    {"print", CommandGroup::Lists, "Write the printed list of a case as a PDF", [](CLI::App& cmd) {
         auto a = std::make_shared<SPrintArgs>();
         AddCaseArgument(cmd, a->casePath);
         cmd.add_option("--from", a->from,
                        "Print the entries of this record, as the file list shows them")
             ->type_name("PATH");
         cmd.add_option("--preset", a->preset, "The print preset to use (default: the selected)")
             ->type_name("NAME");
         cmd.add_option("--pdf", a->pdf, "The PDF file to write")
             ->required()
             ->type_name("FILE")
             ->check(NonEmptyPath());
         AddPasswordOption(cmd, a->password);
         return [a] { return RunPrint(*a); };
     }});

} // namespace

} // namespace quillora::cli
