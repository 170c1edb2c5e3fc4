#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <functional>

// Calls done() once ready() holds, polled on a timer owned by context.
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

// Runs the event loop as an idle window does (QTest::qWait sleeps, holding a
// reader's requests) until done(); false after two minutes or once goOn() fails.
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
