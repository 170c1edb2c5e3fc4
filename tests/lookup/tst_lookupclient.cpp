#include "lookup/lookupclient.h"
#include "loopbackserver.h"

#include <QElapsedTimer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

using Outcome = LookupAnswer::Outcome;
using Reply = LoopbackServer::Reply;

Q_DECLARE_METATYPE(LookupAnswer::Outcome)

namespace {
Reply Body(const QByteArray &body, const QByteArray &contentType = "text/javascript") {
    Reply r;
    r.body = body;
    r.contentType = contentType;
    return r;
}

QByteArray Gbk(const QString &text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QByteArray NestedBraces(int depth) {
    return QByteArray(depth, '{') + "telString:1" + QByteArray(depth, '}');
}
} // namespace

class TestLookupClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void sendsTheNumberAsGiven_data();
    void sendsTheNumberAsGiven();
    void answers_data();
    void answers();
    void charsets_data();
    void charsets();
    void hostileAnswersAreRefused_data();
    void hostileAnswersAreRefused();
    void bodyOfAnyStatusIsTheAnswer();
    void failedTransfers_data();
    void failedTransfers();
    void connectionRefused();
    void lookupsAreIndependent();
    void cancelDropsKeptConnection();
    void locationText();

private:
    LoopbackServer *m_server = nullptr;
};

void TestLookupClient::init() {
    m_server = new LoopbackServer;
    QVERIFY(m_server->start());
}

void TestLookupClient::cleanup() {
    delete m_server;
    m_server = nullptr;
}

void TestLookupClient::sendsTheNumberAsGiven_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("rawQuery");

    QTest::newRow("digits") << "13800138000" << QByteArray("tel=13800138000");
    QTest::newRow("leading blank") << " 1380013800" << QByteArray("tel=%201380013800");
    QTest::newRow("plus sign") << "+1380013800" << QByteArray("tel=%2B1380013800");
    QTest::newRow("ampersand") << "138&tel=999" << QByteArray("tel=138%26tel%3D999");
    QTest::newRow("decimal point") << "13800.13800" << QByteArray("tel=13800.13800");
}

void TestLookupClient::sendsTheNumberAsGiven() {
    QFETCH(QString, number);
    QFETCH(QByteArray, rawQuery);
    m_server->enqueue(Body(ZoneAnswer(number, QStringLiteral("北京"), QStringLiteral("中国移动"))));

    LookupClient client(m_server->hostAndPort(), 5000);
    client.QueryLocation(number);

    QCOMPARE(m_server->requestCount(), 1);
    const LoopbackServer::Request req = m_server->requests().first();
    QCOMPARE(req.method, QByteArray("GET"));
    QCOMPARE(req.path, QStringLiteral("/cc/json/mobile_tel_segment.htm"));
    QCOMPARE(req.rawQuery, rawQuery);
    QCOMPARE(req.tel, number);
}

void TestLookupClient::answers_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("carrier");

    const QString real = QString::fromUtf8(ZoneAnswer(
        QStringLiteral("13800138000"), QStringLiteral("北京"), QStringLiteral("中国移动")));
    QTest::newRow("real shape with tabs and line breaks") << real << Outcome::Accepted << "北京"
                                                          << "移动";
    QTest::newRow("strict JSON")
        << R"({"telString":"13800138000","province":"浙江","catName":"中国联通"})"
        << Outcome::Accepted << "浙江"
        << "联通";
    QTest::newRow("assignment with blanks")
        << "zone = {\n\ttelString:'1',\n\tprovince:'内蒙古',\n\tcatName:'中国电信'\n}"
        << Outcome::Accepted << "内蒙古"
        << "电信";
    QTest::newRow("marker in capitals")
        << "{TELSTRING:'1',province:'北京',catName:'中国移动'}" << Outcome::Refused << ""
        << "";
    QTest::newRow("marker with capital first letter")
        << "{TelString:'1',province:'北京',catName:'中国移动'}" << Outcome::Refused << ""
        << "";
    QTest::newRow("marker inside a string value")
        << "{note:'no telString here',province:'北京',catName:'中国移动'}" << Outcome::Accepted
        << "北京"
        << "移动";
    QTest::newRow("catName of one character")
        << "{telString:1,province:'北京',catName:'移'}" << Outcome::Refused << ""
        << "";
    QTest::newRow("catName of two characters")
        << "{telString:1,province:'北京',catName:'中国'}" << Outcome::Accepted << "北京"
        << "";
    QTest::newRow("catName of three characters")
        << "{telString:1,province:'北京',catName:'中国移'}" << Outcome::Accepted << "北京"
        << "移";
    QTest::newRow("catName of four characters")
        << "{telString:1,province:'北京',catName:'中国移动'}" << Outcome::Accepted << "北京"
        << "移动";
    QTest::newRow("province missing")
        << "{telString:1,catName:'中国移动'}" << Outcome::Refused << ""
        << "";
    QTest::newRow("catName null") << "{telString:1,province:'北京',catName:null}"
                                  << Outcome::Refused << ""
                                  << "";
    QTest::newRow("numbers taken as text")
        << "{telString:1,province:10,catName:12345}" << Outcome::Accepted << "10"
        << "345";
    QTest::newRow("not an object") << "'telString'" << Outcome::Refused << ""
                                   << "";
    QTest::newRow("error page with the marker")
        << "<html>telString not found</html>" << Outcome::Refused << ""
        << "";
}

