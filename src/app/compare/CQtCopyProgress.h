// The progress of the update commands' copies on Qt: a cancellable progress dialog
// while files are copied, then one warning naming every file that failed.
#pragma once

#include "search/CUpdateCopier.h"

#include <memory>
#include <string>
#include <vector>

class QProgressDialog;
class QWidget;

namespace quillora {

class CQtCopyProgress : public ICopyProgress {
public:
    explicit CQtCopyProgress(QWidget* parent);
    ~CQtCopyProgress() override;

    bool CopyProgress(std::uint64_t done, std::uint64_t total, const std::string& current) override;
    void CopyFailed(const std::string& message) override;

    // Closes the progress dialog and, when files failed, shows the warning.
    void Finish();

    // The warning's text: a first line, then one failure a line (at most `limit`,
    // then how many more).
    static std::string FailureText(const std::vector<std::string>& failures,
                                   std::size_t limit = 20);

private:
    QWidget* m_pParent;
    std::unique_ptr<QProgressDialog> m_pProgress;
    std::vector<std::string> m_failures;
};

} // namespace quillora
