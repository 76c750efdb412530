// The progress of list exports and imports.
#include "app/export/CJobProgressDlg.h"

#include "export/CExportJob.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace quillora {

void CJobProgressDlg::Run(QWidget* parent, const QString& title, CExportJob& job,
                          const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
    });

    QProgressDialog dialog(title, QString::fromUtf8("ｷｬﾝｾﾙ"), 0, 1000, parent);
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&job] { job.Cancel(); });
    // The timer wakes the loop to read the progress.
    QTimer timer;
    timer.start(100);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    while (!finished.load()) {
        const std::uint64_t total = job.Total();
        if (total != 0) {
            dialog.setValue(
                static_cast<int>(std::min<std::uint64_t>(job.Done() * 1000 / total, 999)));
        } else {
            dialog.setLabelText(title + "\n" + QString::number(job.Done()) +
                                QString::fromUtf8(" 件"));
        }
        // Until the dialog shows, nothing the user does reaches the window whose case the
        // worker is reading.
        QEventLoop::ProcessEventsFlags flags = QEventLoop::WaitForMoreEvents;
        if (!dialog.isVisible()) {
            flags |= QEventLoop::ExcludeUserInputEvents;
        }
        QCoreApplication::processEvents(flags);
    }
    QApplication::restoreOverrideCursor();
    // Cancelling blocks until the worker has seen it.
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace quillora
