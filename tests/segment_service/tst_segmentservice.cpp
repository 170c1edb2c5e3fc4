// The number-segment service over HTTP on loopback: its answers on the
// built-in data, what it refuses, and the desktop program's own lookup
// client against it; segment tables the user brings, read from small
// generated files, on top of the built-in data; and the binary finding its
// own tables. The limits a server needs are in tst_serverlimits.
#include "carriernames.h"
#include "gbktext.h"
#include "gbtext.h"
#include "listenaddress.h"
#include "lookupanswer.h"
#include "lookupclient.h"
#include "segmenttablefile.h"
#include "servicetestclient.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kPath = AnswerTarget("").chopped(5);

QString Known(const QString &number, const QString &province, const QString &city,
              const QString &carrier) {
    return QStringLiteral("zone = {\n\ttelString:'%1',\n\tprovince:'%2',\n\tcity:'%3',\n"
                          "\tcatName:'%4'\n}\n")
        .arg(number, province, city, carrier);
}

// Decoded by the desktop program's own decoder, not by the service's
// converter. Empty for bytes that are not GBK.
QString FromGbk(const QByteArray &gbk) {
    const QString text = DecodeGbText(gbk);
    return text.contains(QChar::ReplacementCharacter) ? QString() : text;
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

// Tables in GBK, written with the service's converter (Qt for Windows has
// no GBK encoder).
QByteArray Gbk(const QString &text) {
    const std::optional<std::string> gbk = Utf8ToGbk(text.toStdString());
    return gbk ? QByteArray::fromStdString(*gbk) : QByteArray();
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

QByteArray beijing() {
    return kPath + "?tel=13800138000";
}

// A data row of two texts, named after the first.
void TextPairRow(const char *first, const char *second) {
    QTest::newRow(first) << QString::fromUtf8(first) << QString::fromUtf8(second);
}

} // namespace

class TestSegmentService : public QObject {
    Q_OBJECT
    RunningService m_service{{}, BuiltinSegments()};

private slots:
    void initTestCase() { QVERIFY(m_service.port > 0); }

    // All rows go to the one service, so the later ones also show it none the
    // worse for the earlier. Each request goes on a new connection.
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
        const QString beijingAnswer = Known(u"13800138000"_s, u"北京"_s, u"北京"_s, u"中国移动"_s);
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
        refused("12 digits", "?tel=138001380001", "invalid");
        refused("not 1", "?tel=23800138000", "invalid");
        refused("blank", "?tel=%2013800138000", "invalid");
        refused("plus", "?tel=+13800138000", "invalid");
        refused("quote", "?tel=1380013800%27", "invalid");
        refused("NUL", "?tel=%00", "invalid");
        refused("long", "?tel=" + QByteArray(4000, '1'), "invalid");
        refused("no query", "", "invalid");
        refused("no tel", "?phone=13800138000", "invalid");
        const QByteArray beijing = kPath + "?tel=13800138000";
        row("percent-encoded digits", kPath + "?tel=%31%33%38%30%30%31%33%38%30%30%30", 200,
            beijingAnswer);
        row("the first tel counts", kPath + "?a=1&tel=13800138000&tel=1", 200, beijingAnswer);
        row("URI too long", beijing + "&pad=" + QByteArray(9000, 'x'), 414);
        row("headers too long", beijing, 431, {}, 40); // only their sum is too much
        row("headers just within", beijing, 200, beijingAnswer, 28);
        row("body too large", beijing, 413, {}, 0, 16 * 1024);
        row("small body passed over", beijing, 200, beijingAnswer, 0, 4 * 1024);
        row("root", "/", 404);
        row("dot is no wildcard", "/cc/json/mobile_tel_segmentXhtm?tel=13800138000", 404);
        row("capitals", kPath.toUpper() + "?tel=13800138000", 404);
        row("path goes on", kPath + "/x?tel=13800138000", 404);
    }
    void answers() {
        QFETCH(QByteArray, target);
        QFETCH(int, headers);
        QFETCH(int, bodyBytes);
        QFETCH(int, status);
        QFETCH(QString, body);
        QByteArray extra;
        for (int i = 0; i < headers; ++i)
            extra += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(250, 'h') + "\r\n";
        if (bodyBytes > 0)
            extra +=
                "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(bodyBytes) +
                "\r\n";
        TestClient client(m_service.port);
        QVERIFY(client.Get(target, extra));
        QVERIFY(bodyBytes == 0 || client.Send(QByteArray(bodyBytes, 'b')));
        const std::optional<HttpAnswer> answer = client.Receive();
        QVERIFY(answer);
        QCOMPARE(answer->status, status);
        // Every answer, refusals included, names the service.
        QCOMPARE(answer->Header("Server"), QByteArray("tarvio-segment-service"));
        QCOMPARE(answer->Header("Content-Type"), status == 200
                                                     ? QByteArray("text/javascript; charset=GBK")
                                                     : QByteArray("text/plain; charset=us-ascii"));
        QCOMPARE(status == 200 ? FromGbk(answer->body) : QString(), body);
        // A refused request closes its connection; an answered one stays.
        if (status == 200 || status == 404) {
            QVERIFY(client.Get(beijing()));
            const std::optional<HttpAnswer> next = client.Receive();
            QVERIFY(next);
            QCOMPARE(FromGbk(next->body),
                     Known(u"13800138000"_s, u"北京"_s, u"北京"_s, u"中国移动"_s));
        } else {
            QCOMPARE(answer->Header("Connection"), QByteArray("close"));
            QVERIFY(client.WaitClosed());
        }
    }

    void listenAddress() {
        const auto address = ParseListenAddress("[::1]:9000");
        QVERIFY(address && address->host == "::1" && address->port == 9000);
        for (const char *text :
             {"127.0.0.1", ":8080", "127.0.0.1:65536", "127.0.0.1:80a", "localhost:99999999999"})
            QVERIFY2(!ParseListenAddress(text), text);
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
#ifndef _WIN32
        // Opening a FIFO that nobody writes to must not wait for a writer.
        QTest::newRow("FIFO") << QByteArray("|") << u"cannot read it: not a regular file"_s;
#endif
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
#ifndef _WIN32
        if (bytes == "|") {
            path = file.dir.filePath(QStringLiteral("fifo.csv"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
#endif
        const SegmentTableLoad load = LoadSegmentTable(path.toStdString());
        QVERIFY2(QString::fromStdString(load.error).endsWith(error), load.error.c_str());
        QVERIFY(load.table.Empty());
    }

    // Over HTTP and through the program's own client: the table's blocks,
    // a built-in block it overrides, and one it leaves alone.
    void tableAnswersOverHttp() {
        const TableFile file(Gbk(QStringLiteral(
            "号段,省份,城市,运营商\n1990000,广东,广州,中国移动\n1380013,上海,上海,联通\n")));
        SegmentTableLoad load = LoadSegmentTable(file.path.toStdString(), BuiltinSegments());
        QCOMPARE(load.loaded, size_t(2));
        RunningService service({}, std::move(load.table));
        QVERIFY(service.port > 0);
        const std::pair<const char *, QString> cases[] = {
            {"19900001234", Known(u"19900001234"_s, u"广东"_s, u"广州"_s, u"中国移动"_s)},
            {"13800138000", Known(u"13800138000"_s, u"上海"_s, u"上海"_s, u"中国联通"_s)},
            {"13805710000", Known(u"13805710000"_s, u"浙江"_s, u"杭州市"_s, u"中国移动"_s)},
            {"19900011234", QStringLiteral("zone = {\n\terror:'unknown'\n}\n")},
        };
        TestClient http(service.port);
        LookupClient client(QStringLiteral("127.0.0.1:%1").arg(service.port), 10'000);
        for (const auto &[number, body] : cases) {
            QVERIFY(http.Get(AnswerTarget(number)));
            const std::optional<HttpAnswer> answer = http.Receive();
            QVERIFY(answer);
            QCOMPARE(FromGbk(answer->body), body);
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
        // A copy of the binary and of its built-in data, beside the table.
        const QString binary =
            file.dir.filePath(QFileInfo(QStringLiteral(SEGMENT_SERVICE_BINARY)).fileName());
        QVERIFY(QFile::copy(QStringLiteral(SEGMENT_SERVICE_BINARY), binary));
        QVERIFY(QFile::copy(QStringLiteral(BUILTIN_SEGMENTS_FILE),
                            file.dir.filePath(QStringLiteral("builtin-segments.csv"))));
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
        TestClient client(match.captured(1).toInt());
        QVERIFY(client.Get(AnswerTarget("19900001234")));
        const std::optional<HttpAnswer> received = client.Receive();
        QVERIFY(received);
        QCOMPARE(FromGbk(received->body), answer);
        QVERIFY(client.Get(AnswerTarget("13800138000")));
        const std::optional<HttpAnswer> builtin = client.Receive();
        QVERIFY(builtin);
        QCOMPARE(FromGbk(builtin->body),
                 Known(u"13800138000"_s, u"北京"_s, u"北京"_s, u"中国移动"_s));
#ifndef _WIN32
        // SIGTERM stops it cleanly.
        service.terminate();
        QVERIFY(service.waitForFinished(10'000));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
#endif
    }
};

QTEST_GUILESS_MAIN(TestSegmentService)
#include "tst_segmentservice.moc"
