#include "benchservice.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <iterator>

namespace {
const char *const kPrefixes[] = {"130", "131", "132", "133", "134", "135", "136", "137", "138",
                                 "139", "150", "151", "152", "155", "156", "157", "158", "159",
                                 "176", "177", "181", "182", "183", "185", "186", "187"};
} // namespace

QString KnownNumber(int i) {
    const int prefixes = static_cast<int>(std::size(kPrefixes));
    return QLatin1StringView(kPrefixes[i % prefixes]) +
           QStringLiteral("%1").arg(i / prefixes, 8, 10, QLatin1Char('0'));
}

bool Listening(quint16 port) {
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    return probe.waitForConnected(200);
}

quint16 StartService(QProcess &service) {
#ifdef TARVIO_SEGMENT_SERVICE
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QStringLiteral(TARVIO_SEGMENT_SERVICE),
                  {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)});
    for (int i = 0; i < 50 && service.state() != QProcess::NotRunning; ++i) {
        if (Listening(port))
            return port;
        QThread::msleep(100);
    }
#else
    Q_UNUSED(service);
#endif
    return 0;
}

QString ServiceForBenchmark(QStringList &args, QProcess &service) {
    QString host;
    if (const qsizetype at = args.indexOf(QStringLiteral("--service")); at >= 0) {
        host = args.value(at + 1);
        args.remove(at, 2);
    }
    quint16 port = 0;
    if (host.isEmpty()) {
        port = StartService(service);
        host = QStringLiteral("127.0.0.1:%1").arg(port);
    } else if (host.startsWith(QStringLiteral("127.0.0.1:"))) {
        port = host.mid(10).toUShort();
    }
    if (port == 0 || !Listening(port)) {
        std::fprintf(stderr, "no segment service on 127.0.0.1; give one with --service "
                             "127.0.0.1:PORT\n");
        return QString();
    }
    return host;
}

void StopService(QProcess &service) {
    if (service.state() != QProcess::NotRunning) {
        service.terminate();
        service.waitForFinished(5000);
    }
}
