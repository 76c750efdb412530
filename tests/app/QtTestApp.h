// The QApplication of the GUI tests, made on first use (never during static start-up,
// which GoogleTest's main would run before the platform is chosen).
#pragma once

#include "GuiTestApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <functional>

namespace quillora::test {

// The one application object of the test program (GuiApp's: a second QApplication
// beside it would take over the first and crash the program at exit).
inline QApplication& TestApp() {
    return GuiApp();
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
