// The desktop's answers to a file extraction: the insert-medium prompt, the folder
// picker for the target, a cancellable progress dialog for the copy and a warning
// naming the file that failed.
#pragma once

#include "scan/FileExtraction.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QProgressDialog;
class QWidget;

namespace quillora {

class CMediaPresence;
class IMediumPrompt;

class CQtExtractionUi : public IExtractionUi {
public:
    // The presence checker and the prompt are not owned and must outlive this object.
    CQtExtractionUi(QWidget* parent, CMediaPresence& presence, IMediumPrompt& prompt);
    ~CQtExtractionUi() override;

    // Replaces the folder picker (tests script the target folder this way).
    using FolderChooser = std::function<std::optional<std::string>(const std::string& initial)>;
    void SetFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    // Replaces the warning box: failures go to `sink` instead (tests).
    using FailureSink = std::function<void(const std::string& message)>;
    void SetFailureSink(FailureSink sink) { m_failureSink = std::move(sink); }

    bool RequireMedium(const SFileInfo& record) override;
    std::optional<std::string> ChooseTargetFolder(const std::string& initial) override;
    bool CopyProgress(std::uint64_t done, std::uint64_t total, const std::string& current) override;
    void ReportFailure(const std::string& message) override;
    // One information box listing the entries (tests: the failure sink gets it).
    void ReportSkipped(const std::vector<std::string>& entries) override;

    // The copy's progress dialog while a copy runs (null before the first file).
    QProgressDialog* Progress() const { return m_pProgress.get(); }
    // Closes the progress dialog (the extraction ended).
    void Finish();

    // The progress dialog's range is 0..kProgressSteps whatever the byte total.
    static constexpr int kProgressSteps = 1000;
    static int ProgressValue(std::uint64_t done, std::uint64_t total);

private:
    QWidget* m_pParent;
    CMediaPresence& m_presence;
    IMediumPrompt& m_prompt;
    FolderChooser m_chooser;
    FailureSink m_failureSink;
    std::unique_ptr<QProgressDialog> m_pProgress;
};

} // namespace quillora
