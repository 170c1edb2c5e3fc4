#include "lookup/batchquery.h"
#include "lookup/lookupclient.h"
#include "loopbackserver.h"
#include "numberfiles/programdirectory.h"
#include "recordedcontext.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

using Reply = LoopbackServer::Reply;

namespace {
const QString Province = QStringLiteral("广东");
const QString Location = QStringLiteral("广东 移动"); // "中国移动" without its first two characters
const QByteArray Header = QStringLiteral("序号\t手机号\t\t归属地\r\n").toUtf8();

QString Number(int position) {
    return QStringLiteral("1380013%1").arg(8000 + position);
}

// The log line of an accepted row, as fill() numbers it.
QByteArray LogLine(int position) {
    return QByteArray::number(10 * position) + '\t' + Number(position).toUtf8() + '\t' +
           Location.toUtf8() + "\r\n";
}

QString Progress(int position) {
    return RecordedContext::CaptionPrefix +
           QStringLiteral("正在查询第%1条，请稍后……").arg(position);
}

QString Tally(int found, int failed) {
    return RecordedContext::CaptionPrefix +
           QStringLiteral("查询完毕，成功%1条，失败%2条").arg(found).arg(failed);
}

QString Prompt(const QString &text) {
    return RecordedContext::PromptPrefix + text;
}

// One reply per number, by the row's letter in `pattern`: A accepted,
// R refused, D connection dropped without an answer. Keyed by number, so a
// request the network layer sends again gets the same reply.
LoopbackServer::Handler ByPattern(const QString &pattern) {
    return [pattern](const LoopbackServer::Request &request) {
        Reply reply;
        const int position = request.tel.right(4).toInt() - 8000;
        const QChar kind =
            position >= 1 && position <= pattern.size() ? pattern[position - 1] : QLatin1Char('R');
        if (kind == QLatin1Char('A'))
            reply.body = ZoneAnswer(request.tel, Province, QStringLiteral("中国移动"));
        else if (kind == QLatin1Char('D'))
            reply.dropConnection = true;
        else
            reply.body = "<html>no</html>";
        return reply;
    };
}

// The numbers asked for, a repeat of the same request counted once.
QStringList AskedNumbers(const LoopbackServer &server) {
    QStringList asked;
    for (const auto &request : server.requests()) {
        if (asked.isEmpty() || asked.last() != request.tel)
            asked << request.tel;
    }
    return asked;
}

QStringList FirstNumbers(int count) {
    QStringList numbers;
    for (int i = 1; i <= count; ++i)
        numbers << Number(i);
    return numbers;
}
} // namespace

class TestBatchQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void emptyListTouchesNoFile();
    void filledFirstRowDoesNothing();
    void runs_data();
    void runs();
    void failedTransfers_data();
    void failedTransfers();
    void serviceStopsMidRun();
    void logCannotBeCreated_data();
    void logCannotBeCreated();
    void headerCannotBeWritten();
    void writeFailsMidRun();

private:
    QString logPath() const { return m_dir->filePath(QStringLiteral("tarvio.txt")); }
    void fill(const QStringList &locations);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LoopbackServer> m_server;
    std::unique_ptr<LookupClient> m_client;
    std::unique_ptr<RecordedContext> m_ctx;
};

void TestBatchQuery::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    SetProgramDirectory(m_dir->path());
    m_server = std::make_unique<LoopbackServer>();
    QVERIFY(m_server->start());
    m_client = std::make_unique<LookupClient>(m_server->hostAndPort(), 10'000);
    m_ctx = std::make_unique<RecordedContext>(m_client.get());
}

void TestBatchQuery::cleanup() {
    m_ctx.reset();
    m_client.reset();
    m_server.reset();
    m_dir.reset();
}

