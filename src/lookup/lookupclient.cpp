#include "lookup/lookupclient.h"

#include "lookup/answerevaluator.h"
#include "lookup/answertext.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>

namespace {
const QString Marker = QStringLiteral("telString");

LookupAnswer Outcome(LookupAnswer::Outcome outcome) {
    LookupAnswer answer;
    answer.outcome = outcome;
    return answer;
}

// Whether the reply carried an HTTP answer whose body we should read: any
// status counts, but a transfer cut short or never made does not.
bool AnswerArrived(const QNetworkReply &reply) {
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return true;
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    const int code = static_cast<int>(error);
    const bool contentError =
        code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError;
    const bool serverError =
        code >= QNetworkReply::InternalServerError && code <= QNetworkReply::UnknownServerError;
    return contentError || serverError;
}

LookupAnswer Evaluate(const QString &text) {
    // The marker test is a plain, case-sensitive substring search; nothing
    // is evaluated unless it passes.
    if (!text.contains(Marker))
        return Outcome(LookupAnswer::Outcome::Refused);

    static const QStringList names{QStringLiteral("province"), QStringLiteral("catName")};
    const auto properties = EvaluateAnswerProperties(text, names);
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
    , m_inet(new QNetworkAccessManager) {}

LookupClient::~LookupClient() {
    CancelTransfer();
    delete m_inet;
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
    if (!url.isValid())
        return Outcome(LookupAnswer::Outcome::TransferFailed);

    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    // One lookup must not see anything of the one before: no cookies kept.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);

    QNetworkReply *reply = m_inet->get(request);
    m_reply = reply;

    QByteArray body;
    bool tooLarge = false;
    const auto take = [&] {
        if (tooLarge || !reply->isOpen())
            return;
        body += reply->readAll();
        if (body.size() > MaxAnswerBytes) {
            tooLarge = true;
            body.clear();
            reply->abort();
        }
    };
    const auto checkLength = [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > MaxAnswerBytes) {
            tooLarge = true;
            reply->abort();
        }
    };

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, checkLength);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    take();

    const bool arrived = !tooLarge && AnswerArrived(*reply);
    const QByteArray contentType = reply->rawHeader("Content-Type");
    m_reply = nullptr;
    reply->disconnect(&loop);
    reply->deleteLater();

    if (tooLarge)
        return Outcome(LookupAnswer::Outcome::Refused);
    if (!arrived)
        return Outcome(LookupAnswer::Outcome::TransferFailed);
    return Evaluate(DecodeAnswerBody(body, contentType));
}

void LookupClient::CancelTransfer() {
    if (m_reply && m_reply->isRunning())
        m_reply->abort();
    m_inet->clearConnectionCache();
}
