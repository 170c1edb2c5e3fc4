#pragma once

#include "lookupanswer.h"

#include <QString>
#include <QUrl>

#include <memory>

class HttpTransfer;
class PaintPacer;
class TransferThread;

// Asks the number-segment service about one number at a time. Every call
// waits until the whole answer is there; the transfer runs on a thread of its
// own while the caller's thread waits in a loop that takes no user input, so
// the windows repaint (at a human pace) but nothing else can start in the
// middle. No cookies, no cache: each answer stands on its own.
class LookupClient {
public:
    static constexpr int kDefaultTimeoutMs = 60'000;
    static constexpr qint64 kMaxAnswerBytes = 1 << 20;

    explicit LookupClient(QString serviceHost = DefaultServiceHost(),
                          int timeoutMs = kDefaultTimeoutMs);
    ~LookupClient();
    LookupClient(const LookupClient &) = delete;
    LookupClient &operator=(const LookupClient &) = delete;

    // The host (or host:port) compiled in as SERVICE_HOST.
    static QString DefaultServiceHost();

    LookupAnswer QueryLocation(const QString &number);

    // Ends a transfer still open and closes the connection, so that the next
    // request goes out on a new one.
    void CancelTransfer();

private:
    // "http://" + host + "/cc/json/mobile_tel_segment.htm?tel=" + the number,
    // percent-encoded so that the service reads exactly the text it was given
    // (a blank, "+" or "&" would otherwise break or change the query).
    QUrl RequestAddress(const QString &number) const;

    QString m_serviceHost;
    int m_timeoutMs;
    std::unique_ptr<HttpTransfer> m_inet; // none when the host is not usable
    std::unique_ptr<TransferThread> m_worker;
    std::unique_ptr<PaintPacer> m_pacer;
};