// Rows with the numbers Number(1), Number(2) …, serials 10, 20, 30 … so that
// they differ from the positions, and the given locations.
void TestBatchQuery::fill(const QStringList &locations) {
    QList<ResultRow> rows;
    for (int i = 1; i <= locations.size(); ++i)
        rows.append(ResultRow{QString::number(10 * i), Number(i), locations[i - 1]});
    m_ctx->lv.AppendRows(rows);
}

void TestBatchQuery::emptyListTouchesNoFile() {
    QVERIFY(WriteWholeFile(logPath(), "earlier run\r\n"));
    RunBatchQuery(m_ctx->context);
    QCOMPARE(m_ctx->events, QStringList{Prompt("请导入手机号码后再进行批量查询！")});
    QCOMPARE(ReadWholeFile(logPath()), QByteArray("earlier run\r\n"));
    QCOMPARE(m_server->requestCount(), 0);
}

void TestBatchQuery::filledFirstRowDoesNothing() {
    QVERIFY(WriteWholeFile(logPath(), "earlier run\r\n"));
    fill({"北京 联通", "", ""});
    RunBatchQuery(m_ctx->context);
    QCOMPARE(m_ctx->events, QStringList());
    QCOMPARE(ReadWholeFile(logPath()), QByteArray("earlier run\r\n"));
    QCOMPARE(m_server->requestCount(), 0);
    QCOMPARE(m_ctx->lv.Location(2), QString());
}

void TestBatchQuery::runs_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<int>("found");

    QTest::newRow("none accepted")
        << "RRR" << QStringList{"", "", ""} << QStringList{"", "", ""} << Header << 0;
    QTest::newRow("only row 2 accepted")
        << "RAR" << QStringList{"", "", ""} << QStringList{"", Location, ""}
        << Header + QStringLiteral("20\t13800138002\t广东 移动\r\n").toUtf8() << 1;
    QTest::newRow("earlier locations kept and counted")
        << "RRR" << QStringList{"", "旧 甲", "旧 乙"} << QStringList{"", "旧 甲", "旧 乙"} << Header
        << 2;
    QByteArray all = Header;
    for (int i = 1; i <= 3; ++i)
        all += LogLine(i);
    QTest::newRow("all accepted") << "AAA" << QStringList{"", "", ""}
                                  << QStringList{Location, Location, Location} << all << 3;
}

void TestBatchQuery::runs() {
    QFETCH(QString, pattern);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, log);
    QFETCH(int, found);

    QVERIFY(WriteWholeFile(logPath(), "an earlier, longer run\r\n\r\n\r\n\r\n\r\n"));
    m_server->setHandler(ByPattern(pattern));
    fill(before);
    RunBatchQuery(m_ctx->context);

    QCOMPARE(m_ctx->events,
             QStringList({Progress(1), Progress(2), Progress(3), Tally(found, 3 - found)}));
    QCOMPARE(AskedNumbers(*m_server), FirstNumbers(3));
    QCOMPARE(ReadWholeFile(logPath()), log);
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(m_ctx->lv.Location(i), after[i - 1]);
        QCOMPARE(m_ctx->lv.Text(i), QString::number(10 * i));
    }
}

void TestBatchQuery::failedTransfers_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("stopped");

    QTest::newRow("two failures, then an answer") << "DDADDA" << 6 << false;
    QTest::newRow("a refusal ends the streak too") << "DDRDDR" << 6 << false;
    QTest::newRow("three in a row stop the run") << "ADDDAA" << 4 << true;
    QTest::newRow("refusals never stop it") << "RRRRR" << 5 << false;
}

void TestBatchQuery::failedTransfers() {
    QFETCH(QString, pattern);
    QFETCH(int, asked);
    QFETCH(bool, stopped);

    m_server->setHandler(ByPattern(pattern));
    fill(QStringList(pattern.size(), QString()));
    RunBatchQuery(m_ctx->context);

    QCOMPARE(AskedNumbers(*m_server), FirstNumbers(asked));
    QStringList expected;
    QByteArray log = Header;
    int found = 0;
    for (int i = 1; i <= asked; ++i) {
        expected << Progress(i);
        if (pattern[i - 1] == QLatin1Char('A')) {
            ++found;
            log += LogLine(i);
        }
    }
    expected << Tally(found, int(pattern.size()) - found);
    if (stopped)
        expected << Prompt("网络连接失败，批量查询已停止！");
    QCOMPARE(m_ctx->events, expected);
    QCOMPARE(ReadWholeFile(logPath()), log);
}

