#pragma once

#include "commandwaiter.h"

#include <QElapsedTimer>

#include <chrono>
#include <functional>

class QWidget;

// What the main window does while one of its commands waits for the network.
// A command that waits for work done elsewhere (Wait) runs the window's event
// loop meanwhile. A lookup waits on this thread, so nothing of the program runs unless the
// wait lets it: the waiting lookup calls Pump often, and every kPumpInterval
// Pump lets the program take its pending events. So the window repaints at a
// human pace (captions and cells change far more often than anyone could
// read), information windows keep moving, and the user can still reach the
// program, while a fast service is not slowed by painting every row. At the
// calls in between, only the requests of the accessibility bus are answered,
// so a screen reader reading the window waits milliseconds, not a pump.
//
// Meanwhile Esc in the main window, its close box, 退出 and a quit of the
// session stop the command: Pump then returns false, and the lookup ends at
// once. A context menu is not opened during a pump, since it would hold the
// command in a loop of its own; commands that arrive are dropped by the
// window's command guard.
class CommandWait : public EventLoopWaiter {
public:
    static constexpr std::chrono::milliseconds kPumpInterval{40};

    explicit CommandWait(QWidget &window);

    // A command starts: nothing is to stop yet, and the first pump is due
    // one interval from now, so a command that ends sooner paints nothing.
    void Begin();
    // The wait hook of the window's lookups. False once the command is to stop.
    bool Pump();
    bool Wait() override;
    // What the window does at every pump before its events are taken.
    void SetBeforePump(std::function<void()> beforePump) { m_beforePump = std::move(beforePump); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ServeRequests();
    bool InMainWindow(QObject *object) const;

    QWidget &m_window;
    std::function<void()> m_beforePump;
    QElapsedTimer m_sincePump;
};
