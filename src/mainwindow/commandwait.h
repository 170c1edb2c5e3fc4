#pragma once

#include "commandwaiter.h"

class QWidget;

// How the main window's commands wait for work done elsewhere: the network, a
// file read or written on a thread of its own. Wait runs the window's event
// loop, so the window paints, takes input and answers the accessibility bus
// at once, exactly as when it is idle.
//
// Meanwhile Esc in the main window, its close box, 退出 and a quit of the
// session stop the command: Wait then returns false, and the work ends at
// once. A context menu is not opened during a wait, since it would hold the
// command in a loop of its own; commands that arrive are dropped by the
// window's command guard.
class CommandWait : public EventLoopWaiter {
public:
    explicit CommandWait(QWidget &window);

    // A command starts: nothing is to stop yet.
    void Begin() { Reset(); }
    bool Wait() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool InMainWindow(QObject *object) const;

    QWidget &m_window;
};
