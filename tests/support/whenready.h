#pragma once

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
