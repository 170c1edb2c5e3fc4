// The service over HTTP on loopback: answers and their encoding, refused
// numbers and paths, oversized requests, and many requests at once.
#include "runningservice.h"

#include <QtTest>

#include <httplib.h>
#include <iconv.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string AnswerPath = SegmentServer::AnswerPath;

// GBK back to UTF-8, done here with iconv directly so the check does not
// lean on the service's own converter. Empty on bytes that are not GBK.
QString FromGbk(const std::string &gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out(gbk.size() * 2 + 1, '\0');
    char *in = const_cast<char *>(gbk.data());
    size_t inLeft = gbk.size(), outLeft = out.size();
    char *outPtr = out.data();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        return {};
    return QString::fromUtf8(out.data(), qsizetype(out.size() - outLeft));
}

bool IsValidUtf8(const std::string &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

QString ExpectedBody(const QString &number, const QString &province, const QString &city,
                     const QString &carrier) {
    return QStringLiteral("zone = {\n\ttelString:'%1',\n\tprovince:'%2',\n\tcity:'%3',\n"
                          "\tcatName:'%4'\n}\n")
        .arg(number, province, city, carrier);
}

// A plain socket to 127.0.0.1:port, for requests httplib would not send.
int ConnectRaw(int port) {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    if (sock < 0)
        return -1;
    const timeval timeout{5, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(sock);
        return -1;
    }
    return sock;
}

bool SendAll(int sock, const std::string &bytes) {
    return ::send(sock, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

} // namespace

class TestSegmentServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void knownNumbers_data();
    void knownNumbers();
    void refusedNumbers_data();
    void refusedNumbers();
    void otherPaths_data();
    void otherPaths();
    void oversizedRequests();
    void endlessHeaderLineIsCutOff();
    void tricklingRequestIsCutOff();
    void manyRequestsAtOnce();

private:
    httplib::Client Client() const;
    std::unique_ptr<RunningService> m_service;
};

void TestSegmentServer::initTestCase() {
    m_service = std::make_unique<RunningService>();
    QVERIFY(m_service->ok());
}

void TestSegmentServer::cleanupTestCase() {
    m_service.reset();
}

httplib::Client TestSegmentServer::Client() const {
    httplib::Client client("127.0.0.1", m_service->port());
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(5, 0);
    client.set_tcp_nodelay(true);
    return client;
}

void TestSegmentServer::knownNumbers_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("carrier");
    const auto row = [](const char *tag, const char *number, const char *province, const char *city,
                        const char *carrier) {
        QTest::newRow(tag) << QString(number) << QString(province) << QString(city)
                           << QString(carrier);
    };
    row("Beijing", "13800138000", "北京", "北京", "中国移动");
    row("Zhejiang", "13805710000", "浙江", "杭州市", "中国移动");
    row("Guangxi", "13977100000", "广西", "南宁市", "中国移动");
    row("Inner Mongolia", "13904710000", "内蒙古", "呼和浩特市", "中国移动");
    row("Xinjiang", "13899100000", "新疆", "喀什地区", "中国移动");
    row("Shanghai, Unicom", "18616000000", "上海", "上海", "中国联通");
    row("Beijing, Telecom", "18901000000", "北京", "北京", "中国电信");
}

void TestSegmentServer::knownNumbers() {
    QFETCH(QString, number);
    QFETCH(QString, province);
    QFETCH(QString, city);
    QFETCH(QString, carrier);
    auto client = Client();
    const auto result = client.Get(AnswerPath + "?tel=" + number.toStdString());
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    QCOMPARE(QString::fromStdString(result->get_header_value("Content-Type")),
             QStringLiteral("text/javascript; charset=GBK"));
    // Chinese text in GBK is never valid UTF-8; the program has to decode
    // it by the charset the header names.
    QVERIFY(!IsValidUtf8(result->body));
    QCOMPARE(FromGbk(result->body), ExpectedBody(number, province, city, carrier));
}

void TestSegmentServer::refusedNumbers_data() {
    QTest::addColumn<QByteArray>("query");
    QTest::newRow("letters") << QByteArray("tel=1380013800a");
    QTest::newRow("10 digits") << QByteArray("tel=1380013800");
    QTest::newRow("12 digits") << QByteArray("tel=138001380000");
    QTest::newRow("empty") << QByteArray("tel=");
    QTest::newRow("no query") << QByteArray();
    QTest::newRow("NUL") << QByteArray("tel=%00");
    QTest::newRow("blank") << QByteArray("tel=%2013800138000");
    QTest::newRow("quote") << QByteArray("tel=1380013800%27");
    QTest::newRow("very long") << "tel=" + QByteArray(4000, '1');
    QTest::newRow("no geocoder data") << QByteArray("tel=19200000000");
}

void TestSegmentServer::refusedNumbers() {
    QFETCH(QByteArray, query);
    auto client = Client();
    const std::string target = AnswerPath + (query.isEmpty() ? "" : "?" + query.toStdString());
    const auto result = client.Get(target);
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    QVERIFY(result->body.starts_with("zone = {"));
    QVERIFY(result->body.find("telString") == std::string::npos);
}

void TestSegmentServer::otherPaths_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("root") << QByteArray("/");
    QTest::newRow("longer name") << QByteArray("/cc/json/mobile_tel_segment.html?tel=13800138000");
    QTest::newRow("dot is no wildcard")
        << QByteArray("/cc/json/mobile_tel_segmentXhtm?tel=13800138000");
    QTest::newRow("capitals") << QByteArray("/CC/json/mobile_tel_segment.htm?tel=13800138000");
}

