#include "loopbackserver.h"
#include "recordingview.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A batch run that is killed leaves a log with every row it finished, each
// line whole, in row order.
class TestBatchKill : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedRunKeepsFinishedRows() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        LoopbackServer server;
        QVERIFY(server.Start());
        server.SetHandler([](const LoopbackServer::Request &request) {
            LoopbackServer::Reply reply;
            reply.body = ZoneAnswer(request.tel, u"广东"_s, u"中国移动"_s);
            return reply;
        });
        QProcess runner;
        runner.setProcessChannelMode(QProcess::ForwardedChannels);
        runner.start(QStringLiteral(BATCH_RUNNER),
                     {server.HostAndPort(), dir.path(), u"1000000"_s});
        QVERIFY2(runner.waitForStarted(), qPrintable(runner.errorString()));
        // The log is written in runs of rows: lines may come some requests after the answers.
        const QString log = dir.filePath(u"tarvio.txt"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            server.RequestCount() >= 25 && ReadLogText(log).count(u"\r\n"_s) >= 3, 60'000);
        runner.kill();
        const int answered = server.RequestCount(); // nothing is served from here on
        QVERIFY(runner.waitForFinished(10'000));
        QCOMPARE(runner.exitStatus(), QProcess::CrashExit);

        QStringList lines = ReadLogText(log).split(u"\r\n"_s);
        QCOMPARE(lines.takeLast(), QString()); // the last line is complete
        QCOMPARE(lines.takeFirst(), u"序号\t手机号\t\t归属地"_s);
        QVERIFY2(!lines.isEmpty() && lines.size() <= answered,
                 qPrintable(QStringLiteral("%1 of %2 logged").arg(lines.size()).arg(answered)));
        for (int i = 1; i <= lines.size(); ++i)
            QCOMPARE(lines[i - 1], QString::number(i) + u"\t138"_s +
                                       QString::number(i).rightJustified(8, u'0') +
                                       u"\t广东 移动"_s);
    }
};

QTEST_GUILESS_MAIN(TestBatchKill)
#include "tst_batchkill.moc"
