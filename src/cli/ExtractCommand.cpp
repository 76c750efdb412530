// quillora-cli extract: copies catalogued files (and archive members) of a mounted
// medium into a folder, as the desktop program's extract command does.
#include "cli/ArchiveServices.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"
#include "scan/FileExtraction.h"
#include "scan/IMediumPrompt.h"
#include "scan/MediaPresence.h"

#include <filesystem>

namespace quillora::cli {

namespace {

// Nobody can insert a medium at a prompt here: the answer is always "cancel", after
// saying which medium is missing.
class CNoMediumPrompt : public IMediumPrompt {
public:
    bool AskForMedium(const std::string& text) override {
        std::string line = text;
        for (char& c : line) {
            if (c == '\n') {
                c = ' ';
            }
        }
        ReportError("the medium is not mounted: " + line);
        return false;
    }
};

class CCliExtractionUi : public IExtractionUi {
public:
    CCliExtractionUi(CMediaPresence& presence, std::string target)
        : m_presence(presence), m_target(std::move(target)) {}

    bool RequireMedium(const SFileInfo& record) override {
        CNoMediumPrompt prompt;
        return m_presence.RequireMedium(record, prompt);
    }
    std::optional<std::string> ChooseTargetFolder(const std::string&) override { return m_target; }
    bool CopyProgress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
    void ReportFailure(const std::string& message) override { ReportError(message); }
    void ReportSkipped(const std::vector<std::string>& entries) override {
        for (const std::string& entry : entries) {
            ReportError("not copied, " + entry);
        }
    }

private:
    CMediaPresence& m_presence;
    std::string m_target;
};

} // namespace

int RunExtract(const Args& args) {
    CArgs a(args, {"to", "password"});
    std::optional<std::string> target = a.Value("to");
    if (!a.Check({}) || a.Positional().size() < 2 || !target) {
        ReportError(a.Error().empty() ? "usage: quillora-cli extract CASE PATH... --to DIR "
                                        "[--password P]"
                                      : a.Error());
        return kExitUsage;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.Positional()[0], a.Value("password"));
    if (!root) {
        return kExitFailure;
    }
    std::vector<const SFileInfo*> rows;
    for (std::size_t i = 1; i < a.Positional().size(); ++i) {
        const SFileInfo* record = FindByCatalogPath(*root, a.Positional()[i]);
        if (!record) {
            ReportError("no record " + a.Positional()[i] + " in the case");
            return kExitFailure;
        }
        rows.push_back(record);
    }
    std::vector<const SFileInfo*> selection = CFileExtraction::ListSelection(rows);
    if (selection.empty()) {
        ReportError("media and the case itself cannot be extracted; name their folders or files");
        return kExitFailure;
    }
    std::error_code ec;
    std::filesystem::create_directories(*target, ec);
    if (!std::filesystem::is_directory(*target)) {
        ReportError(*target + ": not a folder");
        return kExitFailure;
    }
    CMediaPresence presence;
    presence.CheckDeviceIN(*root);
    CCliExtractionUi ui(presence, *target);
    CFileExtraction extraction(Expander(), ui);
    return extraction.Run(selection) ? kExitOk : kExitFailure;
}

} // namespace quillora::cli
