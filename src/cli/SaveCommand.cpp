// `quillora-cli save CASE NEW`: writes a case again under a new name; a ".caz" name
// packs it, --compress writes a gzip ".cas".
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/IndexAccess.h"

#include "model/CaseFile.h"

#include <memory>
#include <optional>

namespace quillora::cli {

namespace {

struct SSaveArgs {
    std::string from;
    std::string to;
    bool compress = false;
    std::optional<std::string> password;
    bool noWait = false;
};

int RunSave(const SSaveArgs& a) {
    // The target may be a case another command is changing.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, a.to, a.noWait)) {
        return kExitFailure;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.from, a.password);
    if (!root) {
        return kExitFailure;
    }
    try {
        SaveCaseFile(*root, a.to, a.compress);
        IndexCaseAfterCommand(*root, a.to);
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.to));
        return kExitFailure;
    }
    return kExitOk;
}

const CCommandRegistration
    kSave({"save", CommandGroup::Catalogue,
           "Write a case again under a new name or in another form", [](CLI::App& cmd) {
               auto a = std::make_shared<SSaveArgs>();
               AddCaseArgument(cmd, a->from, "The case to read");
               cmd.add_option("NEW", a->to, "The file to write; a .caz name packs the case")
                   ->required()
                   ->check(NonEmptyPath());
               cmd.add_flag("--compress", a->compress, "Write a gzip-compressed .cas");
               AddPasswordOption(cmd, a->password);
               AddNoWaitFlag(cmd, a->noWait);
               return [a] { return RunSave(*a); };
           }});

} // namespace

} // namespace quillora::cli
