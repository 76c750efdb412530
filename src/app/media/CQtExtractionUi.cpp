// Extraction dialogs on Qt.
#include "app/media/CQtExtractionUi.h"

#include "core/Resources.h"
#include "core/TraceLog.h"
#include "scan/MediaPresence.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include <cstdint>

namespace quillora {

CQtExtractionUi::CQtExtractionUi(QWidget* parent, CMediaPresence& presence, IMediumPrompt& prompt)
    : m_pParent(parent), m_presence(presence), m_prompt(prompt) {}

CQtExtractionUi::~CQtExtractionUi() {
    Finish();
}

int CQtExtractionUi::ProgressValue(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) {
        return kProgressSteps;
    }
    constexpr std::uint64_t kSteps = kProgressSteps;
    // Byte counts near the top of the range would overflow the product.
    if (done <= UINT64_MAX / kSteps) {
        return static_cast<int>(done * kSteps / total);
    }
    return static_cast<int>(done / (total / kSteps));
}

bool CQtExtractionUi::RequireMedium(const SFileInfo& record) {
    return m_presence.RequireMedium(record, m_prompt);
}

std::optional<std::string> CQtExtractionUi::ChooseTargetFolder(const std::string& initial) {
    if (m_chooser) {
        return m_chooser(initial);
    }
    QString chosen = QFileDialog::getExistingDirectory(m_pParent, QString::fromUtf8(Res(246)),
                                                       QString::fromStdString(initial));
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

bool CQtExtractionUi::CopyProgress(std::uint64_t done, std::uint64_t total,
                                   const std::string& current) {
    if (!m_pProgress) {
        m_pProgress = std::make_unique<QProgressDialog>(m_pParent);
        m_pProgress->setWindowTitle(QString::fromUtf8(Res(248)));
        m_pProgress->setWindowModality(Qt::WindowModal);
        m_pProgress->setRange(0, kProgressSteps);
        m_pProgress->setMinimumDuration(500);
        m_pProgress->setAutoClose(false);
        m_pProgress->setAutoReset(false);
        m_pProgress->setMinimumWidth(420);
        m_pProgress->setCancelButtonText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    }
    m_pProgress->setLabelText(QString::fromStdString(current));
    // A modal progress dialog processes events in setValue, which lets Cancel through.
    m_pProgress->setValue(ProgressValue(done, total));
    if (m_pProgress->wasCanceled()) {
        Log("extraction: copy cancelled");
        return false;
    }
    return true;
}

void CQtExtractionUi::ReportFailure(const std::string& message) {
    LogFormat("extraction failed: %s", message.c_str());
    Finish();
    if (m_failureSink) {
        m_failureSink(message);
        return;
    }
    QMessageBox::warning(m_pParent, "Quillora", QString::fromStdString(message));
}

void CQtExtractionUi::ReportSkipped(const std::vector<std::string>& entries) {
    std::string text = "Not copied (only regular files are):";
    constexpr std::size_t kShown = 20;
    for (std::size_t i = 0; i < entries.size() && i < kShown; ++i) {
        LogFormat("extraction: not copied, %s", entries[i].c_str());
        text += "\n" + entries[i];
    }
    if (entries.size() > kShown) {
        text += "\n... and " + std::to_string(entries.size() - kShown) + " more";
    }
    Finish();
    if (m_failureSink) {
        m_failureSink(text);
        return;
    }
    QMessageBox::information(m_pParent, "Quillora", QString::fromStdString(text));
}

void CQtExtractionUi::Finish() {
    if (m_pProgress) {
        m_pProgress->close();
        m_pProgress.reset();
    }
}

} // namespace quillora
