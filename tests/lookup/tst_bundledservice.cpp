// The program starts its own segment service when nothing of ours answers
// where it looks, and the service ends with the program, even a killed one.
#include "bundledservice.h"
#include "clientsocket.h"
#include "lookupclient.h"
#include "loopbackserver.h"
#include "serviceprobe.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The service lies beside the tests in the build.
QString ServiceDirectory() {
    return QCoreApplication::applicationDirPath();
}

QString LocalHost(quint16 port) {
    return u"127.0.0.1:%1"_s.arg(port);
}

quint16 PortOf(const QString &hostAndPort) {
    return hostAndPort.section(u':', -1).toUShort();
}

bool Answers(const QString &host) {
    LookupClient client(host, 10'000);
    return client.QueryLocation(u"13800138000"_s).accepted();
}
} // namespace

class TestBundledService : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWhenNothingAnswers();
    void usesOursWhenItAnswers();
    void movesAsideFromAStranger();
    void strangerAndNoServiceMeansNoLookups();
    void nothingToStartBesideTheProgram();
    void endsWithAKilledProgram();
};

void TestBundledService::startsWhenNothingAnswers() {
    const QString host = LocalHost(FreeLoopbackPort());
    quint16 port = 0;
    {
        BundledService service(host, ServiceDirectory());
        QVERIFY(service.Started());
        QCOMPARE(service.Host(), host);
        QCOMPARE(service.Notice(), QString());
        QVERIFY(service.WaitUntilReady({}));
        QVERIFY(Answers(service.Host()));
        port = PortOf(service.Host());
    }
    QVERIFY(!SomethingListens(u"127.0.0.1"_s, port));
}

void TestBundledService::usesOursWhenItAnswers() {
    const QString host = LocalHost(FreeLoopbackPort());
    BundledService first(host, ServiceDirectory());
    QVERIFY(first.WaitUntilReady({}));
    BundledService second(host, ServiceDirectory());
    QVERIFY(!second.Started());
    QCOMPARE(second.Host(), host);
    QVERIFY(second.WaitUntilReady({}));
}

void TestBundledService::movesAsideFromAStranger() {
    LoopbackServer stranger; // answers everything with a 404 and no name of ours
    QVERIFY(stranger.Start());
    BundledService service(stranger.HostAndPort(), ServiceDirectory());
    QVERIFY(service.Started());
    QVERIFY(service.Host() != stranger.HostAndPort());
    QVERIFY(service.Notice().contains(stranger.HostAndPort()));
    QVERIFY(service.Notice().contains(service.Host()));
    QVERIFY(service.WaitUntilReady({}));
    QVERIFY(Answers(service.Host()));
}

void TestBundledService::strangerAndNoServiceMeansNoLookups() {
    LoopbackServer stranger;
    QVERIFY(stranger.Start());
    stranger.SetHandler([](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply; // an answer the program would take
        reply.body = ZoneAnswer(request.tel, u"火星"_s, u"中国移动"_s);
        return reply;
    });
    QTemporaryDir empty;
    BundledService service(stranger.HostAndPort(), empty.path());
    QVERIFY(!service.Started());
    QCOMPARE(service.Host(), QString());
    QVERIFY(service.Notice().contains(stranger.HostAndPort()));
    QCOMPARE(LookupClient(service.Host()).QueryLocation(u"13800138000"_s).outcome,
             LookupAnswer::Outcome::TransferFailed);
}

void TestBundledService::nothingToStartBesideTheProgram() {
    const QString host = LocalHost(FreeLoopbackPort());
    QTemporaryDir empty;
    BundledService service(host, empty.path());
    QVERIFY(!service.Started());
    QCOMPARE(service.Host(), host);
    QCOMPARE(service.Notice(), QString());
    QVERIFY(service.WaitUntilReady({}));
}

void TestBundledService::endsWithAKilledProgram() {
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(SERVICE_STARTER),
                  {LocalHost(FreeLoopbackPort()), ServiceDirectory()});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QVERIFY(program.waitForReadyRead(60'000));
    const QByteArray line = program.readLine().trimmed();
    QVERIFY2(line.startsWith("ready "), line.constData());
    const QString host = QString::fromLatin1(line.mid(6));
    QVERIFY(Answers(host));

    program.kill();
    QVERIFY(program.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!SomethingListens(u"127.0.0.1"_s, PortOf(host)), 20'000);
}

QTEST_GUILESS_MAIN(TestBundledService)
#include "tst_bundledservice.moc"
