// The QApplication of the GUI tests, made on first use (never during static start-up,
// which GoogleTest's main would run before the platform is chosen).
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <functional>

namespace quillora::test {

inline QApplication& TestApp() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *existing;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

} // namespace quillora::test
