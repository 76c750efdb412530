// quillora: the desktop program.
#include "app/TobCaseApp.h"

#include <QApplication>

#include <clocale>

int main(int argc, char** argv) {
    // Sorting by name follows the user's locale (strcoll).
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Pelvane");
    QApplication::setApplicationName("Quillora");
    quillora::CTobCaseApp program;
    int result = 0;
    if (program.InitInstance(QApplication::arguments())) {
        result = QApplication::exec();
    }
    int exitCode = program.ExitInstance();
    return result != 0 ? result : exitCode;
}
