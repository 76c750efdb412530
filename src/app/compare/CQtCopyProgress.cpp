// Copy progress of the update commands.
#include "app/compare/CQtCopyProgress.h"

#include "app/DialogMessage.h"
#include "app/media/CQtExtractionUi.h"
#include "core/TraceLog.h"

#include <QProgressDialog>

namespace quillora {

namespace {

// The copy of the update commands had no text of its own: these are ours.
constexpr const char* kCopyTitle = "ﾌｧｲﾙのｺﾋﾟｰ中";
constexpr const char* kFailedHead = "次のﾌｧｲﾙはｺﾋﾟｰできませんでした。";

} // namespace

CQtCopyProgress::CQtCopyProgress(QWidget* parent) : m_pParent(parent) {}

CQtCopyProgress::~CQtCopyProgress() {
    if (m_pProgress) {
        m_pProgress->close();
    }
}

bool CQtCopyProgress::CopyProgress(std::uint64_t done, std::uint64_t total,
                                   const std::string& current) {
    if (!m_pProgress) {
        m_pProgress = std::make_unique<QProgressDialog>(m_pParent);
        m_pProgress->setWindowTitle(QString::fromUtf8(kCopyTitle));
        m_pProgress->setWindowModality(Qt::WindowModal);
        m_pProgress->setRange(0, CQtExtractionUi::kProgressSteps);
        m_pProgress->setMinimumDuration(500);
        m_pProgress->setAutoClose(false);
        m_pProgress->setAutoReset(false);
        m_pProgress->setMinimumWidth(420);
        m_pProgress->setCancelButtonText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    }
    m_pProgress->setLabelText(QString::fromStdString(current));
    // A modal progress dialog processes events in setValue, which lets Cancel through.
    m_pProgress->setValue(CQtExtractionUi::ProgressValue(done, total));
    if (m_pProgress->wasCanceled()) {
        Log("update copy: cancelled");
        return false;
    }
    return true;
}

void CQtCopyProgress::CopyFailed(const std::string& message) {
    LogFormat("update copy failed: %s", message.c_str());
    m_failures.push_back(message);
}

std::string CQtCopyProgress::FailureText(const std::vector<std::string>& failures,
                                         std::size_t limit) {
    std::string text = kFailedHead;
    for (std::size_t i = 0; i < failures.size() && i < limit; ++i) {
        text += "\n" + failures[i];
    }
    if (failures.size() > limit) {
        text += "\n... (+" + std::to_string(failures.size() - limit) + ")";
    }
    return text;
}

void CQtCopyProgress::Finish() {
    if (m_pProgress) {
        m_pProgress->close();
        m_pProgress.reset();
    }
    if (!m_failures.empty()) {
        ShowDialogMessage(m_pParent, {}, FailureText(m_failures), QMessageBox::Warning);
        m_failures.clear();
    }
}

} // namespace quillora
