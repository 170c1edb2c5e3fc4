#include "loopbackserver.h"

#include "answerformat.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

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

LoopbackServer::Request ParseHead(const QByteArray &head) {
    LoopbackServer::Request request;
    const qsizetype lineEnd = head.indexOf("\r\n");
    const QByteArray requestLine = lineEnd < 0 ? head : head.left(lineEnd);
    request.headers = lineEnd < 0 ? QByteArray() : head.mid(lineEnd + 2);
    const QList<QByteArray> parts = requestLine.split(' ');
    request.method = parts.value(0);
    request.target = parts.value(1);
    const qsizetype q = request.target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(q < 0 ? request.target : request.target.left(q));
    request.rawQuery = q < 0 ? QByteArray() : request.target.mid(q + 1);
    const QUrlQuery query(QString::fromLatin1(request.rawQuery));
    request.tel = query.queryItemValue(QStringLiteral("tel"), QUrl::FullyDecoded);
    return request;
}
} // namespace

// The server's side, living on its thread.
class LoopbackWorker : public QObject {
public:
    explicit LoopbackWorker(LoopbackServer &owner)
        : m_owner(owner) {}

    bool Listen(quint16 port) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &LoopbackWorker::OnNewConnection);
        return m_server->listen(QHostAddress::LocalHost, port);
    }
    quint16 Port() const { return m_server ? m_server->serverPort() : 0; }

    void SendHeld() {
        const auto held = std::exchange(m_held, {});
        for (const auto &[socket, reply] : held) {
            if (socket)
                Answer(socket, reply);
        }
    }

    void Stop() {
        if (m_server)
            m_server->close();
        m_held.clear();
        const auto sockets = findChildren<QTcpSocket *>();
        for (QTcpSocket *socket : sockets) {
            socket->abort();
            socket->deleteLater();
        }
    }

