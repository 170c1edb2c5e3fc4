#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the tests. It runs on the thread
// that creates it, so the program's own waiting loop serves it too. Replies
// are scripted; every request is recorded.
class LoopbackServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray method;
        QByteArray target;   // as sent, e.g. "/cc/json/mobile_tel_segment.htm?tel=138"
        QString path;        // decoded path
        QByteArray rawQuery; // the query as sent, without "?"
        QString tel;         // decoded value of the "tel" query item
        QByteArray headers;  // the header block as sent
    };

    struct Reply {
        QByteArray body;
        QByteArray contentType = "text/javascript";
        int status = 200;
        int delayMs = 0;                // wait before answering
        bool dropConnection = false;    // close without any answer
        bool stallAfterHeaders = false; // send headers and part of the body, then nothing
        bool closeDelimited = false;    // no Content-Length: the body ends when the server closes
        int trickleMs = 0;              // the body a byte at a time, this many ms apart
        QByteArray extraHeaders;        // whole header lines, each ending in "\r\n"
    };

    using Handler = std::function<Reply(const Request &)>;

    explicit LoopbackServer(QObject *parent = nullptr);
    ~LoopbackServer() override;

    bool Start(quint16 port = 0);
    quint16 Port() const;
    QString HostAndPort() const; // "127.0.0.1:<port>"

    // Replies queued here are used first, one per request; after that the
    // handler answers (by default: 404 with an empty body).
    void Enqueue(const Reply &reply);
    void SetHandler(Handler handler);

    QList<Request> Requests() const { return m_requests; }
    int RequestCount() const { return m_requests.size(); }
    int ConnectionCount() const { return m_connections; }

    // Closes the listening socket and every open connection.
    void Stop();

private:
    void OnNewConnection();
    void OnReadyRead(QTcpSocket *socket);
    void Answer(QTcpSocket *socket, const Reply &reply);
    void Trickle(QTcpSocket *socket, const QByteArray &rest, int intervalMs);

    QTcpServer *m_server;
    std::deque<Reply> m_queue;
    Handler m_handler;
    QList<Request> m_requests;
    int m_connections = 0;
};

// A well-formed answer in the service's shape (answerformat.h), the city
// being the province.
QByteArray ZoneAnswer(const QString &tel, const QString &province, const QString &catName);
// The service's answer for a number it does not know.
QByteArray UnknownZoneAnswer();
