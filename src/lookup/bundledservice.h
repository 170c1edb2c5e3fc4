#pragma once

#include "waithook.h"

#include <QProcess>
#include <QString>

// The number-segment service that comes with the program (segment-service,
// beside the executable), started by the program itself so that a user who
// unpacks it and double-clicks it gets answers.
//
// Only a service on this machine is started, and only when none of ours
// answers there already. When another program holds the port, ours is
// started on a free one instead, and the user is told: asking that program
// could give wrong answers. A service started here ends with the program,
// also when the program is killed: on Linux the kernel sends it SIGTERM when
// its parent dies, on Windows it lives in a job object that is closed with
// the program.
class BundledService {
public:
    // host: where lookups are set to go, host:port. Looks at once whether
    // ours answers there, and starts it when it does not; does not wait for
    // it to come up (WaitUntilReady does).
    explicit BundledService(const QString &host, const QString &programDirectory);
    ~BundledService();
    BundledService(const BundledService &) = delete;
    BundledService &operator=(const BundledService &) = delete;

    // Where lookups go: the host given, or ours on another port. Empty when
    // the port is held by another program and ours cannot be started.
    QString Host() const { return m_host; }
    // What the user must be told, or an empty text.
    QString Notice() const { return m_notice; }
    // Whether this object started a service.
    bool Started() const { return m_process.state() != QProcess::NotRunning; }

    // Waits, calling hook meanwhile, until a service started here answers.
    // True at once when none was started; false when it ended, did not come
    // up in time, or the hook said stop.
    bool WaitUntilReady(const WaitHook &hook);

    static constexpr int kStartTimeoutMs = 30'000;

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