void TestLookupClient::answers() {
    QFETCH(QString, body);
    QFETCH(Outcome, outcome);
    QFETCH(QString, province);
    QFETCH(QString, carrier);
    m_server->enqueue(Body(body.toUtf8(), "text/javascript; charset=utf-8"));

    LookupClient client(m_server->hostAndPort(), 5000);
    const LookupAnswer answer = client.QueryLocation(QStringLiteral("13800138000"));
    QCOMPARE(answer.outcome, outcome);
    if (outcome == Outcome::Accepted) {
        QCOMPARE(answer.province, province);
        QCOMPARE(answer.carrier, carrier);
    }
}

void TestLookupClient::charsets_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");

    const QString text =
        QStringLiteral("zone = {telString:'1',province:'广西',catName:'中国联通'}");
    QTest::newRow("GBK with charset") << Gbk(text) << QByteArray("text/javascript; charset=GBK");
    QTest::newRow("GBK without charset") << Gbk(text) << QByteArray("text/javascript");
    QTest::newRow("GBK without content type") << Gbk(text) << QByteArray();
    QTest::newRow("UTF-8 without charset") << text.toUtf8() << QByteArray("text/plain");
    QTest::newRow("unknown charset, GBK bytes")
        << Gbk(text) << QByteArray("text/plain; charset=x-nonsense");
}

void TestLookupClient::charsets() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    m_server->enqueue(Body(body, contentType));

    LookupClient client(m_server->hostAndPort(), 5000);
    const LookupAnswer answer = client.QueryLocation(QStringLiteral("13000000000"));
    QVERIFY(answer.accepted());
    QCOMPARE(answer.province, QStringLiteral("广西"));
    QCOMPARE(answer.carrier, QStringLiteral("联通"));
}

void TestLookupClient::hostileAnswersAreRefused_data() {
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("unterminated string") << QByteArray("{telString:'1, province:'x");
    QTest::newRow("100,000 nested braces") << NestedBraces(100000);
    QTest::newRow("call") << QByteArray("alert(1)//telString");
    QTest::newRow("endless loop") << QByteArray("while(1){} //telString");
    QTest::newRow("function") << QByteArray(
        "function(){return {telString:1,province:'a',catName:'bbcc'}}");
    QTest::newRow("operator") << QByteArray("{telString:1,province:'a'+'b',catName:'中国移动'}");
    QTest::newRow("5 MiB body") << QByteArray("{telString:'") + QByteArray(5 << 20, 'x') +
                                       QByteArray("'}");
}

void TestLookupClient::hostileAnswersAreRefused() {
    QFETCH(QByteArray, body);
    m_server->enqueue(Body(body));

    LookupClient client(m_server->hostAndPort(), 10000);
    QCOMPARE(client.QueryLocation(QStringLiteral("13800138000")).outcome, Outcome::Refused);
}

