#pragma once

#include "segmentserver.h"

#include <QByteArray>
#include <QTcpSocket>

#include <atomic>
#include <optional>
#include <thread>

// The service on a free 127.0.0.1 port, run on a thread of its own.
struct RunningService {
    explicit RunningService(ServerLimits limits = {}, SegmentTable table = {});
    ~RunningService();

    SegmentServer server;
    int port = -1;
    std::atomic<bool> finished = false;
    std::thread thread;
};

SegmentTable BuiltinSegments();

struct HttpAnswer {
    int status = 0;
    QByteArray head; // status line and headers
    QByteArray body;
    QByteArray Header(const QByteArray &name) const;
};

// A plain HTTP client over one connection; every wait gives up after ten seconds.
class TestClient {
public:
    explicit TestClient(int port);

    bool Connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    bool Send(const QByteArray &bytes);
    bool Get(const QByteArray &target, const QByteArray &headers = {});
    // The next answer; nothing when the connection closed first.
    std::optional<HttpAnswer> Receive(bool toHead = false);
    bool WaitClosed();
    // Bytes received and not yet taken by Receive.
    QByteArray Pending() const { return m_pending; }

    QTcpSocket &Socket() { return m_socket; }

private:
    bool ReadMore();

    QTcpSocket m_socket;
    QByteArray m_pending;
};

QByteArray AnswerTarget(const char *number);
