#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace tvtest {

// Keeps the GUI thread's events going until `done` holds or `timeoutMs` has passed; false on
// time-out. Window tests wait for runs this way instead of sleeping.
template <typename Pred>
bool PumpUntil(Pred done, int timeoutMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace tvtest
