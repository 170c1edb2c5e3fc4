#include "bundledservice.h"

#include "clientsocket.h"
#include "commandwaiter.h"
#include "serviceprobe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {
constexpr std::chrono::milliseconds kProbeTimeout{2000};
constexpr std::chrono::milliseconds kReadyProbeTimeout{500};
constexpr int kRetryPauseMs = 10;
constexpr int kStopGraceMs = 3000;

QString HostAndPort(const QString &host, quint16 port) {
    return (host.contains(QLatin1Char(':')) ? u'[' + host + u']' : host) + u':' +
           QString::number(port);
}
} // namespace

BundledService::BundledService(const QString &host, const QString &builtInHost,
                               const QString &programDirectory)
    : m_host(host) {
    // Whoever set the host at build time meant that service to be asked,
    // ours or not: nothing is started, nothing looked at, nobody told.
    if (host != builtInHost)
        return;
    const QUrl url(QStringLiteral("http://") + host);
    const int port = url.port(80);
    if (!url.isValid() || port <= 0 || port > 65535 || !IsLoopbackHost(url.host()))
        return;
    const auto configuredPort = static_cast<quint16>(port);
    const QString hostName = url.host();

    // A program that answers the protocol is as good as ours. A stranger is
    // one that does not: another kind of server, or one that never answers.
    bool stranger = false;
    if (SomethingListens(hostName, configuredPort)) {
        if (AnswersLookups(host, kProbeTimeout))
            return;
        stranger = true;
    }
    m_program = QStandardPaths::findExecutable(QStringLiteral("segment-service"),
                                               {QDir(programDirectory).absolutePath()});
    const QString configured = QDir::toNativeSeparators(HostAndPort(hostName, configuredPort));
    if (m_program.isEmpty()) {
        if (stranger) {
            // Asking that program could give wrong answers: better none.
            m_host.clear();
            m_notice = QStringLiteral("本机 ") + configured +
                       QStringLiteral(" 已被其他程序占用，软件目录下又没有号码段服务 "
                                      "segment-service，无法查询归属地。");
        }
        return;
    }
    const quint16 ourPort = stranger ? FreeLoopbackPort() : configuredPort;
    if (ourPort == 0 || !Start(ourPort)) {
        m_host.clear();
        m_notice = QStringLiteral("无法启动号码段服务 segment-service，无法查询归属地。");
        return;
    }
    m_host = HostAndPort(QStringLiteral("127.0.0.1"), ourPort);
    if (stranger)
        m_notice = QStringLiteral("本机 ") + configured +
                   QStringLiteral(" 已被其他程序占用，号码段服务改在 ") + m_host +
                   QStringLiteral(" 上运行。");
}

QString BundledService::BuiltInHost() {
    return QStringLiteral(TARVIO_BUILTIN_SERVICE_HOST);
}

BundledService::~BundledService() {
    if (m_process.state() != QProcess::NotRunning) {
#ifdef Q_OS_WIN
        // A console program started without a console has no window to be
        // asked to close; it keeps nothing that could be lost.
        m_process.kill();
#else
        m_process.terminate();
        if (!m_process.waitForFinished(kStopGraceMs))
            m_process.kill();
#endif
        m_process.waitForFinished(kStopGraceMs);
    }
#ifdef Q_OS_WIN
    if (m_job)
        CloseHandle(m_job);
#endif
}

bool BundledService::Start(quint16 port) {
    m_process.setProgram(m_program);
    m_process.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)});
    m_process.setWorkingDirectory(QFileInfo(m_program).absolutePath());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_LINUX
    // Ends the service when this process ends, however it ends; the check
    // after it covers a parent that died before the request was made.
    m_process.setChildProcessModifier([parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(0);
    });
#endif
    m_process.start();
    if (!m_process.waitForStarted())
        return false;
#ifdef Q_OS_WIN
    // Processes in a job that closes with the last handle to it end with
    // it; this process holds the only handle, so the service ends when this
    // process does, killed or not.
    m_job = CreateJobObjectW(nullptr, nullptr);
    if (m_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        const HANDLE service = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE,
                                           static_cast<DWORD>(m_process.processId()));
        if (service) {
            AssignProcessToJobObject(m_job, service);
            CloseHandle(service);
        }
    }
#endif
    m_ready = false;
    return true;
}

bool BundledService::WaitUntilReady(CommandWaiter &waiter) {
    if (m_ready)
        return true;
    QElapsedTimer waited;
    waited.start();
    QTimer pause;
    pause.setSingleShot(true);
    QObject::connect(&pause, &QTimer::timeout, [&waiter] { waiter.Wake(); });
    while (waited.elapsed() < kStartTimeoutMs && !waiter.StopAsked()) {
        if (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(0))
            return false;
        if (AnswersLookups(m_host, kReadyProbeTimeout, waiter)) {
            m_ready = true;
            return true;
        }
        if (waiter.StopAsked())
            return false;
        // A moment before the next look, spent in the waiter's event loop.
        pause.start(kRetryPauseMs);
        while (pause.isActive() && waiter.Wait()) {
        }
    }
    return false;
}

bool BundledService::WaitUntilReady() {
    EventLoopWaiter waiter;
    return WaitUntilReady(waiter);
}
