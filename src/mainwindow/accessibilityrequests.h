#pragma once

#include <QObject>

// Whether this thread is carrying out a request of a screen reader or an
// automation tool at this moment. Such a request arrives as a call over the
// accessibility bus (AT-SPI on Linux) or through UI Automation (Windows),
// and the caller waits for its answer. A press on a menu item is carried out
// by Qt inside that call: a command it starts would hold the caller's answer
// until the command ends, and a screen reader that waits that long takes the
// program for hung. The window therefore starts such a command only once the
// call has been answered (mainwindow.cpp).
class AccessibilityRequests : public QObject {
public:
    // Watches the application's events from now on.
    AccessibilityRequests();
    ~AccessibilityRequests() override;

    bool Serving() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The bus request being carried out, and how many are, nested.
    QEvent *m_delivering = nullptr;
    int m_depth = 0;
};
