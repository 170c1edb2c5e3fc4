#include "lookupclient.h"

#include "answerevaluator.h"
#include "answertext.h"

#include "httptransfer.h"
#include "paintpacer.h"
#include "transferthread.h"

#include <QStringList>

namespace {
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

    static const QStringList kNames{QStringLiteral("province"), QStringLiteral("catName")};
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
    return answer;
}
} // namespace

LookupClient::LookupClient(QString serviceHost, int timeoutMs)
    : m_serviceHost(std::move(serviceHost))
    , m_timeoutMs(timeoutMs)
    , m_worker(std::make_unique<TransferThread>())
    , m_pacer(std::make_unique<PaintPacer>()) {
    const QUrl service = RequestAddress(QString());
    if (service.isValid() && !service.host().isEmpty() && service.userInfo().isEmpty())
        m_inet = std::make_unique<HttpTransfer>(service.host(), service.port(80), m_timeoutMs,
                                                kMaxAnswerBytes);
}

LookupClient::~LookupClient() {
    // The worker is idle between lookups; it is ended before the transfer
    // it would use.
    m_worker.reset();
    CancelTransfer();
}

QString LookupClient::DefaultServiceHost() {
    return QStringLiteral(TARVIO_SERVICE_HOST);
}

QUrl LookupClient::RequestAddress(const QString &number) const {
    const QByteArray address = QByteArrayLiteral("http://") + m_serviceHost.toUtf8() +
                               QByteArrayLiteral("/cc/json/mobile_tel_segment.htm?tel=") +
                               QUrl::toPercentEncoding(number);
    return QUrl::fromEncoded(address, QUrl::StrictMode);
}

LookupAnswer LookupClient::QueryLocation(const QString &number) {
    const QUrl url = RequestAddress(number);
    if (!m_inet || !url.isValid())
        return Outcome(LookupAnswer::Outcome::TransferFailed);
    const QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);

    HttpTransfer::Answer reply;
    {
        const PaintPacer::Scope paced(*m_pacer);
        // The time-out covers the whole transfer: when it has passed, the
        // transfer is stopped wherever it stands.
        m_worker->Run([&] { reply = m_inet->Get(target); }, m_timeoutMs,
                      [this] { m_inet->Stop(); });
    }

    switch (reply.kind) {
    case HttpTransfer::Answer::Kind::TooLarge:
        return Outcome(LookupAnswer::Outcome::Refused);
    case HttpTransfer::Answer::Kind::Failed:
        return Outcome(LookupAnswer::Outcome::TransferFailed);
    case HttpTransfer::Answer::Kind::Complete:
        break;
    }
    // Any status counts: an error page is an answer like another, and is
    // judged by its content.
    return Evaluate(DecodeAnswerBody(reply.body, reply.contentType));
}

void LookupClient::CancelTransfer() {
    if (m_inet)
        m_inet->Stop();
}
