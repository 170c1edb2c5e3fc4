#include "servicetestclient.h"

#include "answerpath.h"
#include "segmenttablefile.h"

#include <QDeadlineTimer>
#include <QList>

namespace {
constexpr int kWaitMs = 10'000;
} // namespace

RunningService::RunningService(ServerLimits limits, SegmentTable table)
    : server(limits, std::move(table)) {
    port = server.Bind(ListenAddress{"127.0.0.1", 0});
    if (port > 0) {
        thread = std::thread([this] {
            server.Run();
            finished = true;
        });
    }
}

RunningService::~RunningService() {
    server.Stop();
    if (thread.joinable())
        thread.join();
}

SegmentTable BuiltinSegments() {
    return LoadSegmentTable(BUILTIN_SEGMENTS_FILE).table;
}

QByteArray HttpAnswer::Header(const QByteArray &name) const {
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

TestClient::TestClient(int port) {
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    m_socket.waitForConnected(kWaitMs);
}

bool TestClient::Send(const QByteArray &bytes) {
    if (!Connected() || m_socket.write(bytes) != bytes.size())
        return false;
    QDeadlineTimer deadline(kWaitMs);
    while (m_socket.bytesToWrite() > 0)
        if (!m_socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    return true;
}

bool TestClient::Get(const QByteArray &target, const QByteArray &headers) {
    return Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
}

bool TestClient::ReadMore() {
    if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(kWaitMs))
        return false;
    m_pending += m_socket.readAll();
    return true;
}

std::optional<HttpAnswer> TestClient::Receive(bool toHead) {
    qsizetype end;
    while ((end = m_pending.indexOf("\r\n\r\n")) < 0)
        if (!ReadMore())
            return std::nullopt;
    HttpAnswer answer;
    answer.head = m_pending.left(end + 2);
    m_pending.remove(0, end + 4);
    const QList<QByteArray> statusLine = answer.head.left(answer.head.indexOf('\r')).split(' ');
    answer.status = statusLine.size() > 1 ? statusLine[1].toInt() : 0;
    const qsizetype length = toHead ? 0 : answer.Header("Content-Length").toLongLong();
    while (m_pending.size() < length)
        if (!ReadMore())
            return std::nullopt;
    answer.body = m_pending.left(length);
    m_pending.remove(0, length);
    return answer;
}

bool TestClient::WaitClosed() {
    QDeadlineTimer deadline(kWaitMs);
    while (m_socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (m_socket.waitForReadyRead(int(deadline.remainingTime())))
            m_pending += m_socket.readAll();
    }
    return m_socket.state() != QAbstractSocket::ConnectedState;
}

QByteArray AnswerTarget(const char *number) {
    return QByteArray(kAnswerPath.data(), qsizetype(kAnswerPath.size())) + "?tel=" + number;
}
