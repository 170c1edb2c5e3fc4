#pragma once

#include "segmentserver.h"

#include <QByteArray>
#include <QTcpSocket>

#include <atomic>
#include <optional>
#include <thread>

// The service on a free 127.0.0.1 port, served from a thread of its own. It
// listens from Bind on: an early client waits in the backlog.
struct RunningService {
    explicit RunningService(ServerLimits limits = {}, SegmentTable table = {});
    ~RunningService();
    // Stops the server and waits until Run has returned.
    void StopAndWait();

    SegmentServer server;
    int port = -1;
    std::atomic<bool> finished = false;
    std::thread thread;
};

// The built-in data the build made (bin/builtin-segments.dat).
SegmentTable BuiltinSegments();

// One answer as the client received it.
struct HttpAnswer {
    int status = 0;
    QByteArray head; // status line and headers
    QByteArray body;
    QByteArray Header(const QByteArray &name) const;
};

// A plain HTTP client over one connection, so that a test controls every
// byte it sends and sees every byte it gets. Every wait gives up after
// ten seconds: a service that never answers fails the test, it does not
// hang it.
class TestClient {
public:
    explicit TestClient(int port);

    bool Connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    // Sends the bytes; false when the connection is gone.
    bool Send(const QByteArray &bytes);
    // Sends a GET of the target as HTTP/1.1, with the extra header lines.
    bool Get(const QByteArray &target, const QByteArray &headers = {});
    // The next answer; nothing when the connection closed first. The body
    // of an answer to HEAD is not read: it has none.
    std::optional<HttpAnswer> Receive(bool toHead = false);
    // True once the service has closed the connection.
    bool WaitClosed();
    // Bytes received and not yet taken by Receive.
    QByteArray Pending() const { return m_pending; }

    QTcpSocket &Socket() { return m_socket; }

private:
    bool ReadMore();

    QTcpSocket m_socket;
    QByteArray m_pending;
};

// The answer path with "?tel=" and the number.
QByteArray AnswerTarget(const char *number);
