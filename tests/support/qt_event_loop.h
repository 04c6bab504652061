#pragma once

#include <QCoreApplication>

#include <chrono>

namespace garbello::test {

// The process's Qt application object, made on first use, for tests that
// need an event loop (queued calls, timers, D-Bus replies).
inline void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "garbello-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// Runs the event loop until `done` holds or ten seconds pass; returns
// `done()`. A guard against hanging, not a measure of speed.
template <class Done> bool runEventLoopUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace garbello::test
