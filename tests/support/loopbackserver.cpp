#include "loopbackserver.h"

#include "answerformat.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace {
const char *ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}
} // namespace

LoopbackServer::LoopbackServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this)) {
    m_handler = [](const Request &) {
        Reply r;
        r.status = 404;
        r.contentType = "text/plain";
        return r;
    };
    connect(m_server, &QTcpServer::newConnection, this, &LoopbackServer::OnNewConnection);
}

LoopbackServer::~LoopbackServer() {
    Stop();
}

bool LoopbackServer::Start(quint16 port) {
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 LoopbackServer::Port() const {
    return m_server->serverPort();
}

QString LoopbackServer::HostAndPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(Port());
}

void LoopbackServer::Enqueue(const Reply &reply) {
    m_queue.push_back(reply);
}

void LoopbackServer::SetHandler(Handler handler) {
    m_handler = std::move(handler);
}

void LoopbackServer::Stop() {
    m_server->close();
    const auto sockets = findChildren<QTcpSocket *>();
    for (QTcpSocket *s : sockets) {
        s->abort();
        s->deleteLater();
    }
}

void LoopbackServer::OnNewConnection() {
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LoopbackServer::OnReadyRead(QTcpSocket *socket) {
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    // Requests without a body (GET) end at the blank line after the headers.
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            break;
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + 4);

        Request req;
        const qsizetype lineEnd = head.indexOf("\r\n");
        const QByteArray requestLine = lineEnd < 0 ? head : head.left(lineEnd);
        req.headers = lineEnd < 0 ? QByteArray() : head.mid(lineEnd + 2);
        const QList<QByteArray> parts = requestLine.split(' ');
        req.method = parts.value(0);
        req.target = parts.value(1);
        const qsizetype q = req.target.indexOf('?');
        req.path = QUrl::fromPercentEncoding(q < 0 ? req.target : req.target.left(q));
        req.rawQuery = q < 0 ? QByteArray() : req.target.mid(q + 1);
        const QUrlQuery query(QString::fromLatin1(req.rawQuery));
        req.tel = query.queryItemValue(QStringLiteral("tel"), QUrl::FullyDecoded);
        m_requests.append(req);

        Reply reply;
        if (!m_queue.empty()) {
            reply = m_queue.front();
            m_queue.pop_front();
        } else {
            reply = m_handler(req);
        }
        if (reply.delayMs > 0) {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(reply.delayMs, this, [this, guard, reply] {
                if (guard)
                    Answer(guard, reply);
            });
        } else {
            Answer(socket, reply);
        }
    }
    socket->setProperty("buffer", buffer);
}

void LoopbackServer::Answer(QTcpSocket *socket, const Reply &reply) {
    if (reply.dropConnection) {
        socket->abort();
        return;
    }
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + ReasonPhrase(reply.status) + "\r\n";
    if (!reply.contentType.isEmpty())
        out += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.closeDelimited)
        out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += reply.extraHeaders;
    out += reply.closeDelimited ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
    if (reply.stallAfterHeaders) {
        out += reply.body.left(reply.body.size() / 2);
        socket->write(out);
        return;
    }
    if (reply.trickleMs > 0) {
        socket->write(out);
        Trickle(socket, reply.body, reply.trickleMs);
        return;
    }
    out += reply.body;
    socket->write(out);
    if (reply.closeDelimited)
        socket->disconnectFromHost();
}

void LoopbackServer::Trickle(QTcpSocket *socket, const QByteArray &rest, int intervalMs) {
    if (rest.isEmpty())
        return;
    socket->write(rest.left(1));
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(intervalMs, this, [this, guard, rest, intervalMs] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState)
            Trickle(guard, rest.mid(1), intervalMs);
    });
}

QByteArray ZoneAnswer(const QString &tel, const QString &province, const QString &catName) {
    const std::string provinceText = province.toStdString();
    return QByteArray::fromStdString(
        KnownNumberAnswer(tel.toStdString(), provinceText, provinceText, catName.toStdString()));
}

QByteArray UnknownZoneAnswer() {
    return QByteArray::fromStdString(UnknownNumberAnswer("unknown"));
}
