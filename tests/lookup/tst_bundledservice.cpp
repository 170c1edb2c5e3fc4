// The program starts its service at the built-in host when none answers there, asks a host
// set at build time as it is, and what it starts ends with it, even when killed.
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

// What may hold the port where the program looks for its service.
enum class Holder {
    Nobody,
    CompatibleService,
    NotFoundPages,
    AnswersWithoutMarker,
    NotHttp,
    Silent
};

// Starts `server` acting as `holder`.
bool ActAs(LoopbackServer &server, Holder holder) {
    server.SetHandler([holder](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply;
        reply.status = holder == Holder::NotFoundPages ? 404 : 200;
        reply.notHttp = holder == Holder::NotHttp;
        reply.held = holder == Holder::Silent;
        if (holder == Holder::CompatibleService)
            reply.body = ZoneAnswer(request.tel, u"火星"_s, u"中国移动"_s);
        else if (holder == Holder::NotFoundPages)
            reply.body = "<html>Not Found</html>";
        else if (holder == Holder::AnswersWithoutMarker)
            reply.body = UnknownZoneAnswer();
        else if (holder == Holder::NotHttp)
            reply.body = "220 mail.example ESMTP ready\r\n";
        return reply;
    });
    return server.Start();
}
} // namespace

Q_DECLARE_METATYPE(Holder)

class TestBundledService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWhenNothingAnswers_data() {
        QTest::addColumn<bool>("beside");
        QTest::newRow("the service beside the program") << true;
        QTest::newRow("nothing beside the program") << false;
    }
    void startsWhenNothingAnswers() {
        QFETCH(bool, beside);
        const QString host = LocalHost(FreeLoopbackPort());
        const QTemporaryDir empty;
        {
            BundledService service(host, host, beside ? ServiceDirectory() : empty.path());
            QCOMPARE(service.Started(), beside);
            QCOMPARE(service.Host(), host);
            QCOMPARE(service.Notice(), QString());
            QVERIFY(service.WaitUntilReady());
            QCOMPARE(Answers(service.Host()), beside);
        }
        QVERIFY(!SomethingListens(u"127.0.0.1"_s, PortOf(host)));
    }

    void usesOursWhenItAnswers() {
        const QString host = LocalHost(FreeLoopbackPort());
        BundledService first(host, host, ServiceDirectory());
        QVERIFY(first.WaitUntilReady());
        BundledService second(host, host, ServiceDirectory());
        QVERIFY(!second.Started());
        QCOMPARE(second.Host(), host);
        QVERIFY(second.WaitUntilReady());
    }

    void usesACompatibleServiceAtTheBuiltInHost() {
        LoopbackServer other;
        QVERIFY(ActAs(other, Holder::CompatibleService));
        BundledService service(other.HostAndPort(), other.HostAndPort(), ServiceDirectory());
        QVERIFY(!service.Started());
        QCOMPARE(service.Host(), other.HostAndPort());
        QCOMPARE(service.Notice(), QString());
        QVERIFY(service.WaitUntilReady());
        LookupClient client(service.Host(), 10'000);
        QCOMPARE(client.QueryLocation(u"13900139000"_s).province, u"火星"_s);
    }

    void movesAsideFromAStranger_data() {
        QTest::addColumn<Holder>("holder");
        QTest::addColumn<bool>("beside"); // the service is beside the program
        QTest::newRow("HTTP, 404 for everything") << Holder::NotFoundPages << true;
        QTest::newRow("HTTP, but no telString") << Holder::AnswersWithoutMarker << true;
        QTest::newRow("another protocol") << Holder::NotHttp << true;
        QTest::newRow("accepts and never answers") << Holder::Silent << true;
        QTest::newRow("no service to start: no lookups") << Holder::AnswersWithoutMarker << false;
    }

    void movesAsideFromAStranger() {
        QFETCH(Holder, holder);
        QFETCH(bool, beside);
        LoopbackServer stranger;
        QVERIFY(ActAs(stranger, holder));
        const QTemporaryDir empty;
        const QString host = stranger.HostAndPort();
        BundledService service(host, host, beside ? ServiceDirectory() : empty.path());
        QCOMPARE(service.Started(), beside);
        QVERIFY(service.Notice().contains(host));
        if (!beside) {
            QCOMPARE(service.Host(), QString());
            QCOMPARE(LookupClient(service.Host()).QueryLocation(u"13800138000"_s).outcome,
                     LookupAnswer::Outcome::TransferFailed);
            return;
        }
        QVERIFY(service.Host() != host);
        QVERIFY(service.Notice().contains(service.Host()));
        QVERIFY(service.WaitUntilReady());
        QVERIFY(Answers(service.Host()));
    }

    // A host set at build time is not looked at, nothing started, nobody told.
    void asksAConfiguredHostAsItIs_data() {
        QTest::addColumn<Holder>("holder");
        QTest::newRow("a compatible service") << Holder::CompatibleService;
        QTest::newRow("a program that does not answer the protocol") << Holder::NotFoundPages;
        QTest::newRow("nothing") << Holder::Nobody;
    }

    void asksAConfiguredHostAsItIs() {
        QFETCH(Holder, holder);
        LoopbackServer configured;
        QVERIFY(ActAs(configured, holder));
        if (holder == Holder::Nobody)
            configured.Stop();
        const QString builtIn = LocalHost(FreeLoopbackPort());
        BundledService service(configured.HostAndPort(), builtIn, ServiceDirectory());
        QVERIFY(!service.Started());
        QCOMPARE(service.Host(), configured.HostAndPort());
        QCOMPARE(service.Notice(), QString());
        QCOMPARE(configured.ConnectionCount(), 0);
        QVERIFY(service.WaitUntilReady());
        QVERIFY(!SomethingListens(u"127.0.0.1"_s, PortOf(builtIn)));
    }

    void endsWithAKilledProgram() {
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
};

QTEST_GUILESS_MAIN(TestBundledService)
#include "tst_bundledservice.moc"
