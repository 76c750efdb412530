// The PDF module's entry: fonts and pages need Qt's GUI library, not a screen.
#include "app/print/PdfListWriter.h"

#include "app/print/CListPrinter.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Qt's notes about the missing desktop session are not the command's output; its
// critical messages are.
void ReportQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "quillora-cli: %s\n", text.toLocal8Bit().constData());
    }
}

} // namespace

// Exported by name from the module; the program finds it with dlsym.
extern "C" __attribute__((visibility("default"))) bool
quillora_write_list_pdf(const quillora::CPrintTable& table, const quillora::CPrintCondition& preset,
                        int fd, std::string* error) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(ReportQtMessage);
    static int argc = 1;
    static char name[] = "quillora-cli";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        *error = file.errorString().toStdString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setTitle(QString::fromStdString(preset.Title));
        writer.setCreator("quillora-cli");
        QPainter painter(&writer);
        quillora::CListPrinter(table, preset).Paint(painter, writer);
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        *error = file.errorString().toStdString();
        return false;
    }
    return true;
}