private:
    void OnNewConnection() {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            {
                const QMutexLocker lock(&m_owner.m_mutex);
                ++m_owner.m_connections;
            }
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void OnReadyRead(QTcpSocket *socket) {
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        // Requests without a body (GET) end at the blank line after the headers.
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                break;
            const LoopbackServer::Request request = ParseHead(buffer.left(end));
            buffer.remove(0, end + 4);
            bool held = false;
            const LoopbackServer::Reply reply = m_owner.Record(request, &held);
            if (held || reply.held) {
                m_held.push_back({socket, reply});
            } else if (reply.delayMs > 0) {
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

    void Answer(QTcpSocket *socket, const LoopbackServer::Reply &reply) {
        if (reply.dropConnection) {
            socket->abort();
            return;
        }
        if (reply.notHttp) {
            socket->write(reply.body);
            socket->disconnectFromHost();
            return;
        }
        const bool endless = reply.fillerBytes == LoopbackServer::kEndless;
        const bool toTheClose = reply.closeDelimited || (endless && !reply.chunked);
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                         ReasonPhrase(reply.status) + "\r\n";
        if (!reply.contentType.isEmpty())
            out += "Content-Type: " + reply.contentType + "\r\n";
        if (reply.chunked)
            out += "Transfer-Encoding: chunked\r\n";
        else if (!toTheClose)
            out += "Content-Length: " + QByteArray::number(reply.body.size() + reply.fillerBytes) +
                   "\r\n";
        out += reply.extraHeaders;
        out += toTheClose ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
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
        out += reply.chunked ? Chunked(reply.body) : reply.body;
        socket->write(out);
        SendFiller(socket, reply.fillerBytes, reply.chunked, toTheClose);
    }

    static QByteArray Chunked(const QByteArray &body) {
        constexpr qsizetype kChunk = 64 * 1024;
        QByteArray out;
        for (qsizetype at = 0; at < body.size(); at += kChunk) {
            const QByteArray piece = body.mid(at, kChunk);
            out += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        }
        return out;
    }

    // Sends `left` bytes of filler (kEndless: with no end) as fast as the
    // client takes them, with never more than a few pieces waiting in the
    // socket, then ends the body.
    static void SendFiller(QTcpSocket *socket, qint64 left, bool chunked, bool closeAtEnd) {
        struct Filler {
            qint64 left;
            bool ended = false;
        };
        const auto filler = std::make_shared<Filler>(Filler{left});
        const auto more = [socket, filler, chunked, closeAtEnd] {
            static const QByteArray kPiece(64 * 1024, 'x');
            while (filler->left != 0 && socket->bytesToWrite() < 4 * kPiece.size()) {
                const qint64 size = filler->left < 0
                                        ? kPiece.size()
                                        : std::min<qint64>(filler->left, kPiece.size());
                const QByteArray piece = kPiece.left(size);
                socket->write(chunked ? Chunked(piece) : piece);
                if (filler->left > 0)
                    filler->left -= size;
            }
            if (filler->left == 0 && !filler->ended) {
                filler->ended = true;
                if (chunked)
                    socket->write("0\r\n\r\n");
                if (closeAtEnd)
                    socket->disconnectFromHost();
            }
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

    void Trickle(QTcpSocket *socket, const QByteArray &rest, int intervalMs) {
        if (rest.isEmpty())
            return;
        socket->write(rest.left(1));
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(intervalMs, this, [this, guard, rest, intervalMs] {
            if (guard && guard->state() == QAbstractSocket::ConnectedState)
                Trickle(guard, rest.mid(1), intervalMs);
        });
    }

    LoopbackServer &m_owner;
    QTcpServer *m_server = nullptr;
    QList<std::pair<QPointer<QTcpSocket>, LoopbackServer::Reply>> m_held;
};

LoopbackServer::LoopbackServer()
    : m_worker(new LoopbackWorker(*this)) {
    m_handler = [](const Request &) {
        Reply r;
        r.status = 404;
        r.contentType = "text/plain";
        return r;
    };
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("LoopbackServer"));
    m_thread.start();
}

LoopbackServer::~LoopbackServer() {
    Stop();
    m_thread.quit();
    m_thread.wait();
}

bool LoopbackServer::Start(quint16 port) {
    bool listening = false;
    QMetaObject::invokeMethod(
        m_worker, [&] { listening = m_worker->Listen(port); }, Qt::BlockingQueuedConnection);
    if (listening) {
        quint16 bound = 0;
        QMetaObject::invokeMethod(
            m_worker, [&] { bound = m_worker->Port(); }, Qt::BlockingQueuedConnection);
        const QMutexLocker lock(&m_mutex);
        m_port = bound;
    }
    return listening;
}

quint16 LoopbackServer::Port() const {
    const QMutexLocker lock(&m_mutex);
    return m_port;
}

QString LoopbackServer::HostAndPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(Port());
}

void LoopbackServer::Enqueue(const Reply &reply) {
    const QMutexLocker lock(&m_mutex);
    m_queue.push_back(reply);
}

void LoopbackServer::SetHandler(Handler handler) {
    const QMutexLocker lock(&m_mutex);
    m_handler = std::move(handler);
}

void LoopbackServer::HoldAnswers(bool hold) {
    {
        const QMutexLocker lock(&m_mutex);
        m_holding = hold;
    }
    if (!hold)
        QMetaObject::invokeMethod(m_worker, [this] { m_worker->SendHeld(); });
}

QList<LoopbackServer::Request> LoopbackServer::Requests() const {
    const QMutexLocker lock(&m_mutex);
    return m_requests;
}

int LoopbackServer::RequestCount() const {
    const QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_requests.size());
}

int LoopbackServer::ConnectionCount() const {
    const QMutexLocker lock(&m_mutex);
    return m_connections;
}

void LoopbackServer::Stop() {
    if (m_thread.isRunning())
        QMetaObject::invokeMethod(
            m_worker, [this] { m_worker->Stop(); }, Qt::BlockingQueuedConnection);
}

LoopbackServer::Reply LoopbackServer::Record(const Request &request, bool *held) {
    Handler handler;
    {
        const QMutexLocker lock(&m_mutex);
        m_requests.append(request);
        *held = m_holding;
        if (!m_queue.empty()) {
            Reply reply = m_queue.front();
            m_queue.pop_front();
            return reply;
        }
        handler = m_handler;
    }
    return handler(request);
}

QByteArray ZoneAnswer(const QString &tel, const QString &province, const QString &catName) {
    const std::string provinceText = province.toStdString();
    return QByteArray::fromStdString(
        KnownNumberAnswer(tel.toStdString(), provinceText, provinceText, catName.toStdString()));
}

QByteArray UnknownZoneAnswer() {
    return QByteArray::fromStdString(UnknownNumberAnswer("unknown"));
}
