#pragma once

#include "lookup/lookupanswer.h"

#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Asks the number-segment service about one number at a time. Every call
// waits until the whole answer is there; while it waits the windows repaint
// but take no input, so nothing else can start in the middle.
class LookupClient {
public:
    static constexpr int DefaultTimeoutMs = 60'000;
    static constexpr qint64 MaxAnswerBytes = 1 << 20;

    explicit LookupClient(QString serviceHost = DefaultServiceHost(),
                          int timeoutMs = DefaultTimeoutMs);
    ~LookupClient();
    LookupClient(const LookupClient &) = delete;
    LookupClient &operator=(const LookupClient &) = delete;

    // The host (or host:port) compiled in as SERVICE_HOST.
    static QString DefaultServiceHost();

    QString serviceHost() const { return m_serviceHost; }

    // "http://" + host + "/cc/json/mobile_tel_segment.htm?tel=" + the number,
    // percent-encoded so that the service reads exactly the text it was given
    // (a blank, "+" or "&" would otherwise break or change the query).
    QUrl RequestAddress(const QString &number) const;

    LookupAnswer QueryLocation(const QString &number);

    // Ends a transfer still open and drops the kept-alive connections.
    void CancelTransfer();

private:
    QString m_serviceHost;
    int m_timeoutMs;
    QNetworkAccessManager *m_inet;
    QPointer<QNetworkReply> m_reply;
};
