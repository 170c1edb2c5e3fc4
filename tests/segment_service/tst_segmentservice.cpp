// The segment service over HTTP, the tables a user brings (CSV, phone.dat) over
// the built-in data, and the binary finding its own. Limits: tst_serverlimits.
#include "carriernames.h"
#include "gbktext.h"
#include "gbtext.h"
#include "listenaddress.h"
#include "lookupanswer.h"
#include "lookupclient.h"
#include "phonedatformat.h"
#include "segmenttablefile.h"
#include "serviceprocess.h"
#include "servicetestclient.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kPath = AnswerTarget("").chopped(5);

// The answer for a known number; `place` is "province city carrier".
QString Known(const QString &number, const QString &place) {
    const QStringList words = place.split(u' ');
    return QStringLiteral("zone = {\n\ttelString:'%1',\n\tprovince:'%2',\n\tcity:'%3',\n"
                          "\tcatName:'%4'\n}\n")
        .arg(number, words[0], words[1], words[2]);
}

// Decoded by the desktop program's decoder; empty for bytes that are not GBK.
QString FromGbk(const QByteArray &gbk) {
    const QString text = DecodeGbText(gbk);
    return text.contains(QChar::ReplacementCharacter) ? QString() : text;
}

bool WriteFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct TableFile {
    explicit TableFile(const QByteArray &bytes,
                       const QString &name = QStringLiteral("segments.csv"))
        : path(dir.filePath(name)) {
        WriteFile(path, bytes);
    }
    QTemporaryDir dir;
    const QString path;
};

QByteArray PhoneDat(const std::vector<std::string> &records,
                    const std::vector<phonedat::Entry> &entries) {
    return QByteArray::fromStdString(phonedat::Encode("2502", records, entries));
}

// With the service's converter: Qt for Windows has no GBK encoder.
QByteArray Gbk(const QString &text) {
    const std::optional<std::string> gbk = Utf8ToGbk(text.toStdString());
    return gbk ? QByteArray::fromStdString(*gbk) : QByteArray();
}

SegmentTableLoad Load(const QByteArray &bytes, SegmentTable base = {}) {
    TableFile file(bytes);
    return LoadSegmentTable(file.path.toStdString(), std::move(base));
}

// "province city carrier" of the number's block, or empty.
QString Find(const SegmentTable &table, const char *number) {
    const auto entry = table.Find(number);
    if (!entry)
        return {};
    return QString::fromStdString(entry->region->province + " " + entry->region->city + " ") +
           QString::fromUtf8(entry->carrier.data(), qsizetype(entry->carrier.size()));
}

QString AskFor(TestClient &client, const char *number) {
    if (!client.Get(AnswerTarget(number)))
        return u"-"_s;
    const std::optional<HttpAnswer> answer = client.Receive();
    return answer ? FromGbk(answer->body) : u"-"_s;
}

const QByteArray kHeader = "号段,省份,城市,运营商\n";
const QByteArray kBeijing = kPath + "?tel=13800138000";
const QString kUnknownAnswer = u"zone = {\n\terror:'unknown'\n}\n"_s;
const QString kBeijingAnswer = Known(u"13800138000"_s, u"北京 北京 中国移动"_s);

} // namespace

class TestSegmentService : public QObject {
    Q_OBJECT
    RunningService m_service{{}, BuiltinSegments()};

private slots:
    void initTestCase() { QVERIFY(m_service.port > 0); }

