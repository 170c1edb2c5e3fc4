#include "lookupclient.h"

#include "answerevaluator.h"
#include "answertext.h"

#include "httptransfer.h"

#include <QStringList>
#include <QUrl>

namespace {
const QByteArray kTargetStart = QByteArrayLiteral("/cc/json/mobile_tel_segment.htm?tel=");
const QString kMarker = QStringLiteral("telString");

LookupAnswer Outcome(LookupAnswer::Outcome outcome) {
    LookupAnswer answer;
    answer.outcome = outcome;
    return answer;
}

LookupAnswer Evaluate(const QString &text) {
    // The marker test is a plain, case-sensitive substring search; nothing
    // is evaluated unless it passes.
    if (!text.contains(kMarker))
        return Outcome(LookupAnswer::Outcome::Refused);

    static const QStringList kNames{QStringLiteral("province"), QStringLiteral("catName"),
                                    QStringLiteral("city")};
    const auto properties = EvaluateAnswerProperties(text, kNames);
    if (!properties || !(*properties)[0].present || !(*properties)[1].present)
        return Outcome(LookupAnswer::Outcome::Refused);

    const QString &catName = (*properties)[1].text;
    // The carrier is the name without its first two characters ("中国移动"
    // gives "移动"); a shorter name cannot be such a carrier name.
    if (catName.size() < 2)
        return Outcome(LookupAnswer::Outcome::Refused);

    LookupAnswer answer = Outcome(LookupAnswer::Outcome::Accepted);
    answer.province = (*properties)[0].text;
    answer.carrier = catName.mid(2);
    answer.catName = catName;
    // The city is no condition of an answer: a service may not know it.
    answer.city = (*properties)[2].text;
    return answer;
}
} // namespace

LookupClient::LookupClient(QString serviceHost, int timeoutMs)
    : m_serviceHost(std::move(serviceHost)) {
    // The host is checked once, as the start of the request address; what
    // follows it is the same path for every lookup.
    const QUrl service =
        QUrl::fromEncoded("http://" + m_serviceHost.toUtf8() + kTargetStart, QUrl::StrictMode);
    if (service.isValid() && !service.host().isEmpty() && service.userInfo().isEmpty()) {
        const int port = service.port(80);
        if (port > 0 && port <= 65535)
            Inet1 = std::make_unique<HttpTransfer>(service.host(), static_cast<quint16>(port),
                                                   std::chrono::milliseconds(timeoutMs),
                                                   kMaxAnswerBytes);
    }
}

LookupClient::~LookupClient() = default;

void LookupClient::SetWaitHook(WaitHook hook) {
    m_waitHook = std::move(hook);
}

void LookupClient::SetServiceReadiness(ReadinessWait waitUntilReady) {
    m_readiness = std::move(waitUntilReady);
}

QString LookupClient::DefaultServiceHost() {
    return QStringLiteral(TARVIO_SERVICE_HOST);
}

LookupAnswer LookupClient::QueryLocation(const QString &number) {
    if (!Inet1)
        return Outcome(LookupAnswer::Outcome::TransferFailed);
    if (m_readiness) {
        if (!m_readiness(m_waitHook))
            return Outcome(m_waitHook && !m_waitHook() ? LookupAnswer::Outcome::Stopped
                                                       : LookupAnswer::Outcome::TransferFailed);
        m_readiness = nullptr;
    }
    // "/cc/json/mobile_tel_segment.htm?tel=" + the number, percent-encoded
    // so that the service reads exactly the text it was given (a blank, "+"
    // or "&" would otherwise break or change the query).
    const QByteArray target = kTargetStart + QUrl::toPercentEncoding(number);
    const HttpTransfer::Answer reply = Inet1->Get(target, m_waitHook);

    switch (reply.kind) {
    case HttpTransfer::Answer::Kind::Failed:
        return Outcome(LookupAnswer::Outcome::TransferFailed);
    case HttpTransfer::Answer::Kind::Stopped:
        return Outcome(LookupAnswer::Outcome::Stopped);
    case HttpTransfer::Answer::Kind::Complete:
        break;
    }
    // Any status counts: an error page is an answer like another, and is
    // judged by its content.
    return Evaluate(DecodeAnswerBody(reply.body, reply.contentType));
}

void LookupClient::CancelTransfer() {
    if (Inet1)
        Inet1->Close();
}
