#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class MainWindow;

// What every window benchmark sets up before it measures, in one place: the
// window offscreen unless QT_QPA_PLATFORM says otherwise (for example
// QT_QPA_PLATFORM=xcb under Xvfb with a window manager), the segment
// service it asks (benchservice.h), a temporary program directory for
// tarvio.txt, message boxes answered unseen, and the real main window,
// shown and settled.

// Call first thing in main(), before the QApplication is made.
void UseOffscreenUnlessTold();

class BenchWindow {
public:
    // Takes "--service HOST:PORT" out of args, or starts the bundled service.
    explicit BenchWindow(QStringList &args);
    // Closes the window and ends the service it started.
    ~BenchWindow();
    BenchWindow(const BenchWindow &) = delete;
    BenchWindow &operator=(const BenchWindow &) = delete;

    // False when there is no service to ask (said on stderr); nothing else
    // is there then.
    bool Ok() const { return m_window != nullptr; }
    MainWindow &Window() const { return *m_window; }
    QString ServiceHost() const { return m_serviceHost; }
    // The service's port on 127.0.0.1, for clients beside the window.
    quint16 ServicePort() const;
    // The program directory, where files of the benchmark may go too.
    QString Dir() const { return m_dir.path(); }

    // Runs a handler of the window and returns once its command has ended,
    // whether the handler returns at once or at the end of the command.
    void RunToEnd(void (MainWindow::*handler)()) const;
    // The same for a menu item, by its object name ("ExportPhone").
    void TriggerToEnd(const char *action) const;

private:
    void WaitForCommandEnd() const;

    QProcess m_service;
    QString m_serviceHost;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
};
