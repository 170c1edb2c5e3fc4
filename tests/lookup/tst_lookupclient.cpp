#include "commandwaiter.h"
#include "lookupclient.h"
#include "loopbackserver.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

using Outcome = LookupAnswer::Outcome;
using Reply = LoopbackServer::Reply;

Q_DECLARE_METATYPE(LookupAnswer::Outcome)

namespace {
const QByteArray kBeijing =
    ZoneAnswer(QStringLiteral("13800138000"), QStringLiteral("北京"), QStringLiteral("中国移动"));

Reply Answer(const QByteArray &body, const QByteArray &contentType = "text/plain",
             int status = 200) {
    Reply reply;
    reply.body = body;
    reply.contentType = contentType;
    reply.status = status;
    return reply;
}
} // namespace

class TestLookupClient : public QObject {
    Q_OBJECT
    std::unique_ptr<LoopbackServer> m_server;

    void Serve(const Reply &reply) {
        m_server->SetHandler([reply](const LoopbackServer::Request &) { return reply; });
    }

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<LoopbackServer>(); // the last test's goes
        QVERIFY(m_server->Start());
    }

    void sendsTheNumberAsGiven_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QByteArray>("rawQuery");
        QTest::newRow("eleven digits") << "13800138000" << QByteArray("tel=13800138000");
        QTest::newRow("leading blank") << " 1380013800" << QByteArray("tel=%201380013800");
        QTest::newRow("plus sign") << "+1380013800" << QByteArray("tel=%2B1380013800");
        QTest::newRow("ampersand") << "138&tel=999" << QByteArray("tel=138%26tel%3D999");
    }

    void sendsTheNumberAsGiven() {
        QFETCH(QString, number);
        QFETCH(QByteArray, rawQuery);
        Serve(Answer(kBeijing));
        LookupClient client(m_server->HostAndPort(), 5000);
        QVERIFY(client.QueryLocation(number).accepted());

        QCOMPARE(m_server->RequestCount(), 1);
        const LoopbackServer::Request req = m_server->Requests().first();
        QCOMPARE(req.path, QStringLiteral("/cc/json/mobile_tel_segment.htm"));
        QCOMPARE(req.rawQuery, rawQuery);
        QCOMPARE(req.tel, number);
    }

    void answers_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("location"); // LocationText of an accepted answer
        const auto row = [](const char *name, const QByteArray &body, Outcome outcome,
                            const QString &location = {},
                            const QByteArray &contentType = "text/plain", int status = 200) {
            QTest::newRow(name) << Answer(body, contentType, status) << outcome << location;
        };
        const Outcome accepted = Outcome::Accepted, refused = Outcome::Refused;

        row("usual shape", kBeijing, accepted, u"北京 移动"_s);
        row("status 404", kBeijing, accepted, u"北京 移动"_s, "text/javascript", 404);
        // The marker is a case-sensitive substring, not a key.
        row("marker in a value", "{a:'telString',province:'北京',catName:'中国移动'}", accepted,
            u"北京 移动"_s);
        row("marker capitalised", "{TelString:1,province:'北京',catName:'中国移动'}", refused);
        row("error page with the marker", "<html>telString not found</html>", refused);
        // The carrier is catName without its first two characters.
        row("catName of two characters", "{telString:1,province:'北京',catName:'中国'}", accepted,
            u"北京 "_s);
        row("catName of one character", "{telString:1,province:'北京',catName:'移'}", refused);
        row("province missing", "{telString:1,catName:'中国移动'}", refused);
        row("numbers taken as text", "{telString:1,province:10,catName:12345}", accepted,
            u"10 345"_s);

        // Decoding: the named charset, else UTF-8 when valid, else GB18030.
        const QString text = QStringLiteral("{telString:1,province:'广西',catName:'中国联通'}");
        const QByteArray gbk =
            "{telString:1,province:'\xb9\xe3\xce\xf7'," // no GBK encoder on Windows
            "catName:'\xd6\xd0\xb9\xfa\xc1\xaa\xcd\xa8'}";
        row("GBK named", gbk, accepted, u"广西 联通"_s, "text/javascript; charset=GBK");
        row("GBK unnamed", gbk, accepted, u"广西 联通"_s);
        row("GBK, unknown charset", gbk, accepted, u"广西 联通"_s,
            "text/plain; charset=x-nonsense");
        row("UTF-8 unnamed", text.toUtf8(), accepted, u"广西 联通"_s);
        row("Latin-1 named", "{telString:1,province:'Z\xfcrich',catName:'xx\xe9t'}", accepted,
            u"Zürich ét"_s, "text/plain; charset=ISO-8859-1");
    }

    void answers() {
        QFETCH(Reply, reply);
        QFETCH(Outcome, outcome);
        QFETCH(QString, location);
        Serve(reply);
        LookupClient client(m_server->HostAndPort(), 5000);
        const LookupAnswer answer = client.QueryLocation(QStringLiteral("13800138000"));
        QCOMPARE(answer.outcome, outcome);
        if (outcome == Outcome::Accepted)
            QCOMPARE(LocationText(answer), location);
    }

    void keepsTheWholeAnswer() {
        Serve(Answer("{telString:1,province:'广东',city:'广州',catName:'中国移动'}"));
        LookupClient client(m_server->HostAndPort(), 5000);
        const LookupAnswer answer = client.QueryLocation(QStringLiteral("13800138000"));
        QVERIFY(answer.accepted());
        QCOMPARE((QStringList{answer.province, answer.city, answer.catName, answer.carrier}),
                 (QStringList{u"广东"_s, u"广州"_s, u"中国移动"_s, u"移动"_s}));
    }

    // Whatever is sent, the lookup ends and leaves nothing that hinders the next. Past the
    // cap, however framed, or not HTTP: a failed transfer; a body that is no answer: refused.
    void hostileAnswers_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("timeoutMs");
        const Outcome failed = Outcome::TransferFailed, refused = Outcome::Refused;
        const auto row = [](const char *name, const Reply &reply, Outcome outcome,
                            int timeoutMs = 30'000) {
            QTest::newRow(name) << reply << outcome << timeoutMs;
        };
        const QByteArray head = "{telString:1,province:'", tail = "',catName:'中国移动'}";
        const qint64 cap = LookupClient::kMaxAnswerBytes;
        const QByteArray filler(cap - head.size() - tail.size(), 'x');
        const struct {
            const char *name;
            bool closeDelimited, chunked;
        } framings[] = {{"length declared", false, false},
                        {"to the close", true, false},
                        {"chunked", false, true}};
        for (const auto &framing : framings) {
            const auto capRow = [&](const char *size, const QByteArray &body, qint64 fillerBytes,
                                    Outcome outcome) {
                Reply reply = Answer(body);
                reply.closeDelimited = framing.closeDelimited;
                reply.chunked = framing.chunked;
                reply.fillerBytes = fillerBytes;
                QTest::addRow("%s, %s", size, framing.name) << reply << outcome << 30'000;
            };
            capRow("exactly the cap", head + filler + tail, 0, Outcome::Accepted);
            capRow("one byte past the cap", head + filler + 'x' + tail, 0, failed);
            if (framing.closeDelimited || framing.chunked)
                capRow("endless", head, LoopbackServer::kEndless, failed);
        }
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise += char(i * 7919 % 256);
        const auto raw = [](const QByteArray &bytes) {
            Reply reply = Answer(bytes);
            reply.notHttp = true;
            return reply;
        };
        row("noise instead of HTTP", raw(noise), failed);
        row("a status line, then the close", raw("HTTP/1.1 200 OK\r\n"), failed);
        row("a status that is no number", raw("HTTP/1.1 2x0 OK\r\n\r\n"), failed);
        row("a header of 100 KiB",
            raw("HTTP/1.1 200 OK\r\nX-Junk: " + QByteArray(100 * 1024, 'a') + "\r\n\r\n"), failed);
        row("a chunk size that is no number",
            raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n" + kBeijing), failed);
        row("two lengths that disagree",
            raw("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd"), failed);
        row("a body shorter than its length",
            raw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + kBeijing), failed);
        row("noise as the body", Answer(noise), refused);
        row("the answer inside noise", Answer(noise + kBeijing + noise), refused);
        Reply dropped, silent = Answer(kBeijing), stalled = Answer(kBeijing),
                       trickling = Answer(kBeijing);
        dropped.dropConnection = true;
        silent.held = true; // never let go
        stalled.stallAfterHeaders = true;
        trickling.trickleMs = 100;
        row("connection dropped", dropped, failed, 300);
        row("time-out", silent, failed, 300);
        row("body stops half-way", stalled, failed, 300);
        row("body trickles past the time-out", trickling, failed, 300);
    }

    void hostileAnswers() {
        QFETCH(Reply, reply);
        QFETCH(Outcome, outcome);
        QFETCH(int, timeoutMs);
        Serve(reply); // the same again, should the client try again
        LookupClient client(m_server->HostAndPort(), timeoutMs);
        QCOMPARE(client.QueryLocation(QStringLiteral("13800138000")).outcome, outcome);
        Serve(Answer(kBeijing));
        QVERIFY(client.QueryLocation(QStringLiteral("13800138001")).accepted());
    }

    void connectionRefused() {
        const QString host = m_server->HostAndPort();
        m_server->Stop();
        LookupClient client(host, 5000);
        QCOMPARE(client.QueryLocation(QStringLiteral("13800138000")).outcome,
                 Outcome::TransferFailed);
    }

    // Lookups share the kept connection, which CancelTransfer closes; no cookie is sent back.
    void lookupsShareAKeptConnection() {
        m_server->SetHandler([](const LoopbackServer::Request &) {
            Reply reply = Answer(kBeijing);
            reply.extraHeaders = "Set-Cookie: session=abc; Path=/\r\n";
            return reply;
        });
        LookupClient client(m_server->HostAndPort(), 5000);
        client.CancelTransfer(); // nothing open: no effect
        for (int i = 0; i < 3; ++i)
            QVERIFY(client.QueryLocation(u"1380013800%1"_s.arg(i)).accepted());
        QCOMPARE(m_server->ConnectionCount(), 1);
        client.CancelTransfer();
        QVERIFY(client.QueryLocation(u"13800138009"_s).accepted());
        QCOMPARE(m_server->ConnectionCount(), 2);
        for (const LoopbackServer::Request &request : m_server->Requests()) {
            QVERIFY(!request.headers.toLower().contains("connection: close"));
            QVERIFY(!request.headers.toLower().contains("cookie"));
        }
    }

    // The kept connection closed under a lookup: asked once more on a new connection; a new
    // connection that fails is not tried again.
    void keptConnectionClosedUnderALookup_data() {
        QTest::addColumn<bool>("keptFirst"); // a lookup has kept a connection before
        QTest::addColumn<int>("drops");      // of the second number's requests, from the first
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("asked"); // how often the second number was asked
        QTest::newRow("once, on the kept connection") << true << 1 << Outcome::Accepted << 2;
        QTest::newRow("again on the new one") << true << 2 << Outcome::TransferFailed << 2;
        QTest::newRow("a new connection dropped") << false << 1 << Outcome::TransferFailed << 1;
    }

    void keptConnectionClosedUnderALookup() {
        QFETCH(bool, keptFirst);
        QFETCH(int, drops);
        QFETCH(Outcome, outcome);
        QFETCH(int, asked);
        const QString second = u"13900139000"_s;
        int dropped = 0;
        m_server->SetHandler([&](const LoopbackServer::Request &request) {
            Reply reply = Answer(kBeijing);
            reply.dropConnection = request.tel == second && dropped++ < drops;
            return reply;
        });
        LookupClient client(m_server->HostAndPort(), 5000);
        if (keptFirst)
            QVERIFY(client.QueryLocation(u"13800138000"_s).accepted());
        QCOMPARE(client.QueryLocation(second).outcome, outcome);
        const QList<LoopbackServer::Request> requests = m_server->Requests();
        QCOMPARE(std::count_if(requests.begin(), requests.end(),
                               [&](const auto &request) { return request.tel == second; }),
                 asked);
        QCOMPARE(requests.last().onConnection, 1);
    }

    // A stop ends the lookup and its connection at once.
    void stopsWhenTheWaiterIsStopped() {
        Serve(Answer(kBeijing));
        m_server->HoldAnswers(true);
        LookupClient client(m_server->HostAndPort(), 60'000);
        EventLoopWaiter waiter;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (m_server->RequestCount() == 1)
                waiter.RequestStop();
        });
        look.start(1);
        QCOMPARE(client.QueryLocation(u"13800138000"_s, waiter).outcome, Outcome::Stopped);
        look.stop();
        QTRY_COMPARE(m_server->WaitingCount(), 0); // its connection is gone

        m_server->HoldAnswers(false);
        QVERIFY(client.QueryLocation(u"13800138001"_s).accepted());
        QCOMPARE(m_server->ConnectionCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLookupClient)
#include "tst_lookupclient.moc"
