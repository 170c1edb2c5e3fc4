// The server's limits, each on its own service; tests wait on events, not the clock.
#include "servicetestclient.h"

#include <QtTest>

#include <memory>
#include <vector>

namespace {

const QByteArray kUnknown = "zone = {\n\terror:'unknown'\n}\n";

constexpr int kEventMs = 10'000;
// 2 MB of pipelined requests: under wine on a busy machine, over ten seconds.
constexpr int kBulkEventMs = 60'000;

ServerLimits Short() {
    ServerLimits limits;
    limits.requestTime = std::chrono::milliseconds(1500);
    limits.idleTime = std::chrono::milliseconds(1000);
    limits.writeTime = std::chrono::milliseconds(3000);
    return limits;
}

QByteArray Ask(TestClient &client) {
    if (!client.Get(AnswerTarget("13800138000")))
        return "-";
    const std::optional<HttpAnswer> answer = client.Receive();
    return answer ? answer->body : QByteArray("-");
}

} // namespace

class TestServerLimits : public QObject {
    Q_OBJECT

private slots:
    void slowSenderIsCutOffWhileOthersAreAnswered() {
        RunningService service(Short());
        TestClient slow(service.port);
        QVERIFY(slow.Send("GET " + AnswerTarget("13800138000") + " HTTP/1.1\r\nX-A: "));
        QTRY_COMPARE_WITH_TIMEOUT(service.server.Counts().reading, size_t(1), kEventMs);
        int sent = 0;
        while (slow.Connected() && sent < 2000) {
            slow.Send("h");
            ++sent;
            QCOMPARE(Ask(*std::make_unique<TestClient>(service.port)), kUnknown);
            // The other one is counted until the server has seen it close.
            if (sent == 1)
                QTRY_COMPARE_WITH_TIMEOUT(service.server.Counts().reading, size_t(1), kEventMs);
            QTest::qWait(20);
        }
        QVERIFY(slow.WaitClosed());
        QVERIFY2(sent < 2000, "the slow sender was never cut off");
        QCOMPARE(service.server.Counts().timedOut, size_t(1));
    }

    void idleConnectionsTimeOut() {
        RunningService service(Short());
        TestClient silent(service.port);
        TestClient kept(service.port);
        QCOMPARE(Ask(kept), kUnknown);
        QVERIFY(silent.WaitClosed());
        QVERIFY(kept.WaitClosed());
        QCOMPARE(service.server.Counts().timedOut, size_t(2));
        QCOMPARE(service.server.Counts().open, size_t(0));
    }

    void capClosesOldestIdleFirst() {
        ServerLimits limits;
        limits.maxConnections = 3;
        RunningService service(limits);
        TestClient kept(service.port); // answered, then idle: the oldest idle
        QCOMPARE(Ask(kept), kUnknown);
        TestClient sending(service.port); // half a request: not idle
        QVERIFY(sending.Send("GET " + AnswerTarget("13800138000")));
        QTRY_COMPARE_WITH_TIMEOUT(service.server.Counts().reading, size_t(1), kEventMs);
        TestClient silent(service.port); // idle, but newer than `kept`
        QTRY_COMPARE_WITH_TIMEOUT(service.server.Counts().open, size_t(3), kEventMs);

        TestClient fourth(service.port);
        QVERIFY(kept.WaitClosed());
        QCOMPARE(service.server.Counts().evicted, size_t(1));
        QCOMPARE(service.server.Counts().open, size_t(3));
        TestClient fifth(service.port);
        QVERIFY(silent.WaitClosed());
        QCOMPARE(service.server.Counts().evicted, size_t(2));
        // The half-sent request outlived two newer idle connections.
        QVERIFY(sending.Send(" HTTP/1.1\r\n\r\n"));
        const std::optional<HttpAnswer> answer = sending.Receive();
        QVERIFY(answer);
        QCOMPARE(answer->body, kUnknown);
        QCOMPARE(Ask(fifth), kUnknown);
    }