    // One service for all rows, a new connection for each.
    void answers_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("head"); // header lines
        QTest::addColumn<QByteArray>("sent"); // after the head
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body"); // as text, for status 200
        const auto row = [](const char *tag, const QByteArray &target, int status,
                            const QString &body = {}, const QByteArray &head = {},
                            const QByteArray &sent = {}) {
            QTest::newRow(tag) << target << head << sent << status << body;
        };
        const auto filler = [](int lines) {
            QByteArray head;
            for (int i = 0; i < lines; ++i)
                head += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(250, 'h') + "\r\n";
            return head;
        };
        const auto length = [](int bytes) {
            return "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(bytes) +
                   "\r\n";
        };
        const auto known = [&row](const char *tag, const char *tel, const char *place) {
            row(tag, kPath + "?tel=" + tel, 200,
                Known(QString::fromLatin1(tel), QString::fromUtf8(place)));
        };
        const auto refused = [&row](const char *tag, const QByteArray &query, const char *why) {
            row(tag, kPath + query, 200,
                QStringLiteral("zone = {\n\terror:'%1'\n}\n").arg(QLatin1StringView(why)));
        };
        known("Beijing", "13800138000", "北京 北京 中国移动");
        known("Inner Mongolia", "13904710000", "内蒙古 呼和浩特 中国移动");
        known("Unicom", "18616000000", "上海 上海 中国联通");
        known("Telecom", "18901000000", "北京 北京 中国电信");
        known("192", "19200000000", "广东 佛山 中国广电");
        refused("140", "?tel=14001234567", "unknown");
        refused("unknown block", "?tel=19900001234", "unknown");
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
        row("percent-encoded digits", kPath + "?tel=%31%33%38%30%30%31%33%38%30%30%30", 200,
            kBeijingAnswer);
        row("the first tel counts", kPath + "?a=1&tel=13800138000&tel=1", 200, kBeijingAnswer);
        row("URI too long", kBeijing + "&pad=" + QByteArray(9000, 'x'), 414);
        row("headers too long", kBeijing, 431, {}, filler(40)); // only their sum is too much
        row("headers just within", kBeijing, 200, kBeijingAnswer, filler(28));
        row("body too large", kBeijing, 413, {}, length(16 * 1024), QByteArray(16 * 1024, 'b'));
        row("small body passed over", kBeijing, 200, kBeijingAnswer, length(4 * 1024),
            QByteArray(4 * 1024, 'b'));
        row("no version", "/\r\n", 400); // the request line ends before it
        row("bad header", "/", 400, {}, "No colon here\r\n");
        row("bad length", "/", 400, {}, "Content-Length: x\r\n");
        row("two lengths", "/", 400, {}, "Content-Length: 1\r\nContent-Length: 2\r\n");
        row("bad chunk", "/", 400, {}, "Transfer-Encoding: chunked\r\n", "zz\r\n");
        row("root", "/", 404);
        row("dot is no wildcard", "/cc/json/mobile_tel_segmentXhtm?tel=13800138000", 404);
        row("capitals", kPath.toUpper() + "?tel=13800138000", 404);
        row("path goes on", kPath + "/x?tel=13800138000", 404);
    }
    void answers() {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, sent);
        QFETCH(int, status);
        QFETCH(QString, body);
        TestClient client(m_service.port);
        QVERIFY(client.Get(target, head));
        QVERIFY(sent.isEmpty() || client.Send(sent));
        const std::optional<HttpAnswer> answer = client.Receive();
        QVERIFY(answer);
        QCOMPARE(answer->status, status);
        QCOMPARE(answer->Header("Server"), QByteArray("tarvio-segment-service"));
        QCOMPARE(answer->Header("Content-Type"), status == 200
                                                     ? QByteArray("text/javascript; charset=GBK")
                                                     : QByteArray("text/plain; charset=us-ascii"));
        QCOMPARE(status == 200 ? FromGbk(answer->body) : QString(), body);
        if (status == 200 || status == 404) {
            QCOMPARE(AskFor(client, "13800138000"), kBeijingAnswer);
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

    void tableFormats_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("found");
        const auto csv = [](const char *tag, const QByteArray &bytes,
                            const char *found = "广东 广州 中国移动") {
            QTest::newRow(tag) << bytes << QString::fromUtf8(found);
        };
        const QByteArray row = "1990000,广东,广州,移动\n";
        csv("Chinese names", kHeader + row);
        csv("English names, any order and case, other columns",
            "Id,CITY,Isp,Prefix,AreaCode,Province\n1,广州,移动,1990000,020,广东\n");
        csv("short Chinese names", "卡类型,市,省,号段\n中国移动,广州,广东,1990000\n");
        csv("no city column: the province stands for it",
            "phone,province,catName\n1990000,北京,移动\n", "北京 北京 中国移动");
        csv("second column of a kind ignored",
            "segment,province,city,carrier,运营商\n1990000,广东,广州,移动,联通\n");
        csv("full province names shortened", kHeader + "1990000,广西壮族自治区,南宁,移动\n",
            "广西 南宁 中国移动");
        csv("UTF-8 with BOM", "\xEF\xBB\xBF" + kHeader + row);
        csv("GBK, CR LF, blank lines",
            Gbk(u"\r\n号段,省份,城市,运营商\r\n\r\n1990000,广东,广州,移动\r\n"_s));
        csv("CR line ends", "号段,省份,运营商\r1990000,广东,移动\r", "广东 广东 中国移动");
        csv("quoted fields", "note,号段,省份,城市,运营商\n\"a,\"\"b\"\"\",\"1990000\",\"广东\",\" "
                             "广州 \",\"移动\"\n");
        csv("comma and quote inside a city", kHeader + "1990000,广东,\"广\"\"州,市\",移动\n",
            "广东 广\"州,市 中国移动");
        csv("later row wins", kHeader + row + "1990000,浙江,杭州,电信\n", "浙江 杭州 中国电信");
        // A record no entry points at is passed over, whatever it holds.
        const auto phoneDat = [&csv](const char *tag, const char *record, const char *found) {
            csv(tag, PhoneDat({"unused", record}, {{1990000, 1, 1}}), found);
        };
        phoneDat("phone.dat", "广东|广州|510000|020", "广东 广州 中国移动");
        phoneDat("phone.dat, full province", "广西壮族自治区|南宁|530000|0771",
                 "广西 南宁 中国移动");
        phoneDat("phone.dat, no city", "北京||100000|010", "北京 北京 中国移动");
        phoneDat("phone.dat, no post or area code", "广东|广州||", "广东 广州 中国移动");
        // Each card type names the network its numbers run on.
        const QStringList carriers = u"移动 联通 电信 电信 联通 移动 广电 广电"_s.split(u' ');
        for (uint8_t type = 1; type <= 8; ++type)
            QTest::addRow("phone.dat, card type %d", type)
                << PhoneDat({"广东|广州|510000|020"}, {{1990000, 0, type}})
                << u"广东 广州 中国"_s + carriers[type - 1];
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

    void carrierNames() {
        for (const QString &pair :
             u"移动>中国移动|中国移动>中国移动|联通>中国联通|电信>中国电信|广电>中国广电|"
             u"中国广电>中国广电|电信虚拟运营商>中国电信|移动/虚拟>中国移动|China Unicom>中国联通|"
             u"TELECOM>中国电信|虚拟运营商>|移动/联通>|卫星>|>"_s.split(u'|')) {
            const std::string_view mapped = CarrierFromName(pair.section(u'>', 0, 0).toStdString());
            QCOMPARE(QString::fromUtf8(mapped.data(), qsizetype(mapped.size())),
                     pair.section(u'>', 1));
        }
    }

    void badRows_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("gbk");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *tag, const QByteArray &line, const char *reason,
                            bool gbk = false) {
            QTest::newRow(tag) << line << gbk << QString::fromUtf8(reason);
        };
        const char *block = "block is not seven digits beginning with 1",
                   *quotes = "quotes left open or followed by text",
                   *quoteInName = "province or city holds a quote or backslash";
        row("six digits", "199000,广东,广州,移动", block);
        row("eight digits", "19900000,广东,广州,移动", block);
        row("not 1", "2990000,广东,广州,移动", block);
        row("letters", "199000x,广东,广州,移动", block);
        row("empty province", "1990000, ,广州,移动", "no province");
        row("short row", "1990000", "no province");
        row("empty carrier", "1990000,广东,广州,", "no carrier");
        row("unknown carrier", "1990000,广东,广州,虚拟运营商", "carrier not recognised");
        row("quote left open", "1990000,\"广东,广州,移动", quotes);
        row("text after quote", "1990000,\"广东\"省,广州,移动", quotes);
        row("quote in a name", "1990000,广东,广'州,移动", quoteInName);
        row("backslash in a name", "1990000,广东\\,广州,移动", quoteInName);
        row("outside GBK", "1990000,广东,广州\xF0\x9F\x98\x80,移动",
            "province or city holds a character GBK cannot write");
        row("not UTF-8", "1990000,\xB9\xE3\xB6\xAB,广州,移动", "not UTF-8 text");
        row("not GBK", "1990000,\xFF\xFF,gz,mobile", "not GBK text", true);
    }
    void badRows() {
        QFETCH(QByteArray, line);
        QFETCH(bool, gbk);
        QFETCH(QString, reason);
        const auto encoded = [gbk](const QByteArray &text) {
            return gbk ? Gbk(QString::fromUtf8(text)) : text;
        };
        const SegmentTableLoad load = Load(encoded(kHeader + "1990000,广东,广州,移动\n") + line +
                                           "\n" + encoded("1990002,浙江,杭州,电信\n"));
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
        const auto row = [](const char *tag, const QByteArray &bytes, const char *error) {
            QTest::newRow(tag) << bytes << QString::fromUtf8(error);
        };
        const char *notFile = "cannot read it: not a regular file",
                   *noHeader = "missing: block, province, carrier";
        row("no file", "-", "cannot read it: No such file or directory");
        row("directory", "/", notFile);
#ifndef _WIN32
        row("FIFO", "|", notFile); // must not wait for a writer
#endif
        row("empty", "", noHeader);
        row("blank lines only", "\n ,\r\n", noHeader);
        row("rows, no header", "1990000,广东,广州,移动\n", noHeader);
        row("no carrier column", "号段,省份,城市\n1990000,广东,广州\n", "missing: carrier");
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

    // Each fault in a file of two records, over a table of one block: the file
    // is refused whole, the table left as it was.
    void damagedPhoneDat_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const std::vector<std::string> records{"广东|广州|510000|020", "浙江|杭州|310000|0571"};
        const QByteArray good = PhoneDat(records, {{1990000, 0, 1}, {1990001, 1, 2}});
        const qsizetype index = good.size() - 18;
        const qsizetype second = 8 + qsizetype(records[0].size()) + 1; // offset of record 2
        const auto row = [](const char *tag, const QByteArray &bytes, const char *error) {
            QTest::newRow(tag) << bytes << QString::fromUtf8(error);
        };
        const auto patched = [&good](qsizetype at, uint32_t value) {
            QByteArray bytes = good;
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = char((value >> (8 * i)) & 0xff);
            return bytes;
        };
        const auto withEntries = [&records](const std::vector<phonedat::Entry> &entries) {
            return PhoneDat(records, entries);
        };
        const auto withRecord = [](const char *record) {
            return PhoneDat({"广东|广州|510000|020", record}, {{1990000, 0, 1}, {1990001, 1, 2}});
        };
        row("shorter than the header", QByteArray("2502\x2a\0", 6),
            "6 bytes, shorter than its 8-byte header");
        row("index offset inside the header", patched(4, 5),
            "index offset 5 lies inside the header");
        row("index offset past the end", patched(4, uint32_t(good.size() + 1)),
            "is past the end of the file");
        row("no entries", good.left(index), "no index entries");
        row("cut in an entry", good.chopped(4),
            "the index (14 bytes) ends in 5 bytes of a 9-byte entry; the file is cut short");
        QByteArray noNul = good;
        noNul[index - 1] = 'x';
        row("last record without its NUL", noNul,
            qPrintable(u"record at offset %1 has no NUL before the index"_s.arg(second)));
        row("unsorted", withEntries({{1990001, 1, 2}, {1990000, 0, 1}}),
            "entry 2 (block 1990000): comes after block 1990001; the index is not sorted");
        row("a block twice", withEntries({{1990000, 0, 1}, {1990000, 1, 2}}),
            "the index is not sorted");
        row("block of six digits", withEntries({{199000, 0, 1}, {1990001, 1, 2}}),
            "entry 1 (block 199000): the block is not seven digits beginning with 1");
        row("block of eight digits", patched(index + 9, 19900010),
            "entry 2 (block 19900010): the block is not seven digits");
        row("card type 0", withEntries({{1990000, 0, 0}, {1990001, 1, 2}}),
            "card type 0 is not one of 1 to 8");
        row("card type 9", withEntries({{1990000, 0, 1}, {1990001, 1, 9}}),
            "card type 9 is not one of 1 to 8");
        row("record offset past the records", patched(index + 13, uint32_t(index)),
            "is outside the records");
        row("record offset in the header", patched(index + 4, 4), "record offset 4 is outside");
        row("record offset inside a record", patched(index + 13, uint32_t(second + 3)),
            "points into the middle of a record");
        row("three fields", withRecord("浙江|杭州|310000"), "is not 省份|城市|邮编|区号");
        row("five fields", withRecord("浙江|杭州|310000|0571|x"), "is not 省份|城市|邮编|区号");
        row("no province", withRecord("|杭州|310000|0571"), "has no province");
        row("not UTF-8", withRecord("\xD5\xE3\xBD\xAD|x|1|2"), "is not UTF-8 text");
        row("quote in a name", withRecord("浙江|杭'州|1|2"), "quote or backslash");
        row("outside GBK", withRecord("浙江|杭州\xF0\x9F\x98\x80|1|2"), "GBK cannot write");
    }
    void damagedPhoneDat() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        SegmentTable base;
        base.Set(1990002, *base.AddRegion({"上海", "上海"}), "中国联通");
        const SegmentTableLoad load = Load(bytes, std::move(base));
        const QString text = QString::fromStdString(load.error);
        QVERIFY2(text.startsWith(u"damaged phone.dat: "_s) && text.contains(error),
                 qPrintable(text));
        QVERIFY(!text.contains(u'\n'));
        QCOMPARE(load.table.BlockCount(), size_t(1));
        QCOMPARE(load.table.RegionCount(), size_t(1));
        QCOMPARE(Find(load.table, "19900021234"), u"上海 上海 中国联通"_s);
        QCOMPARE(Find(load.table, "19900001234"), QString());
    }

    // The phone.dat of 2021-08 as it circulates, given to the binary.
    void binaryAnswersFromTheRealPhoneDat() {
        QTemporaryDir dir;
        const QString binary = CopyServiceInto(dir.path());
        QVERIFY(!binary.isEmpty());
        const ServiceProcess service(binary, {u"--segments"_s, QStringLiteral(PHONE_DAT_2021_08)});
        QVERIFY2(service.port > 0, qPrintable(service.output));
        QVERIFY2(service.output.contains(u"phone.dat of 2021-08, 454336 blocks loaded"_s),
                 qPrintable(service.output));
        const std::pair<const char *, QString> cases[] = {
            {"13000590000", u"广西 南宁 中国联通"_s}, // the built-in data say 广东 广州
            {"13000020000", u"安徽 巢湖 中国联通"_s}, // names as the file writes them
            {"13490001234", u"北京 北京 中国电信"_s}, // card type 4, 电信虚拟
            {"16710021234", u"北京 北京 中国联通"_s}, // 5, 联通虚拟
            {"16500011234", u"北京 北京 中国移动"_s}, // 6, 移动虚拟
            {"19200000000", u"广东 佛山 中国广电"_s}, // not in it: the built-in answer
            {"19900001234", QString()},               // in neither
        };
        TestClient client(service.port);
        for (const auto &[number, found] : cases)
            QCOMPARE(AskFor(client, number),
                     found.isEmpty() ? kUnknownAnswer : Known(QString::fromLatin1(number), found));
    }

    // The table over the built-in data, through the program's own client.
    void tableAnswersTheProgramsClient() {
        const TableFile file(Gbk(QStringLiteral(
            "号段,省份,城市,运营商\n1990000,广东,广州,中国移动\n1380013,上海,上海,联通\n")));
        SegmentTableLoad load = LoadSegmentTable(file.path.toStdString(), BuiltinSegments());
        QCOMPARE(load.loaded, size_t(2));
        RunningService service({}, std::move(load.table));
        QVERIFY(service.port > 0);
        LookupClient client(QStringLiteral("127.0.0.1:%1").arg(service.port), 10'000);
        QCOMPARE(LocationText(client.QueryLocation(u"19900001234"_s)), u"广东 移动"_s);
        QCOMPARE(LocationText(client.QueryLocation(u"13800138000"_s)), u"上海 联通"_s);
        QCOMPARE(LocationText(client.QueryLocation(u"13805710000"_s)), u"浙江 移动"_s);
        QCOMPARE(client.QueryLocation(u"19900011234"_s).outcome, LookupAnswer::Outcome::Refused);
        client.CancelTransfer();
    }

    // A table given by name must load; phone.dat and segments.csv beside the
    // binary are read unasked, the CSV over the phone.dat, a fault only warns.
    void commandLine_data() {
        QTest::addColumn<bool>("given");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("csvBeside"); // also segments.csv, when not empty
        QTest::addColumn<int>("exitCode");         // -1: serves
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("answer"); // for 19900001234, when serving
        const auto row = [](const char *tag, bool given, const QString &name,
                            const QByteArray &bytes, int exitCode, const char *firstLine,
                            const QString &answer = {}, const QByteArray &csvBeside = {}) {
            QTest::newRow(tag) << given << name << bytes << csvBeside << exitCode
                               << QString::fromUtf8(firstLine) << answer;
        };
        const QByteArray table = kHeader + "1990000,广东,广州,移动\nx\n";
        const QByteArray phoneDat = PhoneDat({"广东|广州|510000|020"}, {{1990000, 0, 1}});
        const QString csv = u"segments.csv"_s, dat = u"phone.dat"_s;
        const QString guangzhou = Known(u"19900001234"_s, u"广东 广州 中国移动"_s);
        row("given, loads", true, csv, table, -1,
            "segments.csv: UTF-8, 1 row loaded, 1 skipped (line 3: block is not seven digits "
            "beginning with 1)",
            guangzhou);
        row("given, no header", true, csv, "a,b\n", 1, "segments.csv: no header naming");
        row("given, absent", true, u"absent.csv"_s, "-", 1, "absent.csv: cannot read it");
        row("beside, loads", false, csv, table, -1, "segments.csv: UTF-8, 1 row loaded", guangzhou);
        row("beside, no header", false, csv, "a,b\n", -1, "warning: ", kUnknownAnswer);
        row("beside, absent", false, csv, "-", -1, "listening on 127.0.0.1:", kUnknownAnswer);
        row("phone.dat given, loads", true, u"update.bin"_s, phoneDat, -1,
            "update.bin: phone.dat of 2025-02, 1 block loaded", guangzhou);
        row("phone.dat given, damaged", true, dat, phoneDat.chopped(1), 1,
            "phone.dat: damaged phone.dat: the index (8 bytes) ends in");
        row("phone.dat beside, damaged", false, dat, phoneDat.chopped(1), -1,
            "phone.dat: damaged phone.dat", kUnknownAnswer);
        row("both beside: the CSV over the phone.dat", false, dat, phoneDat, -1,
            "phone.dat: phone.dat of 2025-02, 1 block loaded",
            Known(u"19900001234"_s, u"浙江 杭州 中国电信"_s), kHeader + "1990000,浙江,杭州,电信\n");
    }
    void commandLine() {
        QFETCH(bool, given);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, csvBeside);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        QFETCH(QString, answer);
        TableFile file(bytes, name);
        if (bytes == "-")
            QFile::remove(file.path);
        if (!csvBeside.isEmpty())
            QVERIFY(WriteFile(file.dir.filePath(u"segments.csv"_s), csvBeside));
        const QString binary = CopyServiceInto(file.dir.path());
        QVERIFY(!binary.isEmpty());
        QStringList arguments;
        if (given)
            arguments << u"--segments"_s << file.path;
        ServiceProcess service(binary, arguments);
        if (exitCode >= 0) {
            service.process.waitForFinished(10'000); // false when it has ended already
            QCOMPARE(service.process.state(), QProcess::NotRunning);
            QCOMPARE(service.process.exitCode(), exitCode);
            const QStringList lines =
                (service.output + QString::fromUtf8(service.process.readAllStandardError()))
                    .split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines[0].contains(firstLine), qPrintable(lines[0]));
            return;
        }
        QVERIFY2(service.port > 0, qPrintable(service.output));
        QVERIFY2(service.output.section(u'\n', 0, 0).contains(firstLine),
                 qPrintable(service.output));
        TestClient client(service.port);
        QCOMPARE(AskFor(client, "19900001234"), answer);
        QCOMPARE(AskFor(client, "13800138000"), kBeijingAnswer);
#ifndef _WIN32
        // SIGTERM stops it cleanly.
        service.process.terminate();
        QVERIFY(service.process.waitForFinished(10'000));
        QCOMPARE(service.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.process.exitCode(), 0);
#endif
    }
};

QTEST_GUILESS_MAIN(TestSegmentService)
#include "tst_segmentservice.moc"
