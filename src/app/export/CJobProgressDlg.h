// Runs an export or import on a worker thread under a modal progress dialog with a cancel
// button. The dialog reads the job's progress on a timer; cancelling asks the job to stop
// and waits until the work has ended. A job that ends quickly shows no dialog at all.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quillora {

class CExportJob;

class CJobProgressDlg {
public:
    // Runs `work` and returns when it has ended. `work` polls `job`; it must not touch
    // anything the GUI thread changes meanwhile.
    static void Run(QWidget* parent, const QString& title, CExportJob& job,
                    const std::function<void()>& work);
};

} // namespace quillora
