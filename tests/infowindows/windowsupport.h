#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>

// Closes every top-level window the test left open and lets the released
// ones be deleted, so each test starts with no windows.
inline void CloseAllWindows() {
    for (QWidget *window : QApplication::topLevelWidgets())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lets windows closed with the close box be deleted as the event loop would.
inline void ReleaseClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
