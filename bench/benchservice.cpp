#include "benchservice.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

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