void TestSegmentServer::otherPaths() {
    QFETCH(QByteArray, target);
    auto client = Client();
    const auto result = client.Get(target.toStdString());
    QVERIFY(result);
    QCOMPARE(result->status, 404);
    QVERIFY(result->body.find("telString") == std::string::npos);
}

void TestSegmentServer::oversizedRequests() {
    {
        auto client = Client();
        const auto result =
            client.Get(AnswerPath + "?tel=13800138000&pad=" + std::string(9000, 'x'));
        QVERIFY(result);
        QVERIFY2(result->status >= 400, std::to_string(result->status).c_str());
        QVERIFY(result->body.find("telString") == std::string::npos);
    }
    {
        // Many headers, each short: only their sum is too much.
        httplib::Headers headers;
        for (int i = 0; i < 40; ++i)
            headers.emplace("X-Filler-" + std::to_string(i), std::string(250, 'h'));
        auto client = Client();
        const auto result = client.Get(AnswerPath + "?tel=13800138000", headers);
        QVERIFY(result);
        QCOMPARE(result->status, 431);
        QVERIFY(result->body.find("telString") == std::string::npos);
    }
    {
        // httplib itself limits bodies only where a method usually has one.
        httplib::Request request;
        request.method = "GET";
        request.path = AnswerPath + "?tel=13800138000";
        request.body = std::string(16 * 1024, 'b');
        request.set_header("Content-Type", "text/plain");
        auto client = Client();
        const auto result = client.send(request);
        QVERIFY(result);
        QCOMPARE(result->status, 413);
    }
    // And the service is none the worse for it.
    auto client = Client();
    const auto result = client.Get(AnswerPath + "?tel=13800138000");
    QVERIFY(result);
    QCOMPARE(result->status, 200);
    QVERIFY(result->body.find("telString:'13800138000'") != std::string::npos);
}

void TestSegmentServer::endlessHeaderLineIsCutOff() {
    // A header line that never ends must not be gathered in memory: the
    // service stops reading well before the client has sent 64 MiB.
    const int sock = ConnectRaw(m_service->port());
    QVERIFY(sock >= 0);
    QVERIFY(SendAll(sock, "GET " + AnswerPath + "?tel=13800138000 HTTP/1.1\r\nX-Endless: "));
    const std::string chunk(64 * 1024, 'h');
    size_t sent = 0;
    while (sent < 64u * 1024 * 1024) {
        const ssize_t n = ::send(sock, chunk.data(), chunk.size(), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += size_t(n);
    }
    ::close(sock);
    QVERIFY2(sent < 64u * 1024 * 1024, "the service kept reading");

    auto client = Client();
    const auto result = client.Get(AnswerPath + "?tel=13800138000");
    QVERIFY(result);
    QCOMPARE(result->status, 200);
}

void TestSegmentServer::tricklingRequestIsCutOff() {
    // A client that sends its request a byte at a time, each well within
    // the read time-out, still has only so long for the whole request.
    ServerLimits limits;
    limits.readTimeoutSeconds = 2;
    limits.requestSeconds = 1;
    RunningService service(limits);
    QVERIFY(service.ok());
    const int sock = ConnectRaw(service.port());
    QVERIFY(sock >= 0);
    QVERIFY(SendAll(sock, "GET " + AnswerPath + "?tel=13800138000 HTTP/1.1\r\nX-Slow: "));
    bool cutOff = false;
    for (int i = 0; i < 100 && !cutOff; ++i) { // at most 10 seconds
        pollfd fd{sock, POLLIN, 0};
        if (::poll(&fd, 1, 100) > 0) {
            cutOff = true; // an answer or the end of the connection
            break;
        }
        cutOff = !SendAll(sock, "h");
    }
    ::close(sock);
    QVERIFY(cutOff);
}

void TestSegmentServer::manyRequestsAtOnce() {
    // 2,000 requests over 8 kept-alive connections, each checked in full.
    constexpr int Connections = 8;
    constexpr int RequestsPerConnection = 250;
    struct Case {
        std::string number;
        QString body;
    };
    const std::vector<Case> cases = {
        {"13800138000", ExpectedBody("13800138000", "北京", "北京", "中国移动")},
        {"13805710000", ExpectedBody("13805710000", "浙江", "杭州市", "中国移动")},
        {"13977100000", ExpectedBody("13977100000", "广西", "南宁市", "中国移动")},
        {"13904710000", ExpectedBody("13904710000", "内蒙古", "呼和浩特市", "中国移动")},
        {"18616000000", ExpectedBody("18616000000", "上海", "上海", "中国联通")},
    };
    std::atomic<int> correct = 0;
    std::vector<std::thread> threads;
    for (int c = 0; c < Connections; ++c) {
        threads.emplace_back([&, c] {
            auto client = Client();
            client.set_keep_alive(true);
            for (int i = 0; i < RequestsPerConnection; ++i) {
                const Case &expected = cases[size_t(c + i) % cases.size()];
                const auto result = client.Get(AnswerPath + "?tel=" + expected.number);
                if (result && result->status == 200 && FromGbk(result->body) == expected.body)
                    ++correct;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    QCOMPARE(correct.load(), Connections * RequestsPerConnection);
}

QTEST_GUILESS_MAIN(TestSegmentServer)
#include "tst_segmentserver.moc"
