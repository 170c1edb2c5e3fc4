// The number-segment service over HTTP on loopback: its answers, the limits
// on what one client may send, many clients at once, and the desktop
// program's own lookup client against it.
#include "listenaddress.h"
#include "lookup/lookupanswer.h"
#include "lookup/lookupclient.h"
#include "segmentserver.h"

#include <QtTest>

#include <httplib.h>

#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The service on a free 127.0.0.1 port, served from a thread of its own. It
// listens from Bind on: an early client waits in the backlog.
struct RunningService {
    explicit RunningService(ServerLimits limits = {})
        : server(limits) {
        port = server.Bind(ListenAddress{"127.0.0.1", 0});
        if (port > 0)
            thread = std::thread([this] { server.Run(); });
    }
    ~RunningService() {
        server.Stop();
        if (thread.joinable())
            thread.join();
    }
    SegmentServer server;
    int port = -1;
    std::thread thread;
};

const QByteArray Path = SegmentServer::AnswerPath;

QString Known(const QString &number, const QString &province, const QString &city,
              const QString &carrier) {
    return QStringLiteral("zone = {\n\ttelString:'%1',\n\tprovince:'%2',\n\tcity:'%3',\n"
                          "\tcatName:'%4'\n}\n")
        .arg(number, province, city, carrier);
}

// Decoded by Qt's own GBK codec, not by the service's converter. Empty for
// bytes that are not GBK.
QString FromGbk(const std::string &gbk) {
    QStringDecoder decoder("GBK");
    const QString text = decoder.decode(QByteArrayView(gbk.data(), qsizetype(gbk.size())));
    return decoder.hasError() ? QString() : text;
}