    // An answer being written when the stop comes goes out whole, then Run
    // returns; idle and half-sent connections close at once.
    void stopFinishesTheAnswerUnderWay() {
        RunningService service;
        TestClient client(service.port);
        client.Socket().setReadBufferSize(1); // takes nothing until told
        // 404: a long answer to a short request.
        const QByteArray pipeline = QByteArray("GET /x HTTP/1.1\r\n\r\n").repeated(100'000);
        QVERIFY(client.Socket().write(pipeline) == pipeline.size());
        QTRY_VERIFY_WITH_TIMEOUT(
            (client.Socket().waitForBytesWritten(10), service.server.Counts().writing == 1),
            kBulkEventMs);
        TestClient idle(service.port);
        TestClient halfSent(service.port);
        QVERIFY(halfSent.Send("GET / HTTP/1.1\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(service.server.Counts().reading, size_t(1), kEventMs);
        service.server.Stop();
        QVERIFY(idle.WaitClosed());
        QVERIFY(halfSent.WaitClosed());
        client.Socket().setReadBufferSize(0);
        QVERIFY(client.WaitClosed());
        QTRY_VERIFY_WITH_TIMEOUT(service.finished, kEventMs);
        QVERIFY(!TestClient(service.port).Connected());
        int answers = 0;
        while (client.Pending().size() > 0) {
            const std::optional<HttpAnswer> answer = client.Receive();
            QVERIFY2(answer, "an answer was cut off");
            QCOMPARE(answer->status, 404);
            ++answers;
        }
        QVERIFY(answers > 0);
        QVERIFY(answers < 100'000);
    }

    void keepAlive_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("connectionHeader"); // in the answer
        QTest::addColumn<bool>("staysOpen");
        const QByteArray get = "GET " + AnswerTarget("13800138000");
        QTest::newRow("HTTP/1.1") << get + " HTTP/1.1\r\n\r\n" << QByteArray() << true;
        QTest::newRow("HTTP/1.1, close") << get + " HTTP/1.1\r\nConnection: close\r\n\r\n"
                                         << QByteArray("close") << false;
        QTest::newRow("HTTP/1.0") << get + " HTTP/1.0\r\n\r\n" << QByteArray("close") << false;
        QTest::newRow("HTTP/1.0, keep-alive") << get + " HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n"
                                              << QByteArray("keep-alive") << true;
    }
    void keepAlive() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, connectionHeader);
        QFETCH(bool, staysOpen);
        RunningService service;
        TestClient client(service.port);
        for (int i = 0; i < (staysOpen ? 3 : 1); ++i) {
            QVERIFY(client.Send(request));
            const std::optional<HttpAnswer> answer = client.Receive();
            QVERIFY(answer);
            QCOMPARE(answer->body, kUnknown);
            QCOMPARE(answer->Header("Connection"), connectionHeader);
        }
        if (!staysOpen)
            QVERIFY(client.WaitClosed());
        else
            QCOMPARE(service.server.Counts().open, size_t(1));
    }

    // In order; HEAD gets the head alone.
    void pipelinedRequests() {
        RunningService service;
        TestClient client(service.port);
        const QByteArray get = "GET " + AnswerTarget("13800138000") + " HTTP/1.1\r\n\r\n";
        const QByteArray head = "HEAD " + AnswerTarget("13800138000") + " HTTP/1.1\r\n\r\n";
        QVERIFY(client.Send(get + "GET /nowhere HTTP/1.1\r\n\r\n" + head + get));
        const std::optional<HttpAnswer> first = client.Receive();
        const std::optional<HttpAnswer> second = client.Receive();
        const std::optional<HttpAnswer> third = client.Receive(true);
        const std::optional<HttpAnswer> fourth = client.Receive();
        QVERIFY(first && second && third && fourth);
        QCOMPARE(first->body, kUnknown);
        QCOMPARE(second->status, 404);
        QCOMPARE(third->Header("Content-Length"), QByteArray::number(kUnknown.size()));
        QCOMPARE(fourth->body, kUnknown); // so the HEAD answer had no body
        QVERIFY(client.Pending().isEmpty());
    }

    // Refused while the client is still sending, not gathered.
    void endlessHeaderLineIsRefused() {
        RunningService service;
        TestClient client(service.port);
        QVERIFY(client.Send("GET " + AnswerTarget("13800138000") + " HTTP/1.1\r\nX-A: "));
        const QByteArray chunk(16 * 1024, 'h');
        qint64 sent = 0;
        while (sent < (64 << 20) && client.Socket().bytesAvailable() == 0 &&
               !client.Socket().waitForReadyRead(0) && client.Send(chunk))
            sent += chunk.size();
        QVERIFY2(sent < (64 << 20), "no answer to 64 MiB of header");
        const std::optional<HttpAnswer> answer = client.Receive();
        QVERIFY(answer);
        QCOMPARE(answer->status, 431);
    }

    void manyConnectionsInTurn() {
        RunningService service;
        std::vector<std::unique_ptr<TestClient>> clients;
        for (int i = 0; i < 200; ++i)
            clients.push_back(std::make_unique<TestClient>(service.port));
        for (int round = 0; round < 3; ++round) {
            for (auto &client : clients)
                QVERIFY(client->Get(AnswerTarget("13800138000")));
            for (auto &client : clients) {
                const std::optional<HttpAnswer> answer = client->Receive();
                QVERIFY(answer);
                QCOMPARE(answer->body, kUnknown);
            }
        }
        QCOMPARE(service.server.Counts().open, size_t(200));
    }
};

QTEST_GUILESS_MAIN(TestServerLimits)
#include "tst_serverlimits.moc"
