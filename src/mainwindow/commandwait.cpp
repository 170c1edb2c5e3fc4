#include "commandwait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

CommandWait::CommandWait(QWidget &window)
    : m_window(window) {}

void CommandWait::Begin() {
    Reset();
    m_sincePump.start();
}

bool CommandWait::Wait() {
    QCoreApplication *application = QCoreApplication::instance();
    application->installEventFilter(this);
    const bool goOn = EventLoopWaiter::Wait();
    application->removeEventFilter(this);
    return goOn;
}

bool CommandWait::Pump() {
    if (StopAsked())
        return false;
    if (m_sincePump.isValid() && m_sincePump.elapsed() < kPumpInterval.count()) {
        ServeRequests();
        return !StopAsked();
    }
    if (m_beforePump)
        m_beforePump();
    QCoreApplication *application = QCoreApplication::instance();
    application->installEventFilter(this);
    // Everything pending, timers included: on Windows a due timer is only
    // handed out once no other message waits.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
#ifndef Q_OS_WIN
    // A loop started now returns -1 at once when the application has been
    // told to exit (QCoreApplication::exit): no loop of this thread would
    // run any more, so the command must end. On Windows such a loop stops
    // the thread's timers from firing, and the end of a session arrives as
    // the Quit event that the filter sees.
    QEventLoop probe;
    QTimer::singleShot(0, &probe, &QEventLoop::quit);
    if (probe.exec() == -1)
        NoteQuit();
#endif
    application->removeEventFilter(this);
    m_sincePump.start();
    return !StopAsked();
}

// Qt's D-Bus thread hands every call from the accessibility bus to this
// thread as a meta-call event. A screen reader asks one thing after another,
// each once the last is answered (finding a caption takes dozens of calls),
// so between two pumps these calls are answered at every look of the waiting
// lookup, with the other calls queued for this thread; no input is taken,
// captions change and the window paints only at the pumps. (On Windows a
// screen reader's requests are window messages, taken at the pumps.)
void CommandWait::ServeRequests() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

bool CommandWait::InMainWindow(QObject *object) const {
    if (auto *window = qobject_cast<QWindow *>(object))
        return window == m_window.windowHandle();
    if (auto *widget = qobject_cast<QWidget *>(object))
        return widget->window() == &m_window;
    return false;
}

bool CommandWait::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && InMainWindow(watched)) {
            RequestStop();
            return true;
        }
        return false;
    case QEvent::ContextMenu:
        return true;
    case QEvent::Quit:
        // The session is ending: the command stops, and the application
        // goes on to close its windows, the main window once the command
        // has ended.
        NoteQuit();
        return false;
    default:
        return false;
    }
}