// A plain socket that has sent the start of a request with a header line
// left open, for clients httplib would not be.
int StartRequest(int port) {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    const timeval timeout{5, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{AF_INET, htons(uint16_t(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const std::string head = "GET " + Path.toStdString() + "?tel=13800138000 HTTP/1.1\r\nX-A: ";
    if (::connect(sock, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::send(sock, head.data(), head.size(), MSG_NOSIGNAL) == ssize_t(head.size()))
        return sock;
    ::close(sock);
    return -1;
}

} // namespace

class TestSegmentService : public QObject {
    Q_OBJECT
    RunningService m_service;

private slots:
    void initTestCase() { QVERIFY(m_service.port > 0); }

    // All rows go to the one service, so the later ones also show it none the
    // worse for the earlier.
    void answers_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("headers"); // of 250 bytes each
        QTest::addColumn<int>("bodyBytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body"); // as text, for status 200
        const auto row = [](const char *tag, const QByteArray &target, int status,
                            const QString &body = {}, int headers = 0, int bodyBytes = 0) {
            QTest::newRow(tag) << target << headers << bodyBytes << status << body;
        };
        const auto known = [&row](const char *tag, const char *tel, const char *province,
                                  const char *city, const char *carrier) {
            row(tag, Path + "?tel=" + tel, 200, Known(tel, province, city, carrier));
        };
        const auto refused = [&row](const char *tag, const QByteArray &query, const char *why) {
            row(tag, Path + query, 200, QStringLiteral("zone = {\n\terror:'%1'\n}\n").arg(why));
        };
        known("Beijing", "13800138000", "北京", "北京", "中国移动");
        known("same block", "13800139999", "北京", "北京", "中国移动");
        known("Zhejiang", "13805710000", "浙江", "杭州市", "中国移动");
        known("Guangxi", "13977100000", "广西", "南宁市", "中国移动");
        known("Inner Mongolia", "13904710000", "内蒙古", "呼和浩特市", "中国移动");
        known("Xinjiang", "13899100000", "新疆", "喀什地区", "中国移动");
        known("Unicom", "18616000000", "上海", "上海", "中国联通");
        known("Telecom", "18901000000", "北京", "北京", "中国电信");
        // Satellite, not allocated, or blocks the location data do not know.
        refused("1349", "?tel=13491234567", "unknown");
        refused("174x", "?tel=17401234567", "unknown");
        refused("1703", "?tel=17031234567", "unknown");
        refused("192", "?tel=19200000000", "unknown");
        refused("10 digits", "?tel=1380013800", "invalid");
        refused("not 1", "?tel=23800138000", "invalid");
        refused("blank", "?tel=%2013800138000", "invalid");
        refused("quote", "?tel=1380013800%27", "invalid");
        refused("NUL", "?tel=%00", "invalid");
        refused("long", "?tel=" + QByteArray(4000, '1'), "invalid");
        refused("no query", "", "invalid");
        const QByteArray beijing = Path + "?tel=13800138000";
        row("URI too long", beijing + "&pad=" + QByteArray(9000, 'x'), 414);
        row("headers too long", beijing, 431, {}, 40); // only their sum is too much
        // httplib itself limits bodies only where a method usually has one.
        row("GET with a body", beijing, 413, {}, 0, 16 * 1024);
        row("root", "/", 404);
        row("dot is no wildcard", "/cc/json/mobile_tel_segmentXhtm?tel=13800138000", 404);
        row("capitals", Path.toUpper() + "?tel=13800138000", 404);
    }
    void answers() {
        QFETCH(QByteArray, target);
        QFETCH(int, headers);
        QFETCH(int, bodyBytes);
        QFETCH(int, status);
        QFETCH(QString, body);
        httplib::Request request;
        request.method = "GET";
        request.path = target.toStdString();
        for (int i = 0; i < headers; ++i)
            request.set_header("X-Filler-" + std::to_string(i), std::string(250, 'h'));
        if (bodyBytes > 0) {
            request.body = std::string(size_t(bodyBytes), 'b');
            request.set_header("Content-Type", "text/plain");
        }
        // Twice: the second answer comes from the regions remembered per
        // block of seven digits.
        for (int pass = 0; pass < 2; ++pass) {
            const auto result = httplib::Client("127.0.0.1", m_service.port).send(request);
            QVERIFY(result);
            QCOMPARE(result->status, status);
            if (status == 200)
                QCOMPARE(QString::fromStdString(result->get_header_value("Content-Type")),
                         QStringLiteral("text/javascript; charset=GBK"));
            QCOMPARE(status == 200 ? FromGbk(result->body) : QString(), body);
        }
    }

    void listenAddress() {
        const auto address = ParseListenAddress("[::1]:9000");
        QVERIFY(address && address->host == "::1" && address->port == 9000);
        for (const char *text :
             {"127.0.0.1", ":8080", "127.0.0.1:65536", "127.0.0.1:80a", "localhost:99999999999"})
            QVERIFY2(!ParseListenAddress(text), text);
    }

    void endlessHeaderLineIsCutOff() {
        // A header line that never ends is not gathered in memory: the
        // service stops reading long before 64 MiB have been sent.
        const int sock = StartRequest(m_service.port);
        QVERIFY(sock >= 0);
        const std::string chunk(64 * 1024, 'h');
        size_t sent = 0;
        for (ssize_t n = 1; n > 0 && sent < 64u << 20; sent += size_t(n))
            n = ::send(sock, chunk.data(), chunk.size(), MSG_NOSIGNAL);
        ::close(sock);
        QVERIFY2(sent < 64u << 20, "the service kept reading");
    }

    void tricklingRequestIsCutOff() {
        // A byte at a time, each well within the read time-out, still has
        // only so long for the whole request.
        ServerLimits limits;
        limits.readTimeoutSeconds = 2;
        limits.requestSeconds = 1;
        RunningService service(limits);
        const int sock = StartRequest(service.port);
        QVERIFY(sock >= 0);
        bool cutOff = false;
        for (int i = 0; i < 100 && !cutOff; ++i) { // at most 10 seconds
            pollfd fd{sock, POLLIN, 0};
            cutOff = ::poll(&fd, 1, 100) > 0 || ::send(sock, "h", 1, MSG_NOSIGNAL) != 1;
        }
        ::close(sock);
        QVERIFY(cutOff); // answered or closed
    }

    void manyRequestsAtOnce() {
        // 2,000 requests over 8 kept-alive connections, each checked in full.
        const std::vector<std::pair<std::string, QString>> cases = {
            {"13800138000", Known("13800138000", "北京", "北京", "中国移动")},
            {"13805710000", Known("13805710000", "浙江", "杭州市", "中国移动")},
            {"18616000000", Known("18616000000", "上海", "上海", "中国联通")},
            {"19200000000", QStringLiteral("zone = {\n\terror:'unknown'\n}\n")},
        };
        std::atomic<int> correct = 0;
        std::vector<std::thread> threads;
        for (int c = 0; c < 8; ++c) {
            threads.emplace_back([&, c] {
                httplib::Client client("127.0.0.1", m_service.port);
                client.set_keep_alive(true);
                for (int i = 0; i < 250; ++i) {
                    const auto &[number, body] = cases[size_t(c + i) % cases.size()];
                    const auto result = client.Get(Path.toStdString() + "?tel=" + number);
                    correct += result && result->status == 200 && FromGbk(result->body) == body;
                }
            });
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(correct.load(), 2000);
    }

    void lookupClient_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("location"); // empty: refused
        const auto row = [](const char *number, const char *location) {
            QTest::newRow(number) << QString(number) << QString(location);
        };
        row("13904710000", "内蒙古 移动");
        row("18616000000", "上海 联通");
        row("18901000000", "北京 电信");
        row("19200000000", "");
    }
    void lookupClient() {
        QFETCH(QString, number);
        QFETCH(QString, location);
        LookupClient client(QStringLiteral("127.0.0.1:%1").arg(m_service.port), 10'000);
        const LookupAnswer answer = client.QueryLocation(number);
        QCOMPARE(answer.outcome, location.isEmpty() ? LookupAnswer::Outcome::Refused
                                                    : LookupAnswer::Outcome::Accepted);
        QCOMPARE(answer.accepted() ? LocationText(answer) : QString(), location);
        client.CancelTransfer();
    }
};

QTEST_GUILESS_MAIN(TestSegmentService)
#include "tst_segmentservice.moc"
