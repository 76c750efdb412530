// The case document's user interface on the command line: messages go to stderr,
// questions are answered "no", the password comes from --password and the loading
// dialog is a scan with a progress line.
#pragma once

#include "document/IDocumentUi.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <optional>
#include <string>

namespace quillora::cli {

class CCliDocumentUi : public IDocumentUi {
public:
    explicit CCliDocumentUi(std::optional<std::string> password)
        : m_password(std::move(password)) {}

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void ShowFileError(const std::string& text, const std::string& cause) override;
    void ShowMediumMissing(const std::string& osPath) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    std::optional<std::string> AskPassword(PasswordMode mode, const std::string& fileName,
                                           const std::string& password) override;
    std::optional<SAddMediaChoice> RunAddMediaDialog(int tab,
                                                     const std::string& lastDrive) override;
    SMediaSelectAnswer RunMediaSelectDialog(const SMediaSelectRequest& request) override;
    std::unique_ptr<SVolumeInfo> RunLoadingDialog(const std::string& osPath,
                                                  const std::string* label,
                                                  const std::string* comment, int mode) override;
    const CScanReport* LastScanReport() const override { return &m_report; }
    std::unique_ptr<SVolumeInfo> RunRescanDialog(const std::string& osPath,
                                                 const std::string* label,
                                                 const std::string* comment,
                                                 const SVolumeInfo& previous) override;
    const CMediumChanges* LastScanChanges() const override { return &m_changes; }
    std::optional<std::string> AskFileName(const SFileDialogRequest& request) override;

    void SetPassword(std::optional<std::string> password) { m_password = std::move(password); }
    // Re-scans read every file, as a first scan does (--full).
    void SetReadAll(bool readAll) { m_bReadAll = readAll; }
    // The last scan was cancelled (not failed: see LastScanReport()->RootFailed()).
    bool Cancelled() const { return m_bCancelled; }
    double LastScanSeconds() const { return m_dSeconds; }

private:
    std::optional<std::string> m_password;
    bool m_bCancelled = false;
    // A password question was answered "no" with a message: the failure it causes
    // has been reported.
    bool m_bPasswordReported = false;
    bool m_bReadAll = false;
    double m_dSeconds = 0;
    CScanReport m_report;
    CMediumChanges m_changes;
};

} // namespace quillora::cli