void TestLookupClient::bodyOfAnyStatusIsTheAnswer() {
    Reply r =
        Body(ZoneAnswer(QStringLiteral("1"), QStringLiteral("江苏"), QStringLiteral("中国电信")));
    r.status = 404;
    m_server->enqueue(r);
    r.status = 500;
    m_server->enqueue(r);

    LookupClient client(m_server->hostAndPort(), 5000);
    for (int i = 0; i < 2; ++i) {
        const LookupAnswer answer = client.QueryLocation(QStringLiteral("13300000000"));
        QVERIFY(answer.accepted());
        QCOMPARE(LocationText(answer), QStringLiteral("江苏 电信"));
    }
}

void TestLookupClient::failedTransfers_data() {
    QTest::addColumn<Reply>("reply");

    Reply dropped;
    dropped.dropConnection = true;
    QTest::newRow("connection closed without an answer") << dropped;

    Reply slow =
        Body(ZoneAnswer(QStringLiteral("1"), QStringLiteral("北京"), QStringLiteral("中国移动")));
    slow.delayMs = 5000;
    QTest::newRow("time-out") << slow;

    Reply stalled = slow;
    stalled.delayMs = 0;
    stalled.stallAfterHeaders = true;
    QTest::newRow("body stops half-way") << stalled;
}

void TestLookupClient::failedTransfers() {
    QFETCH(Reply, reply);
    // Qt sends a request again once when the connection closes before any
    // answer, so every request gets the same treatment.
    m_server->setHandler([reply](const LoopbackServer::Request &) { return reply; });

    LookupClient client(m_server->hostAndPort(), 300);
    QCOMPARE(client.QueryLocation(QStringLiteral("13800138000")).outcome, Outcome::TransferFailed);
}

void TestLookupClient::connectionRefused() {
    const QString host = m_server->hostAndPort();
    m_server->stop();
    LookupClient client(host, 5000);
    QCOMPARE(client.QueryLocation(QStringLiteral("13800138000")).outcome, Outcome::TransferFailed);

    LookupClient badHost(QStringLiteral("no host here"), 5000);
    QCOMPARE(badHost.QueryLocation(QStringLiteral("13800138000")).outcome, Outcome::TransferFailed);
}

void TestLookupClient::lookupsAreIndependent() {
    Reply first =
        Body(ZoneAnswer(QStringLiteral("1"), QStringLiteral("北京"), QStringLiteral("中国移动")));
    first.extraHeaders = "Set-Cookie: session=abc; Path=/\r\n";
    m_server->enqueue(first);
    m_server->enqueue(Body("{telString:'2',catName:'中国联通'}"));

    LookupClient client(m_server->hostAndPort(), 5000);
    QVERIFY(client.QueryLocation(QStringLiteral("13800138000")).accepted());
    const LookupAnswer second = client.QueryLocation(QStringLiteral("13000000000"));
    QCOMPARE(second.outcome, Outcome::Refused);
    QVERIFY(second.province.isEmpty());
    QVERIFY(!m_server->requests().at(1).headers.toLower().contains("cookie"));
}

void TestLookupClient::cancelDropsKeptConnection() {
    m_server->setHandler([](const LoopbackServer::Request &req) {
        return Body(ZoneAnswer(req.tel, QStringLiteral("北京"), QStringLiteral("中国移动")));
    });
    LookupClient client(m_server->hostAndPort(), 5000);
    client.CancelTransfer(); // nothing open: no effect
    QVERIFY(client.QueryLocation(QStringLiteral("13800138000")).accepted());
    QVERIFY(client.QueryLocation(QStringLiteral("13800138001")).accepted());
    QCOMPARE(m_server->connectionCount(), 1);
    client.CancelTransfer();
    QVERIFY(client.QueryLocation(QStringLiteral("13800138002")).accepted());
    QCOMPARE(m_server->connectionCount(), 2);
}

void TestLookupClient::locationText() {
    LookupAnswer answer;
    answer.outcome = Outcome::Accepted;
    answer.province = QStringLiteral("北京");
    answer.carrier = QString();
    QCOMPARE(LocationText(answer), QStringLiteral("北京 "));
}

QTEST_GUILESS_MAIN(TestLookupClient)
#include "tst_lookupclient.moc"
