#include "lookupclient.h"

#include "bundledservice.h"
#include "commandwaiter.h"
#include "lookupbatch.h"
#include "transferengine.h"

#include <QUrl>

namespace {
LookupAnswer Outcome(LookupAnswer::Outcome outcome) {
    LookupAnswer answer;
    answer.outcome = outcome;
    return answer;
}
} // namespace

LookupClient::LookupClient(QString serviceHost, int timeoutMs)
    : m_serviceHost(std::move(serviceHost))
    , m_reach(m_serviceHost == BundledService::BuiltInHost() ? kOwnServiceReach
                                                             : kOtherServiceReach) {
    TransferEngine::Settings settings;
    settings.timeout = std::chrono::milliseconds(timeoutMs);
    settings.maxBodyBytes = kMaxAnswerBytes;
    settings.connections = m_reach.connections;
    settings.requestsPerConnection = m_reach.requestsPerConnection;
    // The host is checked once, as the start of the request address; what
    // follows it is the same path for every lookup. A host that is not
    // usable leaves the settings' host empty: every lookup then fails.
    const QUrl service = QUrl::fromEncoded("http://" + m_serviceHost.toUtf8() +
                                               "/cc/json/mobile_tel_segment.htm?tel=",
                                           QUrl::StrictMode);
    if (service.isValid() && !service.host().isEmpty() && service.userInfo().isEmpty()) {
        const int port = service.port(80);
        if (port > 0 && port <= 65535) {
            settings.host = service.host();
            settings.port = static_cast<quint16>(port);
        }
    }
    m_transfers = std::make_unique<TransferEngine>(settings);
}

LookupClient::~LookupClient() = default;

QString LookupClient::DefaultServiceHost() {
    return QStringLiteral(TARVIO_SERVICE_HOST);
}

void LookupClient::SetServiceIsOurs(bool ours) {
    m_reach = ours || m_serviceHost == BundledService::BuiltInHost() ? kOwnServiceReach
                                                                     : kOtherServiceReach;
    m_transfers->SetReach(m_reach.connections, m_reach.requestsPerConnection);
}

void LookupClient::SetServiceReadiness(ReadinessWait waitUntilReady) {
    m_readiness = std::move(waitUntilReady);
}

LookupClient::Service LookupClient::AwaitService(CommandWaiter &waiter) {
    if (!m_readiness)
        return Service::Ready;
    if (m_readiness(waiter)) {
        m_readiness = nullptr;
        return Service::Ready;
    }
    return waiter.StopAsked() ? Service::Stopped : Service::Missing;
}

LookupAnswer LookupClient::QueryLocation(const QString &number, CommandWaiter &waiter) {
    LookupBatch lookup(*this, waiter);
    if (waiter.StopAsked())
        return Outcome(LookupAnswer::Outcome::Stopped);
    lookup.Ask({{number, {}}});
    for (;;) {
        const QList<LookupBatch::Answered> answers = lookup.Take();
        if (!answers.isEmpty())
            return answers.first().answer;
        if (lookup.Ended())
            return Outcome(LookupAnswer::Outcome::TransferFailed);
        if (waiter.StopAsked() || !waiter.Wait())
            return Outcome(LookupAnswer::Outcome::Stopped);
    }
}

LookupAnswer LookupClient::QueryLocation(const QString &number) {
    EventLoopWaiter waiter;
    return QueryLocation(number, waiter);
}

void LookupClient::CancelTransfer() {
    m_transfers->CloseConnections();
}
