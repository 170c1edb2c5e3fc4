#include "loopbackserver.h"

#include "answerformat.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace {
LoopbackServer::Request ParseHead(const QByteArray &head) {
    LoopbackServer::Request request;
    const qsizetype lineEnd = head.indexOf("\r\n");
    const QByteArray requestLine = lineEnd < 0 ? head : head.left(lineEnd);
    request.headers = lineEnd < 0 ? QByteArray() : head.mid(lineEnd + 2);
    const QByteArray target = requestLine.split(' ').value(1);
    const qsizetype q = target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(q < 0 ? target : target.left(q));
    request.rawQuery = q < 0 ? QByteArray() : target.mid(q + 1);
    const QUrlQuery query(QString::fromLatin1(request.rawQuery));
    request.tel = query.queryItemValue(QStringLiteral("tel"), QUrl::FullyDecoded);
    return request;
}
} // namespace

class LoopbackWorker : public QObject {
public:
    explicit LoopbackWorker(LoopbackServer &owner)
        : m_owner(owner) {}

    quint16 Listen() {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &LoopbackWorker::OnNewConnection);
        return m_server->listen(QHostAddress::LocalHost) ? m_server->serverPort() : 0;
    }

    void SendHeld(const std::function<bool(const LoopbackServer::Request &)> &which) {
        for (auto &[socket, peer] : m_peers) {
            for (Pending &pending : peer.pending) {
                if (pending.held && which(pending.request))
                    pending.held = false;
            }
        }
        std::vector<QTcpSocket *> sockets;
        for (const auto &[socket, peer] : m_peers)
            sockets.push_back(socket);
        for (QTcpSocket *socket : sockets)
            Flush(socket);
    }

    void Stop() {
        if (m_server)
            m_server->close();
        for (auto &[socket, peer] : m_peers)
            Settle(static_cast<int>(peer.pending.size()));
        const auto sockets = findChildren<QTcpSocket *>();
        for (QTcpSocket *socket : sockets) {
            socket->abort();
            socket->deleteLater();
        }
        m_peers.clear();
    }

