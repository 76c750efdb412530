// Comment extraction on demand.
#include "app/comments/CAutoCommentRunner.h"

#include "core/Resources.h"
#include "extract/ExtractTextManager.h"
#include "model/SFileInfo.h"
#include "scan/VolumeScanner.h"

#include <QApplication>
#include <QProgressDialog>

namespace quillora {

CAutoCommentRunner::CAutoCommentRunner(CExtractTextManager& extractors, IArchiveLister* lister)
    : m_extractors(extractors), m_lister(lister) {}

std::vector<SFileInfo*> CAutoCommentRunner::WorkUnits(const std::vector<SFileInfo*>& records) {
    std::vector<SFileInfo*> units;
    std::vector<SFileInfo*> pending(records.rbegin(), records.rend());
    while (!pending.empty()) {
        SFileInfo* r = pending.back();
        pending.pop_back();
        if (r->IsInsideArchive()) {
            units.push_back(r); // one batch: the archive is extracted once
            continue;
        }
        if (!r->IsDirectory()) {
            units.push_back(r);
            continue;
        }
        for (std::size_t i = r->ChildCount(); i-- > 0;) {
            pending.push_back(r->ChildAt(i));
        }
    }
    return units;
}

bool CAutoCommentRunner::Run(const std::vector<SFileInfo*>& records,
                             const std::function<bool()>& stop,
                             const std::function<void(const SFileInfo&)>& progress) {
    m_processed = 0;
    SScanOptions options;
    CVolumeScanner scanner(options);
    scanner.SetCommentExtractor(&m_extractors);
    scanner.SetArchiveLister(m_lister);
    for (SFileInfo* unit : WorkUnits(records)) {
        if (stop && stop()) {
            return false;
        }
        if (progress) {
            progress(*unit);
        }
        scanner.ExtractComment(*unit, 0, true, true, false);
        ++m_processed;
    }
    return true;
}

bool CAutoCommentRunner::Run(QWidget* parent, const std::vector<SFileInfo*>& records) {
    const std::vector<SFileInfo*> units = WorkUnits(records);
    QProgressDialog dialog(parent);
    dialog.setWindowTitle(QString::fromUtf8("ｺﾒﾝﾄ自動抽出"));
    dialog.setCancelButtonText(QString::fromUtf8(Res(519)));
    dialog.setRange(0, static_cast<int>(units.size()));
    dialog.setMinimumDuration(500);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumWidth(420);
    int done = 0;
    const bool finished = Run(
        records,
        [&dialog] {
            // Paints the window and the dialog, and takes a click on Cancel. Until the
            // dialog shows, which blocks the window, user input waits.
            QApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                           : QEventLoop::ExcludeUserInputEvents);
            return dialog.wasCanceled();
        },
        [&dialog, &done](const SFileInfo& record) {
            dialog.setValue(done++);
            dialog.setLabelText(QString::fromUtf8(Res(291)) +
                                QString::fromStdString(record.GetPath()));
        });
    dialog.setValue(static_cast<int>(units.size()));
    return finished;
}

} // namespace quillora
