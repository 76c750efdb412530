// quillora: the desktop program.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel placeholder("Quillora");
    placeholder.show();
    return app.exec();
}
