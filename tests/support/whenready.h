#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <functional>

// Calls done() once ready() holds, looking each time the window's waits let
// timers run (every few milliseconds). The looking ends with context.
inline void WhenReady(QObject *context, std::function<bool()> ready, std::function<void()> done) {
    auto *poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, ready, done] {
        if (!ready())
            return;
        poll->deleteLater();
        poll->stop();
        done();
    });
    poll->start(5);
}

// Runs the event loop, as an idle window's thread runs it, until done()
// holds; false if it never does within two minutes, longer than any
// command of a test runs even on a machine seconds late, or once goOn()
// fails. (QTest::qWait sleeps between its looks, and would hold every
// request of a screen reader meanwhile.)
inline bool RunUntil(
    const std::function<bool()> &done, const std::function<bool()> &goOn = [] { return true; }) {
    bool gaveUp = false;
    QTimer patience;
    patience.setSingleShot(true);
    QObject::connect(&patience, &QTimer::timeout, &patience, [&gaveUp] { gaveUp = true; });
    patience.start(120'000);
    while (!done() && !gaveUp && goOn())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
