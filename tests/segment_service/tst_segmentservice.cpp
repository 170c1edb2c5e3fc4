// The number-segment service over HTTP on loopback: its answers, the limits
// on what one client may send, many clients at once, and the desktop
// program's own lookup client against it; segment tables the user brings,
// read from small generated files, and the binary finding its own.
#include "carriernames.h"
#include "listenaddress.h"
#include "lookupanswer.h"
#include "lookupclient.h"
#include "segmentserver.h"
#include "segmenttablefile.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <httplib.h>

#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The service on a free 127.0.0.1 port, served from a thread of its own. It
// listens from Bind on: an early client waits in the backlog.
struct RunningService {
    explicit RunningService(ServerLimits limits = {}, SegmentTable table = {})
        : server(limits, std::move(table)) {
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

const QByteArray kPath = SegmentServer::kAnswerPath;

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
    const std::string head = "GET " + kPath.toStdString() + "?tel=13800138000 HTTP/1.1\r\nX-A: ";
    if (::connect(sock, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::send(sock, head.data(), head.size(), MSG_NOSIGNAL) == ssize_t(head.size()))
        return sock;
    ::close(sock);
    return -1;
}

// A table file in its own temporary directory.
struct TableFile {
    explicit TableFile(const QByteArray &bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("segments.csv"));
};

QByteArray Gbk(const QString &text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

SegmentTableLoad Load(const QByteArray &bytes) {
    TableFile file(bytes);
    return LoadSegmentTable(file.path.toStdString());
}

// "province city carrier" of the number's block, or empty.
QString Find(const SegmentTable &table, const char *number) {
    const auto entry = table.Find(number);
    if (!entry)
        return {};
    return QString::fromStdString(entry->region->province + " " + entry->region->city + " ") +
           QString::fromUtf8(entry->carrier.data(), qsizetype(entry->carrier.size()));
}

const QByteArray kHeader = "号段,省份,城市,运营商\n";

// A data row of two texts, named after the first.
void TextPairRow(const char *first, const char *second) {
    QTest::newRow(first) << QString::fromUtf8(first) << QString::fromUtf8(second);
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
            row(tag, kPath + "?tel=" + tel, 200,
                Known(QString::fromUtf8(tel), QString::fromUtf8(province), QString::fromUtf8(city),
                      QString::fromUtf8(carrier)));
        };
        const auto refused = [&row](const char *tag, const QByteArray &query, const char *why) {
            row(tag, kPath + query, 200,
                QStringLiteral("zone = {\n\terror:'%1'\n}\n").arg(QLatin1StringView(why)));
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
        const QByteArray beijing = kPath + "?tel=13800138000";
        row("URI too long", beijing + "&pad=" + QByteArray(9000, 'x'), 414);
        row("headers too long", beijing, 431, {}, 40); // only their sum is too much
        // httplib itself limits bodies only where a method usually has one.
        row("GET with a body", beijing, 413, {}, 0, 16 * 1024);
        row("root", "/", 404);
        row("dot is no wildcard", "/cc/json/mobile_tel_segmentXhtm?tel=13800138000", 404);
        row("capitals", kPath.toUpper() + "?tel=13800138000", 404);
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
            {"13800138000", Known(u"13800138000"_s, u"北京"_s, u"北京"_s, u"中国移动"_s)},
            {"13805710000", Known(u"13805710000"_s, u"浙江"_s, u"杭州市"_s, u"中国移动"_s)},
            {"18616000000", Known(u"18616000000"_s, u"上海"_s, u"上海"_s, u"中国联通"_s)},
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
                    const auto result = client.Get(kPath.toStdString() + "?tel=" + number);
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
        const auto row = TextPairRow;
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
    // Every row is one small table and one number looked up in it.
    void tableFormats_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("found");
        const QString guangzhou = QStringLiteral("广东 广州 中国移动");
        const QByteArray row = "1990000,广东,广州,移动\n";
        QTest::newRow("Chinese names") << kHeader + row << guangzhou;
        QTest::newRow("English names, any order and case, other columns")
            << QByteArray("Id,CITY,Isp,Prefix,AreaCode,Province\n1,广州,移动,1990000,020,广东\n")
            << guangzhou;
        QTest::newRow("short Chinese names")
            << QByteArray("卡类型,市,省,号段\n中国移动,广州,广东,1990000\n") << guangzhou;
        QTest::newRow("no city column: the province stands for it")
            << QByteArray("phone,province,catName\n1990000,北京,移动\n")
            << QStringLiteral("北京 北京 中国移动");
        QTest::newRow("second column of a kind ignored")
            << QByteArray("segment,province,city,carrier,运营商\n1990000,广东,广州,移动,联通\n")
            << guangzhou;
        QTest::newRow("full province names shortened")
            << kHeader + "1990000,广西壮族自治区,南宁,移动\n"
            << QStringLiteral("广西 南宁 中国移动");
        QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + kHeader + row << guangzhou;
        QTest::newRow("GBK") << Gbk(QString::fromUtf8(kHeader + row)) << guangzhou;
        QTest::newRow("GBK, CR LF, blank lines")
            << Gbk(QStringLiteral("\r\n号段,省份,城市,运营商\r\n\r\n1990000,广东,广州,移动\r\n"))
            << guangzhou;
        QTest::newRow("CR line ends") << QByteArray("号段,省份,运营商\r1990000,广东,移动\r")
                                      << QStringLiteral("广东 广东 中国移动");
        QTest::newRow("quoted fields")
            << QByteArray("note,号段,省份,城市,运营商\n\"a,\"\"b\"\"\",\"1990000\",\"广东\","
                          "\" 广州 \",\"移动\"\n")
            << guangzhou;
        QTest::newRow("comma and quote inside a city")
            << kHeader + "1990000,广东,\"广\"\"州,市\",移动\n"
            << QStringLiteral("广东 广\"州,市 中国移动");
        QTest::newRow("later row wins") << kHeader + row + "1990000,浙江,杭州,电信\n"
                                        << QStringLiteral("浙江 杭州 中国电信");
    }
    void tableFormats() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, found);
        const SegmentTableLoad load = Load(bytes);
        QCOMPARE(QString::fromStdString(load.error), QString());
        QCOMPARE(load.skipped, size_t(0));
        QCOMPARE(Find(load.table, "19900001234"), found);
        QCOMPARE(Find(load.table, "19900011234"), QString());
    }

