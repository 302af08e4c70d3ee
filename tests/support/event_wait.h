#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>

namespace px::test {

// Runs the event loop until `done` holds or `ms` have passed; whether it held. For work that
// goes over real sockets or buses, whose timing the test does not own.
inline bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

} // namespace px::test
