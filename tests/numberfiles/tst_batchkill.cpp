#include "loopbackserver.h"
#include "recordedcontext.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A batch run that is killed leaves a log with every row it finished.
class TestBatchKill : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedRunKeepsFinishedRows();
};

void TestBatchKill::killedRunKeepsFinishedRows() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LoopbackServer server;
    QVERIFY(server.start());
    server.setHandler([](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(request.tel, QStringLiteral("广东"), QStringLiteral("中国移动"));
        return reply;
    });

    QProcess runner;
    runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    runner.start(QStringLiteral(BATCH_RUNNER),
                 {server.hostAndPort(), dir.path(), QStringLiteral("100000")});
    QVERIFY2(runner.waitForStarted(), qPrintable(runner.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(server.requestCount() >= 25, 60'000);
    runner.kill();
    // Nothing is served between the kill and this count.
    const int answered = server.requestCount();
    QVERIFY(runner.waitForFinished(10'000));
    QCOMPARE(runner.exitStatus(), QProcess::CrashExit);

    const QByteArray log = ReadWholeFile(dir.filePath(QStringLiteral("tarvio.txt")));
    QVERIFY(log.endsWith("\r\n"));
    QList<QByteArray> lines = log.split('\n');
    lines.removeLast(); // after the last line end
    QCOMPARE(lines.value(0), QStringLiteral("序号\t手机号\t\t归属地\r").toUtf8());
    const int rows = int(lines.size()) - 1;
    // The answer last sent may not have reached the runner.
    QVERIFY2(rows == answered || rows == answered - 1,
             qPrintable(QStringLiteral("%1 rows logged, %2 answered").arg(rows).arg(answered)));
    for (int i = 1; i <= rows; ++i) {
        const QByteArray expected = QByteArray::number(i) + "\t138" +
                                    QByteArray::number(i).rightJustified(8, '0') + '\t' +
                                    QStringLiteral("广东 移动\r").toUtf8();
        QCOMPARE(lines[i], expected);
    }
}

QTEST_GUILESS_MAIN(TestBatchKill)
#include "tst_batchkill.moc"
