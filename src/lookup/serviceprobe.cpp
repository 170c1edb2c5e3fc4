#include "serviceprobe.h"

#include "clientsocket.h"
#include "httptransfer.h"

#include <QStringList>

namespace {
// Our service's name in the Server header.
constexpr QByteArrayView kOurServer = "tarvio-segment-service";
constexpr std::chrono::milliseconds kConnectTimeout{1000};
} // namespace

bool IsLoopbackHost(const QString &host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    // 127.0.0.0/8 and ::1, written as numbers.
    const QStringList parts = host.split(QLatin1Char('.'));
    bool allNumbers = parts.size() == 4;
    for (const QString &part : parts) {
        bool isNumber = false;
        const int value = part.toInt(&isNumber);
        allNumbers = allNumbers && isNumber && value >= 0 && value <= 255;
    }
    return (allNumbers && parts.first() == QLatin1String("127")) || host == QLatin1String("::1");
}

bool SomethingListens(const QString &host, quint16 port) {
    for (const ClientSocket::Address &address : ClientSocket::Resolve(host, port)) {
        ClientSocket socket;
        const ClientSocket::Step step = socket.Connect(address);
        if (step == ClientSocket::Step::Done)
            return true;
        if (step == ClientSocket::Step::Waiting &&
            socket.WaitWritable(kConnectTimeout) == ClientSocket::Step::Done && socket.Connected())
            return true;
    }
    return false;
}

bool OursAnswers(const QString &host, quint16 port, std::chrono::milliseconds timeout,
                 const WaitHook &hook) {
    HttpTransfer transfer(host, port, timeout, 64 * 1024);
    const HttpTransfer::Answer answer =
        transfer.Get(QByteArrayLiteral("/cc/json/mobile_tel_segment.htm?tel=13800138000"), hook);
    return answer.kind == HttpTransfer::Answer::Kind::Complete &&
           answer.server.startsWith(kOurServer);
}
