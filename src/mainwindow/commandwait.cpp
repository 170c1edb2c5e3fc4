#include "commandwait.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

CommandWait::CommandWait(QWidget &window)
    : m_window(window) {}

bool CommandWait::Wait() {
    QCoreApplication *application = QCoreApplication::instance();
    application->installEventFilter(this);
    const bool goOn = EventLoopWaiter::Wait();
    application->removeEventFilter(this);
    return goOn;
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
