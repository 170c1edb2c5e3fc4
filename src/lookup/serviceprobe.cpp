#include "serviceprobe.h"

#include "clientsocket.h"
#include "commandwaiter.h"
#include "lookupclient.h"

#include <QStringList>

namespace {
constexpr std::chrono::milliseconds kConnectTimeout{1000};
// China Mobile's first block in Beijing, given out in the 1990s: a service
// that does not know it does not know numbers.
const QString kKnownNumber = QStringLiteral("13800138000");
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

bool AnswersLookups(const QString &host, std::chrono::milliseconds timeout, CommandWaiter &waiter) {
    // Asked exactly as a lookup asks, and judged as a lookup judges.
    LookupClient client(host, static_cast<int>(timeout.count()));
    return client.QueryLocation(kKnownNumber, waiter).accepted();
}

bool AnswersLookups(const QString &host, std::chrono::milliseconds timeout) {
    EventLoopWaiter waiter;
    return AnswersLookups(host, timeout, waiter);
}
