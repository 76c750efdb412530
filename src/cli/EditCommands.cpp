// quillora-cli merge, password, mark, comment, category, link, label and group: small
// edits of a case file for scripts. Records are named by their catalogue path as
// `tree` prints it; every edit saves the case atomically in its own format.
#include "cli/CliCaseDocument.h"
#include "cli/CliDocumentUi.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/IndexAccess.h"

#include "core/Text.h"
#include "document/CCaseDocument.h"
#include "model/CaseEditing.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace quillora::cli {

namespace {

// Opens CASE, applies `edit` and saves, holding the case's lock from the read to the
// save (waiting for it unless `noWait`); reports and returns the exit code.
int EditCase(const std::string& path, const std::optional<std::string>& password, bool noWait,
             const std::function<bool(CCDCase&)>& edit) {
    CCaseLock lock;
    if (!LockCaseForEdit(lock, path, noWait)) {
        return kExitFailure;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(path, password);
    if (!root) {
        return kExitFailure;
    }
    if (!edit(*root)) {
        return kExitFailure;
    }
    try {
        SaveCaseFile(*root, path, IsGzipFile(path));
        IndexCaseAfterCommand(*root, path);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, path));
        return kExitFailure;
    }
    return kExitOk;
}

SFileInfo* FindOrReport(CCDCase& root, const std::string& path) {
    SFileInfo* record = FindByCatalogPath(root, path);
    if (!record) {
        ReportError("no record " + path + " in the case");
    }
    return record;
}

// The arguments of the edits that name one record and give it a value.
struct SRecordEditArgs {
    std::string casePath;
    std::string target;
    std::string value;
    std::optional<std::string> password;
    bool noWait = false;
    // The value argument; a command may leave it optional.
    CLI::Option* valueOption = nullptr;
};

// Declares "CASE PATH VALUE [--password P]".
std::shared_ptr<SRecordEditArgs> DefineRecordEdit(CLI::App& cmd, const char* recordName,
                                                  const char* recordHelp, const char* valueName,
                                                  const char* valueHelp) {
    auto a = std::make_shared<SRecordEditArgs>();
    AddCaseArgument(cmd, a->casePath);
    cmd.add_option(recordName, a->target, recordHelp)->required();
    a->valueOption = cmd.add_option(valueName, a->value, valueHelp)->required();
    AddPasswordOption(cmd, a->password);
    AddNoWaitFlag(cmd, a->noWait);
    return a;
}

constexpr const char* kRecordHelp = "The record, by its path as tree prints it";

int EditText(const SRecordEditArgs& a, int slot) {
    return EditCase(a.casePath, a.password, a.noWait, [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, a.target);
        if (!record) {
            return false;
        }
        // Comments keep CR LF line breaks in the case file, as the format has them.
        record->SetText(slot, slot == 0 ? text::ToCrLf(a.value) : a.value);
        return true;
    });
}

// `comment CASE PATH` without a text: prints the comment, with LF line breaks.
int PrintComment(const SRecordEditArgs& a) {
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    SFileInfo* record = FindOrReport(*root, a.target);
    if (!record) {
        return kExitFailure;
    }
    std::string shown = text::ToLf(record->Comment());
    if (!shown.empty() && shown.back() != '\n') {
        shown += '\n';
    }
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    return kExitOk;
}

struct SMarkArgs {
    std::string casePath;
    std::string target;
    bool off = false;
    bool recursive = false;
    std::optional<std::string> password;
    bool noWait = false;
};

int RunMark(const SMarkArgs& a) {
    return EditCase(a.casePath, a.password, a.noWait, [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, a.target);
        if (!record) {
            return false;
        }
        if (a.recursive) {
            for (SFileInfo* r : Collect(*record, kCollectAll)) {
                SetMark(*r, kMarkBit, !a.off);
            }
        } else {
            SetMark(*record, kMarkBit, !a.off);
        }
        return true;
    });
}

int RunLink(const SRecordEditArgs& a) {
    return EditCase(a.casePath, a.password, a.noWait, [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, a.target);
        if (!record) {
            return false;
        }
        SetLink(*record, a.value, true);
        return true;
    });
}

int RunLabel(const SRecordEditArgs& a) {
    return EditCase(a.casePath, a.password, a.noWait, [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, a.target);
        if (!record) {
            return false;
        }
        if (!record->HasFlags(kFlagMedium | kFlagGroup)) {
            ReportError(a.target + " is not a medium or a group");
            return false;
        }
        static_cast<SVolumeInfo*>(record)->SetLabel(a.value);
        record->UpdateDisplayName();
        return true;
    });
}

struct SGroupArgs {
    std::string casePath;
    std::string label;
    std::optional<std::string> password;
    bool noWait = false;
};

int RunGroup(const SGroupArgs& a) {
    return EditCase(a.casePath, a.password, a.noWait, [&](CCDCase& root) {
        auto group = std::make_unique<SGroupInfo>();
        group->SetLabel(a.label);
        group->UpdateDisplayName();
        root.AddChild(std::move(group));
        return true;
    });
}

struct SPasswordArgs {
    std::string casePath;
    std::optional<std::string> newPassword;
    bool clear = false;
    std::optional<std::string> password;
    bool noWait = false;
};