void TestBatchQuery::serviceStopsMidRun() {
    // The service answers two lookups and is then gone: no connection at all.
    int answered = 0;
    m_server->setHandler([this, &answered](const LoopbackServer::Request &request) {
        Reply reply;
        if (++answered <= 2) {
            reply.body = ZoneAnswer(request.tel, Province, QStringLiteral("中国移动"));
        } else {
            reply.dropConnection = true;
            QTimer::singleShot(0, m_server.get(), &LoopbackServer::stop);
        }
        return reply;
    });
    fill(QStringList(8, QString()));
    RunBatchQuery(m_ctx->context);

    QCOMPARE(m_ctx->events,
             QStringList({Progress(1), Progress(2), Progress(3), Progress(4), Progress(5),
                          Tally(2, 6), Prompt("网络连接失败，批量查询已停止！")}));
    QCOMPARE(ReadWholeFile(logPath()), Header + LogLine(1) + LogLine(2));
    QCOMPARE(m_ctx->lv.Location(2), Location);
    QCOMPARE(m_ctx->lv.Location(3), QString());
}

void TestBatchQuery::logCannotBeCreated_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("logIsDirectory");
    QTest::newRow("missing program directory") << QStringLiteral("gone") << false;
    QTest::newRow("tarvio.txt is a directory") << QString() << true;
}

void TestBatchQuery::logCannotBeCreated() {
    QFETCH(QString, directory);
    QFETCH(bool, logIsDirectory);

    const QString programDirectory = m_dir->filePath(directory);
    SetProgramDirectory(programDirectory);
    if (logIsDirectory)
        QVERIFY(QDir(programDirectory).mkdir(QStringLiteral("tarvio.txt")));
    m_server->setHandler(ByPattern("AA"));
    fill({"", ""});
    RunBatchQuery(m_ctx->context);

    const QString path = QDir::toNativeSeparators(programDirectory + "/tarvio.txt");
    QCOMPARE(m_ctx->events,
             QStringList{Prompt("无法创建结果文件 " + path + "，请检查软件目录是否可写！")});
    QCOMPARE(m_server->requestCount(), 0);
    QCOMPARE(m_ctx->lv.Location(1), QString());
}

void TestBatchQuery::headerCannotBeWritten() {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), logPath()));
    m_server->setHandler(ByPattern("AA"));
    fill({"", "旧 甲"});
    RunBatchQuery(m_ctx->context);

    QCOMPARE(m_ctx->events,
             QStringList({Tally(1, 1), Prompt("写入结果文件失败，批量查询已停止！")}));
    QCOMPARE(m_server->requestCount(), 0);
}

void TestBatchQuery::writeFailsMidRun() {
    // The file may grow to the header and one line; the second line fails.
    const QByteArray line1 = LogLine(1);
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(Header.size() + line1.size());
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);

    m_server->setHandler(ByPattern("AAA"));
    fill({"", "", ""});
    RunBatchQuery(m_ctx->context);

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(m_ctx->events, QStringList({Progress(1), Progress(2), Tally(2, 1),
                                         Prompt("写入结果文件失败，批量查询已停止！")}));
    QCOMPARE(ReadWholeFile(logPath()), Header + line1);
    QCOMPARE(m_ctx->lv.Location(2), Location);
    QCOMPARE(m_ctx->lv.Location(3), QString());
    QCOMPARE(AskedNumbers(*m_server), FirstNumbers(2));
}

QTEST_GUILESS_MAIN(TestBatchQuery)
#include "tst_batchquery.moc"
