#include "lookup/batchquery.h"
#include "lookup/lookupclient.h"
#include "loopbackserver.h"
#include "numberfiles/importnumberlist.h"
#include "numberfiles/programdirectory.h"
#include "numberfiles/saveresults.h"
#include "recordedcontext.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
const QString NotImported = QStringLiteral("你还没有导入号码呢！");
const QString NotQueried = QStringLiteral("你还没有查询呢！");
const QString Saved = QStringLiteral("手机归属地信息已保存到软件目录\r下 tarvio.txt 文件中！");
} // namespace

class TestSaveResults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void onlyTheTopRowCounts_data();
    void onlyTheTopRowCounts();
    void afterTheCommands();
};

void TestSaveResults::onlyTheTopRowCounts_data() {
    QTest::addColumn<QStringList>("locations");
    QTest::addColumn<QString>("message");

    QTest::newRow("no rows") << QStringList() << NotImported;
    QTest::newRow("nothing looked up") << QStringList{"", ""} << NotQueried;
    QTest::newRow("later rows found") << QStringList{"", "广东 移动"} << NotQueried;
    QTest::newRow("top row found") << QStringList{"广东 移动", ""} << Saved;
    QTest::newRow("blanks are a location") << QStringList{" "} << Saved;
}

void TestSaveResults::onlyTheTopRowCounts() {
    QFETCH(QStringList, locations);
    QFETCH(QString, message);

    RecordedContext ctx;
    ctx.fill(QStringList(locations.size(), QStringLiteral("13800138000")), locations);
    SaveResults(ctx.context);
    QCOMPARE(ctx.events, QStringList{RecordedContext::PromptPrefix + message});
    for (int i = 1; i <= locations.size(); ++i)
        QCOMPARE(ctx.lv.Location(i), locations[i - 1]);
}

void TestSaveResults::afterTheCommands() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SetProgramDirectory(dir.path());
    LoopbackServer server;
    QVERIFY(server.start());
    // 13900139000 is unknown to the service; every other number is found.
    server.setHandler([](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply;
        if (request.tel != QLatin1String("13900139000"))
            reply.body =
                ZoneAnswer(request.tel, QStringLiteral("广东"), QStringLiteral("中国移动"));
        return reply;
    });
    LookupClient client(server.hostAndPort(), 10'000);
    RecordedContext ctx(&client);
    const auto lastPrompt = [&] {
        ctx.events.clear();
        SaveResults(ctx.context);
        return ctx.prompts().value(0);
    };

    QCOMPARE(lastPrompt(), NotImported);

    const QString path = dir.filePath(QStringLiteral("numbers.txt"));
    QVERIFY(WriteWholeFile(path, "13900139000\r\n13800138000\r\n"));
    ctx.dialogChoice = path;
    ImportNumberList(ctx.context);
    QCOMPARE(lastPrompt(), NotQueried);

    RunBatchQuery(ctx.context);
    QVERIFY(!ctx.lv.Location(2).isEmpty());
    QCOMPARE(lastPrompt(), NotQueried);

    QVERIFY(WriteWholeFile(path, "13800138000\r\n13900139000\r\n"));
    ImportNumberList(ctx.context);
    RunBatchQuery(ctx.context);
    QCOMPARE(lastPrompt(), Saved);
}

QTEST_GUILESS_MAIN(TestSaveResults)
#include "tst_saveresults.moc"