    void carrierNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("carrier"); // empty: not a carrier
        const auto row = TextPairRow;
        row("移动", "中国移动");
        row("中国移动", "中国移动");
        row("联通", "中国联通");
        row("电信", "中国电信");
        row("广电", "中国广电");
        row("中国广电", "中国广电");
        row("电信虚拟运营商", "中国电信");
        row("移动/虚拟", "中国移动");
        row("China Unicom", "中国联通");
        row("TELECOM", "中国电信");
        row("虚拟运营商", "");
        row("移动/联通", "");
        row("卫星", "");
        row("", "");
    }
    void carrierNames() {
        QFETCH(QString, name);
        QFETCH(QString, carrier);
        const std::string_view mapped = CarrierFromName(name.toStdString());
        QCOMPARE(QString::fromUtf8(mapped.data(), qsizetype(mapped.size())), carrier);
    }

    // Each bad row sits between two good ones, which still load.
    void badRows_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("gbk");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *tag, const QByteArray &line, const char *reason,
                            bool gbk = false) {
            QTest::newRow(tag) << line << gbk << QString::fromUtf8(reason);
        };
        const char *block = "block is not seven digits beginning with 1";
        row("six digits", "199000,广东,广州,移动", block);
        row("eight digits", "19900000,广东,广州,移动", block);
        row("not 1", "2990000,广东,广州,移动", block);
        row("letters", "199000x,广东,广州,移动", block);
        row("empty block", ",广东,广州,移动", block);
        row("empty province", "1990000, ,广州,移动", "no province");
        row("short row", "1990000", "no province");
        row("empty carrier", "1990000,广东,广州,", "no carrier");
        row("unknown carrier", "1990000,广东,广州,虚拟运营商", "carrier not recognised");
        row("quote left open", "1990000,\"广东,广州,移动", "quotes left open or followed by text");
        row("text after quote", "1990000,\"广东\"省,广州,移动",
            "quotes left open or followed by text");
        row("quote in a name", "1990000,广东,广'州,移动",
            "province or city holds a quote or backslash");
        row("backslash in a name", "1990000,广东\\,广州,移动",
            "province or city holds a quote or backslash");
        row("outside GBK", "1990000,广东,广州\xF0\x9F\x98\x80,移动",
            "province or city holds a character GBK cannot write");
        row("not UTF-8", "1990000,\xB9\xE3\xB6\xAB,广州,移动", "not UTF-8 text");
        row("not GBK", "1990000,\xFF\xFF,gz,mobile", "not GBK text", true);
    }
    void badRows() {
        QFETCH(QByteArray, line);
        QFETCH(bool, gbk);
        QFETCH(QString, reason);
        const QByteArray before = "1990000,广东,广州,移动\n";
        const QByteArray after = "1990002,浙江,杭州,电信\n";
        const QByteArray bytes = gbk ? Gbk(QString::fromUtf8(kHeader + before)) + line + "\n" +
                                           Gbk(QString::fromUtf8(after))
                                     : kHeader + before + line + "\n" + after;
        const SegmentTableLoad load = Load(bytes);
        QCOMPARE(QString::fromStdString(load.encoding), gbk ? u"GBK"_s : u"UTF-8"_s);
        QCOMPARE(load.loaded, size_t(2));
        QCOMPARE(load.skipped, size_t(1));
        QCOMPARE(load.firstSkipped.size(), size_t(1));
        QCOMPARE(load.firstSkipped[0].line, size_t(3));
        QCOMPARE(QString::fromStdString(load.firstSkipped[0].reason), reason);
        QCOMPARE(Find(load.table, "19900001234"), QStringLiteral("广东 广州 中国移动"));
        QCOMPARE(Find(load.table, "19900021234"), QStringLiteral("浙江 杭州 中国电信"));
    }

    void summaryNamesTheFirstFiveSkipped() {
        QByteArray bytes = kHeader;
        for (int i = 0; i < 7; ++i)
            bytes += "1990000,广东,广州,移动\n199,广东,广州,移动\n";
        QCOMPARE(QString::fromStdString(DescribeLoad(Load(bytes))),
                 QStringLiteral("UTF-8, 7 rows loaded, 7 skipped (line 3: %1; line 5: %1; "
                                "line 7: %1; line 9: %1; line 11: %1; …)")
                     .arg(QLatin1StringView("block is not seven digits beginning with 1")));
    }

    void unusableFiles_data() {
        QTest::addColumn<QByteArray>("bytes"); // "-": no file; "/": a directory; "|": a FIFO
        QTest::addColumn<QString>("error");
        QTest::newRow("no file") << QByteArray("-")
                                 << u"cannot read it: No such file or directory"_s;
        QTest::newRow("directory") << QByteArray("/") << u"cannot read it: not a regular file"_s;
        // Opening a FIFO that nobody writes to must not wait for a writer.
        QTest::newRow("FIFO") << QByteArray("|") << u"cannot read it: not a regular file"_s;
        QTest::newRow("empty") << QByteArray() << u"missing: block, province, carrier"_s;
        QTest::newRow("blank lines only")
            << QByteArray("\n ,\r\n") << u"missing: block, province, carrier"_s;
        QTest::newRow("rows, no header")
            << QByteArray("1990000,广东,广州,移动\n") << u"missing: block, province, carrier"_s;
        QTest::newRow("no carrier column")
            << QByteArray("号段,省份,城市\n1990000,广东,广州\n") << u"missing: carrier"_s;
    }
    void unusableFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        TableFile file(bytes);
        QString path = file.path;
        if (bytes == "-")
            path = file.dir.filePath(QStringLiteral("absent.csv"));
        if (bytes == "/")
            path = file.dir.path();
        if (bytes == "|") {
            path = file.dir.filePath(QStringLiteral("fifo.csv"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        const SegmentTableLoad load = LoadSegmentTable(path.toStdString());
        QVERIFY2(QString::fromStdString(load.error).endsWith(error), load.error.c_str());
        QVERIFY(load.table.Empty());
    }

    // Over HTTP and through the program's own client: the table's blocks,
    // a built-in block it overrides, and one it leaves alone.
    void tableAnswersOverHttp() {
        const SegmentTableLoad load = Load(Gbk(QStringLiteral(
            "号段,省份,城市,运营商\n1990000,广东,广州,中国移动\n1380013,上海,上海,联通\n")));
        QCOMPARE(load.loaded, size_t(2));
        RunningService service({}, load.table);
        QVERIFY(service.port > 0);
        const std::pair<const char *, QString> cases[] = {
            {"19900001234", Known(u"19900001234"_s, u"广东"_s, u"广州"_s, u"中国移动"_s)},
            {"13800138000", Known(u"13800138000"_s, u"上海"_s, u"上海"_s, u"中国联通"_s)},
            {"13805710000", Known(u"13805710000"_s, u"浙江"_s, u"杭州市"_s, u"中国移动"_s)},
            {"19900011234", QStringLiteral("zone = {\n\terror:'unknown'\n}\n")},
        };
        httplib::Client http("127.0.0.1", service.port);
        LookupClient client(QStringLiteral("127.0.0.1:%1").arg(service.port), 10'000);
        for (const auto &[number, body] : cases) {
            const auto result = http.Get(kPath.toStdString() + "?tel=" + number);
            QVERIFY(result);
            QCOMPARE(FromGbk(result->body), body);
        }
        const LookupAnswer answer = client.QueryLocation(QStringLiteral("19900001234"));
        QVERIFY(answer.accepted());
        QCOMPARE(LocationText(answer), QStringLiteral("广东 移动"));
        client.CancelTransfer();
    }

    // The binary itself: a table given by name must load; segments.csv
    // beside the binary is read without being asked for, and a fault in it
    // only warns.
    void commandLine_data() {
        QTest::addColumn<bool>("given");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("exitCode"); // -1: serves
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("answer"); // for 19900001234, when serving
        const QByteArray table = kHeader + "1990000,广东,广州,移动\nx\n";
        const QString unknown = QStringLiteral("zone = {\n\terror:'unknown'\n}\n");
        QTest::newRow("given, loads")
            << true << table << -1
            << u"segments.csv: UTF-8, 1 row loaded, 1 skipped (line 3: block is not seven "
               "digits beginning with 1)"_s
            << Known(u"19900001234"_s, u"广东"_s, u"广州"_s, u"中国移动"_s);
        QTest::newRow("given, no header")
            << true << QByteArray("a,b\n") << 1 << u"segments.csv: no header naming"_s << QString();
        QTest::newRow("given, absent")
            << true << QByteArray("-") << 1 << u"absent.csv: cannot read it"_s << QString();
        QTest::newRow("beside, loads")
            << false << table << -1 << u"segments.csv: UTF-8, 1 row loaded"_s
            << Known(u"19900001234"_s, u"广东"_s, u"广州"_s, u"中国移动"_s);
        QTest::newRow("beside, no header")
            << false << QByteArray("a,b\n") << -1 << u"warning: "_s << unknown;
        QTest::newRow("beside, absent")
            << false << QByteArray("-") << -1 << u"listening on 127.0.0.1:"_s << unknown;
    }
    void commandLine() {
        QFETCH(bool, given);
        QFETCH(QByteArray, bytes);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        QFETCH(QString, answer);
        TableFile file(bytes);
        if (bytes == "-")
            QFile::remove(file.path);
        const QString binary = file.dir.filePath(QStringLiteral("segment-service"));
        QVERIFY(QFile::copy(QStringLiteral(SEGMENT_SERVICE_BINARY), binary));
        QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
        if (given)
            arguments << QStringLiteral("--segments")
                      << (bytes == "-" ? file.dir.filePath(QStringLiteral("absent.csv"))
                                       : file.path);
        QProcess service;
        service.setReadChannel(QProcess::StandardError);
        service.start(binary, arguments);
        QVERIFY(service.waitForStarted());
        const auto cleanUp = qScopeGuard([&service] {
            service.terminate();
            if (!service.waitForFinished(5000))
                service.kill();
            service.waitForFinished();
        });
        if (exitCode >= 0) {
            QVERIFY(service.waitForFinished(10'000));
            QCOMPARE(service.exitCode(), exitCode);
            const QStringList lines =
                QString::fromUtf8(service.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines[0].contains(firstLine), qPrintable(lines[0]));
            return;
        }
        QString errors;
        const QRegularExpression listening(QStringLiteral("listening on 127.0.0.1:(\\d+)"));
        QRegularExpressionMatch match;
        while (!(match = listening.match(errors)).hasMatch() && service.waitForReadyRead(10'000))
            errors += QString::fromUtf8(service.readAllStandardError());
        QVERIFY2(match.hasMatch(), qPrintable(errors));
        QVERIFY2(errors.section(u'\n', 0, 0).contains(firstLine), qPrintable(errors));
        const auto result = httplib::Client("127.0.0.1", match.captured(1).toInt())
                                .Get(kPath.toStdString() + "?tel=19900001234");
        QVERIFY(result);
        QCOMPARE(FromGbk(result->body), answer);
    }
};

QTEST_GUILESS_MAIN(TestSegmentService)
#include "tst_segmentservice.moc"