private:
    struct Pending {
        LoopbackServer::Request request;
        LoopbackServer::Reply reply;
        bool held = false;
    };
    struct Peer {
        int requests = 0;
        QByteArray buffer;
        std::deque<Pending> pending; // in the order asked
        bool done = false;           // answers nothing more
    };

    void OnNewConnection() {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            {
                const QMutexLocker lock(&m_owner.m_mutex);
                ++m_owner.m_connections;
            }
            m_peers.emplace(socket, Peer{});
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
            // Forgotten later: an abort while answering says it is gone at once.
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                QMetaObject::invokeMethod(
                    this,
                    [this, socket, guard = QPointer<QTcpSocket>(socket)] {
                        if (const auto found = m_peers.find(socket); found != m_peers.end()) {
                            Settle(static_cast<int>(found->second.pending.size()));
                            m_peers.erase(found);
                        }
                        if (guard)
                            guard->deleteLater();
                    },
                    Qt::QueuedConnection);
            });
        }
    }

    void Settle(int count) {
        const QMutexLocker lock(&m_owner.m_mutex);
        m_owner.m_waiting -= count;
    }

    void OnReadyRead(QTcpSocket *socket) {
        const auto found = m_peers.find(socket);
        if (found == m_peers.end())
            return;
        Peer &peer = found->second;
        peer.buffer += socket->readAll();
        for (;;) {
            const qsizetype end = peer.buffer.indexOf("\r\n\r\n");
            if (end < 0)
                break;
            LoopbackServer::Request request = ParseHead(peer.buffer.left(end));
            peer.buffer.remove(0, end + 4);
            request.onConnection = ++peer.requests;
            bool held = false;
            const LoopbackServer::Reply reply = m_owner.Record(request, &held);
            peer.pending.push_back({request, reply, held || reply.held});
        }
        Flush(socket);
    }

    void Flush(QTcpSocket *socket) {
        const auto found = m_peers.find(socket);
        if (found == m_peers.end())
            return;
        Peer &peer = found->second;
        while (!peer.done && !peer.pending.empty() && !peer.pending.front().held) {
            const LoopbackServer::Reply reply = peer.pending.front().reply;
            peer.pending.pop_front();
            Settle(1);
            peer.done = !Answer(socket, reply);
        }
    }

    // Sends the reply; false when the connection answers nothing after it.
    bool Answer(QTcpSocket *socket, const LoopbackServer::Reply &reply) {
        if (reply.dropConnection) {
            socket->abort();
            return false;
        }
        if (reply.notHttp) {
            socket->write(reply.body);
            socket->disconnectFromHost();
            return false;
        }
        const bool endless = reply.fillerBytes == LoopbackServer::kEndless;
        const bool toTheClose = reply.closeDelimited || (endless && !reply.chunked);
        const bool closes = toTheClose || reply.announceClose || reply.http10;
        QByteArray out = (reply.http10 ? "HTTP/1.0 " : "HTTP/1.1 ") +
                         QByteArray::number(reply.status) + " Status\r\n";
        if (!reply.contentType.isEmpty())
            out += "Content-Type: " + reply.contentType + "\r\n";
        if (reply.chunked)
            out += "Transfer-Encoding: chunked\r\n";
        else if (!toTheClose)
            out += "Content-Length: " + QByteArray::number(reply.body.size() + reply.fillerBytes) +
                   "\r\n";
        out += reply.extraHeaders;
        // An HTTP/1.0 answer without keep-alive says nothing of the close.
        if (closes && !reply.http10)
            out += "Connection: close\r\n";
        else if (!closes && !reply.closeAfterAnswer)
            out += "Connection: keep-alive\r\n";
        out += "\r\n";
        if (reply.stallAfterHeaders) {
            out += reply.body.left(reply.body.size() / 2);
            socket->write(out);
            return false;
        }
        if (reply.trickleMs > 0) {
            socket->write(out);
            Trickle(socket, reply.body, reply.trickleMs);
            return false;
        }
        out += reply.chunked ? Chunked(reply.body) : reply.body;
        if (reply.chunked && reply.fillerBytes == 0)
            out += "0\r\n\r\n";
        socket->write(out);
        if (reply.fillerBytes != 0) {
            SendFiller(socket, reply.fillerBytes, reply.chunked, toTheClose);
            return false;
        }
        if (closes || reply.closeAfterAnswer) {
            socket->disconnectFromHost();
            return false;
        }
        return true;
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

    // As fast as the client takes it, a few pieces at most waiting in the socket.
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
    std::map<QTcpSocket *, Peer> m_peers;
};

LoopbackServer::LoopbackServer()
    : m_worker(new LoopbackWorker(*this)) {
    m_handler = [](const Request &) {
        Reply reply;
        reply.status = 404;
        reply.contentType = "text/plain";
        return reply;
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

bool LoopbackServer::Start() {
    quint16 bound = 0;
    QMetaObject::invokeMethod(
        m_worker, [&] { bound = m_worker->Listen(); }, Qt::BlockingQueuedConnection);
    const QMutexLocker lock(&m_mutex);
    m_port = bound;
    return bound != 0;
}

void LoopbackServer::HoldAnswers(bool hold) {
    {
        const QMutexLocker lock(&m_mutex);
        m_holding = hold;
    }
    if (!hold)
        QMetaObject::invokeMethod(
            m_worker, [this] { m_worker->SendHeld([](const Request &) { return true; }); });
}

void LoopbackServer::ReleaseHeld(const QString &tel) {
    QMetaObject::invokeMethod(m_worker, [this, tel] {
        m_worker->SendHeld([tel](const Request &request) { return request.tel == tel; });
    });
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
        ++m_waiting;
        *held = m_holding;
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
