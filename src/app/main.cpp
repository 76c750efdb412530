// quillora: the desktop program.
#include "app/TobCaseApp.h"

#include <QApplication>
#include <QIcon>

#include <clocale>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    // Sorting by name follows the user's locale (strcoll).
    std::setlocale(LC_ALL, "");
    // A file-size limit (ulimit -f) must fail the write that passes it, so that the
    // save or copy reports it and keeps the old file, not kill the program mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    // --help and --version answer before the window system is opened, so that they
    // work without a display (the build makes the manual page from them).
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i) {
        rawArguments << QString::fromLocal8Bit(argv[i]);
    }
    const quillora::SCommandLine asked = quillora::SCommandLine::Parse(rawArguments);
    if (asked.m_kind == quillora::SCommandLine::Help) {
        std::fputs(quillora::SCommandLine::HelpText().c_str(), stdout);
        return 0;
    }
    if (asked.m_kind == quillora::SCommandLine::Version) {
        std::fputs("quillora " QUILLORA_VERSION "\n", stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Pelvane");
    QApplication::setApplicationName("Quillora");
    QApplication::setApplicationVersion(QUILLORA_VERSION);
    // The installed icon theme's icon, else the one built in.
    QApplication::setWindowIcon(QIcon::fromTheme("quillora", QIcon(":/icons/quillora.svg")));
    quillora::CTobCaseApp program;
    int result = 0;
    if (program.InitInstance(QApplication::arguments())) {
        result = QApplication::exec();
    }
    int exitCode = program.ExitInstance();
    return result != 0 ? result : exitCode;
}
