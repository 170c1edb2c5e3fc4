#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <functional>

class LoopbackWorker;

// An HTTP/1.1 server on 127.0.0.1 with scripted replies, on a thread of its own (where the
// handler runs); every request is recorded. Pipelined requests are answered in order: an
// answer held back holds back those behind it on its connection.
class LoopbackServer {
public:
    struct Request {
        QString path;         // decoded path
        QByteArray rawQuery;  // the query as sent, without "?"
        QString tel;          // decoded value of the "tel" query item
        QByteArray headers;   // the header block as sent
        int onConnection = 0; // 1 for the first request on its connection
    };

    struct Reply {
        QByteArray body;
        QByteArray contentType = "text/javascript";
        int status = 200;
        bool dropConnection = false;    // close without any answer
        bool stallAfterHeaders = false; // send headers and part of the body, then nothing
        bool closeDelimited = false;    // no Content-Length: the body ends when the server closes
        int trickleMs = 0;              // the body a byte at a time, this many ms apart
        bool closeAfterAnswer = false;  // says nothing of closing, then closes whatever was asked
        bool announceClose = false;     // says "Connection: close", and closes after the answer
        bool http10 = false;            // an HTTP/1.0 answer without keep-alive: closes after it
        bool held = false;              // kept back as while holding (HoldAnswers)
        QByteArray extraHeaders;        // whole header lines, each ending in "\r\n"
        bool chunked = false;           // Transfer-Encoding: chunked, the body in 64 KiB chunks
        // Filler after the body, counted in its length; kEndless never stops (to the close,
        // unless chunked).
        qint64 fillerBytes = 0;
        bool notHttp = false; // the body alone, with no status line or headers, then the close
    };
    static constexpr qint64 kEndless = -1;

    using Handler = std::function<Reply(const Request &)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    bool Start();
    QString HostAndPort() const {
        const QMutexLocker lock(&m_mutex);
        return QStringLiteral("127.0.0.1:%1").arg(m_port);
    }

    // Chooses each request's reply (by default: 404 with an empty body).
    void SetHandler(Handler handler) {
        const QMutexLocker lock(&m_mutex);
        m_handler = std::move(handler);
    }

    // While holding, requests are recorded but not answered; holding off sends them all.
    void HoldAnswers(bool hold);
    void ReleaseHeld(const QString &tel);

    QList<Request> Requests() const {
        const QMutexLocker lock(&m_mutex);
        return m_requests;
    }
    int RequestCount() const { return static_cast<int>(Requests().size()); }
    int ConnectionCount() const {
        const QMutexLocker lock(&m_mutex);
        return m_connections;
    }
    // Requests not yet answered, held ones included.
    int WaitingCount() const {
        const QMutexLocker lock(&m_mutex);
        return m_waiting;
    }

    // Closes the listening socket and every open connection.
    void Stop();

private:
    friend class LoopbackWorker;
    Reply Record(const Request &request, bool *held);

    mutable QMutex m_mutex;
    Handler m_handler;
    QList<Request> m_requests;
    int m_connections = 0;
    int m_waiting = 0;
    bool m_holding = false;
    quint16 m_port = 0;

    QThread m_thread;
    LoopbackWorker *m_worker;
};

// A well-formed answer in the service's shape (answerformat.h), the city being the province.
QByteArray ZoneAnswer(const QString &tel, const QString &province, const QString &catName);
// The service's answer for a number it does not know.
QByteArray UnknownZoneAnswer();
