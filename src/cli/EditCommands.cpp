// quillora-cli merge, password, mark, comment, category, link, label and group: small
// edits of a case file for scripts. Records are named by their catalogue path as
// `tree` prints it; every edit saves the case atomically in its own format.
#include "cli/CliDocumentUi.h"
#include "cli/CliScan.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "core/Text.h"
#include "document/CCaseDocument.h"
#include "model/CaseEditing.h"
#include "model/CaseFile.h"
#include "model/CatalogPath.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <functional>

namespace quillora::cli {

namespace {

// Opens CASE, applies `edit` and saves, holding the case's lock throughout; reports
// and returns the exit code.
int EditCase(const std::string& path, const std::optional<std::string>& password,
             const std::function<bool(CCDCase&)>& edit) {
    CCaseLock lock;
    if (!LockCaseForEdit(lock, path)) {
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

// The common shape "COMMAND CASE PATH VALUE [--password P]".
int EditText(const Args& args, const char* usage, int slot) {
    CArgs a(args, {"password"});
    if (!a.Check({}) || a.Positional().size() != 3) {
        ReportError(a.Error().empty() ? usage : a.Error());
        return kExitUsage;
    }
    const std::string& target = a.Positional()[1];
    const std::string& value = a.Positional()[2];
    return EditCase(a.Positional()[0], a.Value("password"), [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, target);
        if (!record) {
            return false;
        }
        // Comments keep CR LF line breaks in the case file.
        record->SetText(slot, slot == 0 ? text::ToCrLf(value) : value);
        return true;
    });
}

} // namespace

int RunComment(const Args& args) {
    return EditText(args, "usage: quillora-cli comment CASE PATH TEXT [--password P]", 0);
}

int RunCategory(const Args& args) {
    return EditText(args, "usage: quillora-cli category CASE PATH TEXT [--password P]", 1);
}

int RunMark(const Args& args) {
    CArgs a(args, {"password"});
    if (!a.Check({"off", "recursive"}) || a.Positional().size() != 2) {
        ReportError(a.Error().empty()
                        ? "usage: quillora-cli mark CASE PATH [--off] [--recursive] [--password P]"
                        : a.Error());
        return kExitUsage;
    }
    bool on = !a.Has("off");
    bool recursive = a.Has("recursive");
    const std::string& target = a.Positional()[1];
    return EditCase(a.Positional()[0], a.Value("password"), [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, target);
        if (!record) {
            return false;
        }
        if (recursive) {
            for (SFileInfo* r : Collect(*record, kCollectAll)) {
                SetMark(*r, kMarkBit, on);
            }
        } else {
            SetMark(*record, kMarkBit, on);
        }
        return true;
    });
}

int RunLink(const Args& args) {
    CArgs a(args, {"password"});
    if (!a.Check({}) || a.Positional().size() != 3) {
        ReportError(a.Error().empty() ? "usage: quillora-cli link CASE PATH TARGET [--password P]"
                                      : a.Error());
        return kExitUsage;
    }
    const std::string& target = a.Positional()[1];
    const std::string& link = a.Positional()[2];
    return EditCase(a.Positional()[0], a.Value("password"), [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, target);
        if (!record) {
            return false;
        }
        SetLink(*record, link, true);
        return true;
    });
}

int RunLabel(const Args& args) {
    CArgs a(args, {"password"});
    if (!a.Check({}) || a.Positional().size() != 3) {
        ReportError(a.Error().empty()
                        ? "usage: quillora-cli label CASE MEDIUM NEWLABEL [--password P]"
                        : a.Error());
        return kExitUsage;
    }
    const std::string& target = a.Positional()[1];
    const std::string& label = a.Positional()[2];
    return EditCase(a.Positional()[0], a.Value("password"), [&](CCDCase& root) {
        SFileInfo* record = FindOrReport(root, target);
        if (!record) {
            return false;
        }
        if (!record->HasFlags(kFlagMedium | kFlagGroup)) {
            ReportError(target + " is not a medium or a group");
            return false;
        }
        static_cast<SVolumeInfo*>(record)->SetLabel(label);
        record->UpdateDisplayName();
        return true;
    });
}

int RunGroup(const Args& args) {
    CArgs a(args, {"password"});
    if (!a.Check({}) || a.Positional().size() != 2) {
        ReportError(a.Error().empty() ? "usage: quillora-cli group CASE LABEL [--password P]"
                                      : a.Error());
        return kExitUsage;
    }
    const std::string& label = a.Positional()[1];
    return EditCase(a.Positional()[0], a.Value("password"), [&](CCDCase& root) {
        auto group = std::make_unique<SGroupInfo>();
        group->SetLabel(label);
        group->UpdateDisplayName();
        root.AddChild(std::move(group));
        return true;
    });
}

int RunPassword(const Args& args) {
    CArgs a(args, {"password", "set"});
    bool clear = a.Has("clear");
    std::optional<std::string> newPassword = a.Value("set");
    if (!a.Check({"clear"}) || a.Positional().size() != 1 || clear == newPassword.has_value()) {
        ReportError(a.Error().empty()
                        ? "usage: quillora-cli password CASE (--set P | --clear) [--password OLD]"
                        : a.Error());
        return kExitUsage;
    }
    if (newPassword) {
        if (int code = CheckNewPassword(*newPassword); code != kExitOk) {
            return code;
        }
    }
    return EditCase(a.Positional()[0], a.Value("password"), [&](CCDCase& root) {
        root.m_strPassword = newPassword.value_or("");
        return true;
    });
}

int RunMerge(const Args& args) {
    CArgs a(args, {"password", "other-password"});
    if (!a.Check({}) || a.Positional().size() != 2) {
        ReportError(a.Error().empty() ? "usage: quillora-cli merge CASE OTHER [--password P] "
                                        "[--other-password Q]"
                                      : a.Error());
        return kExitUsage;
    }
    const std::string& path = a.Positional()[0];
    std::optional<std::string> otherPassword = a.Value("other-password");
    if (!otherPassword) {
        otherPassword = a.Value("password");
    }
    CCaseLock lock;
    if (!LockCaseForEdit(lock, path)) {
        return kExitFailure;
    }
    CCliDocumentUi ui(a.Value("password"));
    CDriveTable drives;
    CMediaPresence presence;
    CCaseDocument doc(ui, drives, presence);
    doc.SetFileLocking(false);
    if (!doc.OnOpenDocument(path)) {
        return kExitFailure;
    }
    // The other case's password answers the merge's password question.
    ui.SetPassword(otherPassword);
    SetTryPassword(otherPassword.value_or(""));
    if (!doc.MergeCaseFile(a.Positional()[1])) {
        return kExitFailure;
    }
    try {
        SaveCaseFile(doc.Case(), path, IsGzipFile(path));
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, path));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace quillora::cli
