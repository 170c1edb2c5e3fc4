#include "answerserverthread.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {
QByteArray AnswerFor(const QByteArray &requestHead) {
    // "GET /cc/json/mobile_tel_segment.htm?tel=13800138000 HTTP/1.1"
    const qsizetype at = requestHead.indexOf("tel=");
    const qsizetype end = requestHead.indexOf(' ', at);
    const QByteArray tel = at < 0 ? QByteArray() : requestHead.mid(at + 4, end - at - 4);
    const QByteArray body = "__GetZoneResult_ = {\n    mts:'" + tel.left(7) +
                            "',\n    province:'\xE5\xB9\xBF\xE4\xB8\x9C',\n"
                            "    catName:'\xE4\xB8\xAD\xE5\x9B\xBD\xE7\xA7\xBB\xE5\x8A\xA8',\n"
                            "    telString:'" +
                            tel + "'\n}";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/javascript\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: keep-alive\r\n\r\n" + body;
}

void Serve(QTcpSocket *socket, QByteArray &pending) {
    pending += socket->readAll();
    for (;;) {
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        socket->write(AnswerFor(pending.left(end)));
        pending.remove(0, end + 4);
    }
}
} // namespace

AnswerServerThread::~AnswerServerThread() {
    stopServing();
}

quint16 AnswerServerThread::startServing() {
    start();
    m_ready.acquire();
    return m_port;
}

void AnswerServerThread::stopServing() {
    quit();
    wait();
}

void AnswerServerThread::run() {
    QTcpServer server;
    if (server.listen(QHostAddress::LocalHost))
        m_port = server.serverPort();
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            auto pending = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [socket, pending] { Serve(socket, *pending); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    m_ready.release();
    if (m_port != 0)
        exec();
}
