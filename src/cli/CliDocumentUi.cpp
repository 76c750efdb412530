// Command-line answers to the case document's questions.
#include "cli/CliDocumentUi.h"

#include "cli/CliScan.h"
#include "cli/CliSupport.h"

namespace quillora::cli {

void CCliDocumentUi::ShowMessage(const std::string& text, MessageIcon) {
    ReportError(text);
}

void CCliDocumentUi::ShowFileError(const std::string&, const std::string& cause) {
    if (m_bPasswordReported) {
        m_bPasswordReported = false;
        return;
    }
    ShowMessage(cause, MessageIcon::Warning);
}

void CCliDocumentUi::ShowMediumMissing(const std::string& osPath) {
    // The command checked the folder before; this is one that went away since.
    ReportError(osPath + ": the folder is no longer there; nothing was added");
}

bool CCliDocumentUi::AskYesNo(const std::string&) {
    return false;
}

bool CCliDocumentUi::AskOkCancel(const std::string&) {
    return false;
}

std::optional<std::string> CCliDocumentUi::AskPassword(PasswordMode mode,
                                                       const std::string& fileName,
                                                       const std::string& password) {
    if (mode == PasswordMode::Check) {
        if (!m_password || *m_password != password) {
            ReportError(fileName + (m_password ? ": wrong password"
                                               : ": the case is protected by a password "
                                                 "(use --password)"));
            m_bPasswordReported = true;
            return std::nullopt;
        }
    }
    return m_password;
}

std::optional<SAddMediaChoice> CCliDocumentUi::RunAddMediaDialog(int, const std::string&) {
    return std::nullopt;
}

SMediaSelectAnswer CCliDocumentUi::RunMediaSelectDialog(const SMediaSelectRequest&) {
    return {};
}

std::unique_ptr<SVolumeInfo> CCliDocumentUi::RunLoadingDialog(const std::string& osPath,
                                                              const std::string* label,
                                                              const std::string* comment, int) {
    m_changes.Clear();
    std::unique_ptr<SVolumeInfo> medium =
        ScanMedium(osPath, label, comment, &m_dSeconds, &m_report);
    m_bCancelled = !medium && !m_report.RootFailed();
    return medium;
}

std::unique_ptr<SVolumeInfo> CCliDocumentUi::RunRescanDialog(const std::string& osPath,
                                                             const std::string* label,
                                                             const std::string* comment,
                                                             const SVolumeInfo& previous) {
    const SRescan rescan{&previous, !m_bReadAll, &m_changes};
    std::unique_ptr<SVolumeInfo> medium =
        ScanMedium(osPath, label, comment, &m_dSeconds, &m_report, &rescan);
    m_bCancelled = !medium && !m_report.RootFailed();
    return medium;
}

std::optional<std::string> CCliDocumentUi::AskFileName(const SFileDialogRequest&) {
    return std::nullopt;
}

} // namespace quillora::cli