int RunPassword(const SPasswordArgs& a) {
    if (a.newPassword && !CheckStorablePassword(*a.newPassword)) {
        return kExitFailure;
    }
    return EditCase(a.casePath, a.password, a.noWait, [&](CCDCase& root) {
        root.m_strPassword = a.newPassword.value_or("");
        return true;
    });
}

struct SMergeArgs {
    std::string casePath;
    std::string otherPath;
    std::optional<std::string> password;
    std::optional<std::string> otherPassword;
    bool noWait = false;
};

int RunMerge(const SMergeArgs& a) {
    std::optional<std::string> otherPassword = a.otherPassword ? a.otherPassword : a.password;
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.casePath, a.noWait)) {
        return kExitFailure;
    }
    CCliDocumentUi ui(a.password);
    CCliCaseDocument session(ui);
    CCaseDocument& doc = session.Doc();
    if (!session.Open(a.casePath)) {
        return kExitFailure;
    }
    // The other case's password answers the merge's password question.
    ui.SetPassword(otherPassword);
    SetTryPassword(otherPassword.value_or(""));
    if (!doc.MergeCaseFile(a.otherPath)) {
        return kExitFailure;
    }
    try {
        SaveCaseFile(doc.Case(), a.casePath, IsGzipFile(a.casePath));
        IndexCaseAfterCommand(doc.Case(), a.casePath);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    return kExitOk;
}

const CCommandRegistration kComment(
    {"comment", CommandGroup::Edit, "Set the comment of a record, or print it", [](CLI::App& cmd) {
         auto a = DefineRecordEdit(cmd, "PATH", kRecordHelp, "TEXT",
                                   "The new comment (without it, the comment is printed)");
         a->valueOption->required(false);
         return [a] { return a->valueOption->count() == 0 ? PrintComment(*a) : EditText(*a, 0); };
     }});

const CCommandRegistration
    kCategory({"category", CommandGroup::Edit, "Set the category of a record", [](CLI::App& cmd) {
                   auto a = DefineRecordEdit(cmd, "PATH", kRecordHelp, "TEXT", "The new category");
                   return [a] { return EditText(*a, 1); };
               }});

const CCommandRegistration
    kLink({"link", CommandGroup::Edit, "Link a record to a folder or file outside the case",
           [](CLI::App& cmd) {
               auto a = DefineRecordEdit(cmd, "PATH", kRecordHelp, "TARGET", "The linked path");
               return [a] { return RunLink(*a); };
           }});

const CCommandRegistration
    kLabel({"label", CommandGroup::Edit, "Rename a medium or a group", [](CLI::App& cmd) {
                auto a = DefineRecordEdit(cmd, "MEDIUM", "The medium or group, by its path",
                                          "NEWLABEL", "Its new label");
                return [a] { return RunLabel(*a); };
            }});

const CCommandRegistration
    kMark({"mark", CommandGroup::Edit, "Mark a record, or clear its mark", [](CLI::App& cmd) {
               auto a = std::make_shared<SMarkArgs>();
               AddCaseArgument(cmd, a->casePath);
               cmd.add_option("PATH", a->target, kRecordHelp)->required();
               cmd.add_flag("--off", a->off, "Clear the mark instead");
               cmd.add_flag("--recursive", a->recursive, "Also every record below it");
               AddPasswordOption(cmd, a->password);
               AddNoWaitFlag(cmd, a->noWait);
               return [a] { return RunMark(*a); };
           }});

const CCommandRegistration
    kGroup({"group", CommandGroup::Edit, "Add a new group of media", [](CLI::App& cmd) {
                auto a = std::make_shared<SGroupArgs>();
                AddCaseArgument(cmd, a->casePath);
                cmd.add_option("LABEL", a->label, "The group's label")->required();
                AddPasswordOption(cmd, a->password);
                AddNoWaitFlag(cmd, a->noWait);
                return [a] { return RunGroup(*a); };
            }});

const CCommandRegistration kPassword(
    {"password", CommandGroup::Catalogue, "Set or clear the password of a case", [](CLI::App& cmd) {
         auto a = std::make_shared<SPasswordArgs>();
         AddCaseArgument(cmd, a->casePath);
         CLI::Option* set = cmd.add_option("--set", a->newPassword, "The new password")
                                ->type_name("P")
                                ->check(NewPasswordCheck(4));
         CLI::Option* clear = cmd.add_flag("--clear", a->clear, "Remove the password");
         set->excludes(clear);
         AddPasswordOption(cmd, a->password)->description("The current password")->type_name("OLD");
         AddNoWaitFlag(cmd, a->noWait);
         cmd.callback([a] {
             if (!a->newPassword && !a->clear) {
                 throw CLI::RequiredError("--set or --clear");
             }
         });
         return [a] { return RunPassword(*a); };
     }});

const CCommandRegistration
    kMerge({"merge", CommandGroup::Catalogue, "Add the media of another case to a case",
            [](CLI::App& cmd) {
                auto a = std::make_shared<SMergeArgs>();
                AddCaseArgument(cmd, a->casePath, "The case that receives the media");
                cmd.add_option("OTHER", a->otherPath, "The case whose media are added")
                    ->required()
                    ->check(NonEmptyPath());
                AddPasswordOption(cmd, a->password);
                cmd.add_option("--other-password", a->otherPassword,
                               "The password of OTHER (else --password)")
                    ->type_name("Q");
                AddNoWaitFlag(cmd, a->noWait);
                return [a] { return RunMerge(*a); };
            }});

} // namespace

} // namespace quillora::cli
