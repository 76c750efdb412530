// quillora-cli extract: copies catalogued files (and archive members) of a mounted
// medium into a folder, as the desktop program's extract command does.
#include "cli/ArchiveServices.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "core/ConfigData.h"
#include "document/JobOptions.h"

#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"
#include "scan/FileExtraction.h"
#include "scan/IMediumPrompt.h"
#include "scan/MediaPresence.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace quillora::cli {

namespace {

// Nobody can insert a medium at a prompt here: the answer is always "cancel", after
// saying which medium is missing (in our words; the prompt's text is the program's).
class CNoMediumPrompt : public IMediumPrompt {
public:
    explicit CNoMediumPrompt(const SVolumeInfo* medium) : m_medium(medium) {}

    bool AskForMedium(const std::string&) override {
        std::string text = "the medium is not mounted";
        if (m_medium) {
            text += ": \"" + m_medium->m_strLabel + "\"";
            if (!m_medium->m_strOrgLabel.empty() &&
                m_medium->m_strOrgLabel != m_medium->m_strLabel) {
                text += " (volume \"" + m_medium->m_strOrgLabel + "\")";
            }
        }
        ReportError(text);
        return false;
    }

private:
    const SVolumeInfo* m_medium;
};

class CCliExtractionUi : public IExtractionUi {
public:
    CCliExtractionUi(CMediaPresence& presence, std::string target)
        : m_presence(presence), m_target(std::move(target)) {}

    bool RequireMedium(const SFileInfo& record) override {
        CNoMediumPrompt prompt(record.EnclosingMedium());
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

struct SExtractArgs {
    std::string casePath;
    std::vector<std::string> records;
    std::string target;
    std::optional<std::string> password;
};

int RunExtract(const SExtractArgs& a) {
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    std::vector<const SFileInfo*> rows;
    for (const std::string& path : a.records) {
        const SFileInfo* record = FindByCatalogPath(*root, path);
        if (!record) {
            ReportError("no record " + path + " in the case");
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
    std::filesystem::create_directories(a.target, ec);
    if (!std::filesystem::is_directory(a.target)) {
        ReportError(a.target + ": " + (ec ? ec.message() : "not a folder"));
        return kExitFailure;
    }
    CMediaPresence presence = UserMediaPresence();
    presence.CheckDeviceIN(*root);
    CCliExtractionUi ui(presence, a.target);
    CFileExtraction extraction(Expander(), ui, ExtractionStartFolder(Config()));
    return extraction.Run(selection) ? kExitOk : kExitFailure;
}

const CCommandRegistration kExtract(
    {"extract", CommandGroup::Media,
     "Copy catalogued files and archive members back out of a mounted medium", [](CLI::App& cmd) {
         auto a = std::make_shared<SExtractArgs>();
         AddCaseArgument(cmd, a->casePath);
         cmd.add_option("PATH", a->records, "Records to copy, by their paths as tree prints them")
             ->required();
         cmd.add_option("--to", a->target, "The folder to copy into (made when missing)")
             ->type_name("DIR")
             ->required()
             ->check(NonEmptyPath());
         AddPasswordOption(cmd, a->password);
         return [a] { return RunExtract(*a); };
     }});

} // namespace

} // namespace quillora::cli
