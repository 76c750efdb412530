// `quillora-cli save CASE NEW`: writes a case again under a new name; a ".caz" name
// packs it, --compress writes a gzip ".cas".
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "model/CaseFile.h"

namespace quillora::cli {

int RunSave(const Args& args) {
    CArgs a(args, {"password"});
    if (!a.Check({"compress"}) || a.Positional().size() != 2) {
        ReportError(a.Error().empty()
                        ? "usage: quillora-cli save CASE NEW [--password P] [--compress]"
                        : a.Error());
        return kExitUsage;
    }
    const std::string& from = a.Positional()[0];
    const std::string& to = a.Positional()[1];
    // The target may be a case another command is changing.
    CCaseLock lock;
    if (!LockCaseForEdit(lock, to)) {
        return kExitFailure;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(from, a.Value("password"));
    if (!root) {
        return kExitFailure;
    }
    try {
        SaveCaseFile(*root, to, a.Has("compress"));
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, to));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace quillora::cli
