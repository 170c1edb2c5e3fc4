// The parts of the answer without HTTP: carrier table, province names,
// the block cache, the encoding, the listen address.
#include "carrierprefixes.h"
#include "gbktext.h"
#include "listenaddress.h"
#include "regionlookup.h"

#include <QtTest>

namespace {

QByteArray Bytes(const std::string &s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}
QString Utf8(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

class TestSegmentAnswer : public QObject {
    Q_OBJECT
private slots:
    void carrierByPrefix_data();
    void carrierByPrefix();
    void regionDescription_data();
    void regionDescription();
    void regionLookupByBlock();
    void gbkEncoding();
    void listenAddress_data();
    void listenAddress();
};

void TestSegmentAnswer::carrierByPrefix_data() {
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QString>("carrier");
    const QString mobile = QStringLiteral("中国移动"), unicom = QStringLiteral("中国联通"),
                  telecom = QStringLiteral("中国电信"), broadnet = QStringLiteral("中国广电");
    QTest::newRow("134") << QByteArray("13412345678") << mobile;
    QTest::newRow("147") << QByteArray("14712345678") << mobile;
    QTest::newRow("130") << QByteArray("13012345678") << unicom;
    QTest::newRow("166") << QByteArray("16612345678") << unicom;
    QTest::newRow("133") << QByteArray("13312345678") << telecom;
    QTest::newRow("149") << QByteArray("14912345678") << telecom;
    QTest::newRow("192") << QByteArray("19212345678") << broadnet;
    // Virtual operators: 170 is split by its fourth digit, 171 is Unicom's.
    QTest::newRow("1700") << QByteArray("17001234567") << telecom;
    QTest::newRow("1703") << QByteArray("17031234567") << mobile;
    QTest::newRow("1706") << QByteArray("17061234567") << mobile;
    QTest::newRow("1704") << QByteArray("17041234567") << unicom;
    QTest::newRow("171") << QByteArray("17101234567") << unicom;
    QTest::newRow("162") << QByteArray("16212345678") << telecom;
    QTest::newRow("165") << QByteArray("16512345678") << mobile;
    QTest::newRow("167") << QByteArray("16712345678") << unicom;
    // Not mobile blocks, or not allocated to a mobile network.
    QTest::newRow("1349 satellite") << QByteArray("13491234567") << QString();
    QTest::newRow("154") << QByteArray("15412345678") << QString();
    QTest::newRow("110") << QByteArray("11012345678") << QString();
    QTest::newRow("2") << QByteArray("23812345678") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestSegmentAnswer::carrierByPrefix() {
    QFETCH(QByteArray, number);
    QFETCH(QString, carrier);
    QCOMPARE(Utf8(CarrierForNumber(number.toStdString())), carrier);
}

void TestSegmentAnswer::regionDescription_data() {
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::newRow("municipality") << QByteArray("北京市") << "北京"
                                  << "北京";
    QTest::newRow("province") << QByteArray("浙江省杭州市") << "浙江"
                              << "杭州市";
    QTest::newRow("three-character province") << QByteArray("黑龙江省哈尔滨市") << "黑龙江"
                                              << "哈尔滨市";
    QTest::newRow("autonomous region, short") << QByteArray("广西南宁市") << "广西"
                                              << "南宁市";
    QTest::newRow("Inner Mongolia") << QByteArray("内蒙古呼和浩特市") << "内蒙古"
                                    << "呼和浩特市";
    QTest::newRow("prefecture") << QByteArray("新疆喀什地区") << "新疆"
                                << "喀什地区";
    QTest::newRow("autonomous region, long") << QByteArray("广西壮族自治区南宁市") << "广西"
                                             << "南宁市";
    QTest::newRow("province alone") << QByteArray("西藏") << "西藏"
                                    << "西藏";
    QTest::newRow("country only") << QByteArray("中国") << ""
                                  << "";
    QTest::newRow("empty") << QByteArray("") << ""
                           << "";
    QTest::newRow("cut UTF-8") << QByteArray("\xe5\x8c") << ""
                               << "";
}

void TestSegmentAnswer::regionDescription() {
    QFETCH(QByteArray, description);
    QFETCH(QString, province);
    QFETCH(QString, city);
    const Region region = SplitRegionDescription(description.toStdString());
    QCOMPARE(Utf8(region.province), province);
    QCOMPARE(Utf8(region.city), city);
}

void TestSegmentAnswer::regionLookupByBlock() {
    // Answers are remembered per seven-digit block: a second look, a
    // neighbour in the same block and a block without data next to known
    // ones must all come out as if asked afresh.
    const RegionLookup regions;
    for (int pass = 0; pass < 2; ++pass) {
        const Region beijing = regions.ForNumber("13800138000");
        QCOMPARE(Utf8(beijing.province), QStringLiteral("北京"));
        QCOMPARE(Utf8(regions.ForNumber("13800139999").province), QStringLiteral("北京"));
        QCOMPARE(Utf8(regions.ForNumber("13805710000").city), QStringLiteral("杭州市"));
        QVERIFY(regions.ForNumber("19200000000").province.empty());
    }
    // Not eleven digits beginning with 1: nothing, and no table slot touched.
    QVERIFY(regions.ForNumber("1380013800").province.empty());
    QVERIFY(regions.ForNumber("1380013800a0").province.empty());
    QVERIFY(regions.ForNumber("13a00138000").province.empty());
    QVERIFY(regions.ForNumber("23800138000").province.empty());
    QVERIFY(regions.ForNumber("").province.empty());
}

void TestSegmentAnswer::gbkEncoding() {
    QCOMPARE(Bytes(Utf8ToGbk("北京 中国移动").value()), QByteArray::fromHex("b1b1bea9"
                                                                            "20"
                                                                            "d6d0b9fad2c6b6af"));
    QCOMPARE(Bytes(Utf8ToGbk("zone = {\n\t'x'}").value()), QByteArray("zone = {\n\t'x'}"));
    QCOMPARE(Bytes(Utf8ToGbk("").value()), QByteArray());
    QVERIFY(!Utf8ToGbk("\xe5\x8c").has_value());         // cut UTF-8
    QVERIFY(!Utf8ToGbk("\xf0\x9f\x98\x80").has_value()); // an emoji, not in GBK
    // After a failure the next conversion starts clean.
    QCOMPARE(Bytes(Utf8ToGbk("浙江").value()), QByteArray::fromHex("d5e3bdad"));
}

void TestSegmentAnswer::listenAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("loopback") << "127.0.0.1:8080" << true << "127.0.0.1" << 8080;
    QTest::newRow("name") << "localhost:65535" << true << "localhost" << 65535;
    QTest::newRow("IPv6") << "[::1]:9000" << true << "::1" << 9000;
    QTest::newRow("no port") << "127.0.0.1" << false << "" << 0;
    QTest::newRow("no host") << ":8080" << false << "" << 0;
    QTest::newRow("port too big") << "127.0.0.1:65536" << false << "" << 0;
    QTest::newRow("letters") << "127.0.0.1:80a" << false << "" << 0;
    QTest::newRow("huge") << "127.0.0.1:99999999999999999999" << false << "" << 0;
}

void TestSegmentAnswer::listenAddress() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto address = ParseListenAddress(text.toStdString());
    QCOMPARE(address.has_value(), valid);
    if (valid) {
        QFETCH(QString, host);
        QFETCH(int, port);
        QCOMPARE(QString::fromStdString(address->host), host);
        QCOMPARE(address->port, port);
    }
}

QTEST_GUILESS_MAIN(TestSegmentAnswer)
#include "tst_segmentanswer.moc"
