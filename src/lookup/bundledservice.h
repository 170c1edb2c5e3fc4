#pragma once

#include <QProcess>
#include <QString>

class CommandWaiter;

// The number-segment service that comes with the program (segment-service,
// beside the executable), started by the program itself so that a user who
// unpacks it and double-clicks it gets answers.
//
// This looks after the built-in host alone, the one SERVICE_HOST has when
// the build leaves it alone: a host the build names is asked as it is,
// loopback or not, whoever serves there. At the built-in host a program
// that answers the lookup protocol is asked, whoever wrote it; ours is
// started there when nothing listens, and on a free port when a program
// that does not answer the protocol holds it, and the user is told. A
// service started here ends with the program, also when the program is
// killed: on Linux the kernel sends it SIGTERM when its parent dies, on
// Windows it lives in a job object that is closed with the program.
class BundledService {
public:
    // host: where lookups are set to go, host:port (SERVICE_HOST).
    // builtInHost: SERVICE_HOST's built-in value (BuiltInHost() in the
    // program; tests name a host of their own). When the two are the same,
    // looks at once what answers there and starts ours when needed; does
    // not wait for it to come up (WaitUntilReady does).
    BundledService(const QString &host, const QString &builtInHost,
                   const QString &programDirectory);
    ~BundledService();
    BundledService(const BundledService &) = delete;
    BundledService &operator=(const BundledService &) = delete;

    // Where lookups go: the host given, or ours on another port. Empty when
    // the built-in host is held by a program that does not answer the
    // protocol and ours cannot be started.
    QString Host() const { return m_host; }
    // What the user must be told, or an empty text.
    QString Notice() const { return m_notice; }
    // Whether this object started a service.
    bool Started() const { return m_process.state() != QProcess::NotRunning; }

    // Waits with the waiter until a service started here answers. True at
    // once when none was started; false when it ended, did not come up in
    // time, or a stop was asked of the waiter.
    bool WaitUntilReady(CommandWaiter &waiter);
    // The same, waiting in an event loop of its own on this thread.
    bool WaitUntilReady();

    static constexpr int kStartTimeoutMs = 30'000;

    // The host SERVICE_HOST has when the build does not set it.
    static QString BuiltInHost();

private:
    bool Start(quint16 port);

    QString m_host;
    QString m_notice;
    QString m_program;
    QProcess m_process;
    bool m_ready = true;
#ifdef Q_OS_WIN
    void *m_job = nullptr; // a job object that ends the service with the program
#endif
};
