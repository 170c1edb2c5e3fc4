#include "batchquery.h"
#include "lookupclient.h"
#include "loopbackserver.h"
#include "programdirectory.h"
#include "recordingview.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {
const QString kLocation = QStringLiteral("广东 移动"); // "中国移动" loses its first two characters
const QByteArray kHeader = QStringLiteral("序号\t手机号\t\t归属地\r\n").toUtf8();

QByteArray LogLine(int position) {
    return QByteArray::number(10 * position) + '\t' + TestNumber(position).toUtf8() + '\t' +
           kLocation.toUtf8() + "\r\n";
}

QString Progress(int position) {
    return Caption(QStringLiteral("正在查询第%1条，请稍后……").arg(position));
}

QString Tally(int found, int failed) {
    return Caption(QStringLiteral("查询完毕，成功%1条，失败%2条").arg(found).arg(failed));
}

// The reply to TestNumber(i) by the i-th letter of `pattern`: A accepted,
// R refused, D connection dropped. A request sent again gets the same reply.
LoopbackServer::Handler ByPattern(const QString &pattern) {
    return [pattern](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply;
        const QChar kind = pattern.at(request.tel.right(4).toInt() - 8001);
        if (kind == QLatin1Char('A'))
            reply.body =
                ZoneAnswer(request.tel, QStringLiteral("广东"), QStringLiteral("中国移动"));
        else if (kind == QLatin1Char('D'))
            reply.dropConnection = true;
        else
            reply.body = "<html>no</html>";
        return reply;
    };
}
} // namespace

class TestBatchQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void nothingToRun_data();
    void nothingToRun();
    void logOfARun();
    void failedTransfers_data();
    void failedTransfers();
    void logCannotBeCreated();
    void writeFails_data();
    void writeFails();

private:
    // Which rows were asked for, a repeat of a request counted once.
    int AskedRows() const;
    void Run(const QString &pattern, const QStringList &locations);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LoopbackServer> m_server;
    std::unique_ptr<LookupClient> m_client;
    std::unique_ptr<RecordingView> m_view;
    QString m_log;
};

void TestBatchQuery::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    SetProgramDirectory(m_dir->path());
    m_log = m_dir->filePath(QStringLiteral("tarvio.txt"));
    m_server = std::make_unique<LoopbackServer>();
    QVERIFY(m_server->Start());
    m_client = std::make_unique<LookupClient>(m_server->HostAndPort(), 10'000);
    m_view = std::make_unique<RecordingView>();
}

int TestBatchQuery::AskedRows() const {
    QStringList asked;
    for (const auto &request : m_server->Requests()) {
        if (asked.isEmpty() || asked.last() != request.tel)
            asked << request.tel;
    }
    for (int i = 0; i < asked.size(); ++i) {
        if (asked[i] != TestNumber(i + 1))
            return -1; // out of order
    }
    return int(asked.size());
}

void TestBatchQuery::Run(const QString &pattern, const QStringList &locations) {
    m_server->SetHandler(ByPattern(pattern));
    m_view->Fill(locations);
    RunBatchQuery(*m_view, *m_client);
}

void TestBatchQuery::nothingToRun_data() {
    QTest::addColumn<QStringList>("locations");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("empty list") << QStringList()
                                << QStringList{Prompt(u"请导入手机号码后再进行批量查询！"_s)};
    QTest::newRow("first row filled") << QStringList{u"北京 联通"_s, u""_s} << QStringList();
}

void TestBatchQuery::nothingToRun() {
    QFETCH(QStringList, locations);
    QFETCH(QStringList, events);
    QVERIFY(WriteWholeFile(m_log, "earlier run\r\n"));
    Run(u"AA"_s, locations);
    QCOMPARE(m_view->events, events);
    QCOMPARE(ReadWholeFile(m_log), QByteArray("earlier run\r\n"));
    QCOMPARE(m_server->RequestCount(), 0);
}

void TestBatchQuery::logOfARun() {
    QVERIFY(WriteWholeFile(m_log, "an earlier, longer run\r\n\r\n\r\n\r\n\r\n"));
    Run(u"RAR"_s, {u""_s, u""_s, u"旧 乙"_s});
    // Serials are 10, 20, 30; the captions count positions.
    QCOMPARE(m_view->events, QStringList({Progress(1), Progress(2), Progress(3), Tally(2, 1)}));
    QCOMPARE(AskedRows(), 3);
    QCOMPARE(ReadWholeFile(m_log),
             kHeader + QStringLiteral("20\t13800138002\t广东 移动\r\n").toUtf8());
    QCOMPARE(m_view->lv.Location(1), QString());
    QCOMPARE(m_view->lv.Location(2), kLocation);
    QCOMPARE(m_view->lv.Location(3), QStringLiteral("旧 乙"));
}

void TestBatchQuery::failedTransfers_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("asked");
    QTest::newRow("two failures, then an answer") << "DDADDA" << 6;
    QTest::newRow("a refusal ends the streak too") << "DDRDDR" << 6;
    QTest::newRow("three in a row stop the run") << "ADDDAA" << 4;
}

void TestBatchQuery::failedTransfers() {
    QFETCH(QString, pattern);
    QFETCH(int, asked);
    Run(pattern, QStringList(pattern.size(), QString()));

    QCOMPARE(AskedRows(), asked);
    QStringList events;
    QByteArray log = kHeader;
    int found = 0;
    for (int i = 1; i <= asked; ++i) {
        events << Progress(i);
        if (pattern[i - 1] == QLatin1Char('A')) {
            ++found;
            log += LogLine(i);
        }
    }
    events << Tally(found, int(pattern.size()) - found);
    if (asked < pattern.size())
        events << Prompt(u"网络连接失败，批量查询已停止！"_s);
    QCOMPARE(m_view->events, events);
    QCOMPARE(ReadWholeFile(m_log), log);
}

void TestBatchQuery::logCannotBeCreated() {
    const QString gone = m_dir->filePath(QStringLiteral("gone"));
    SetProgramDirectory(gone);
    Run(u"AA"_s, {u""_s, u""_s});
    const QString path = QDir::toNativeSeparators(gone + u"/tarvio.txt"_s);
    QCOMPARE(m_view->events,
             QStringList{Prompt(u"无法创建结果文件 "_s + path + u"，请检查软件目录是否可写！"_s)});
    QCOMPARE(m_server->RequestCount(), 0);
}

void TestBatchQuery::writeFails_data() {
    QTest::addColumn<QByteArray>("fits"); // all the file may grow to
    QTest::addColumn<int>("asked");
    QTest::newRow("the header") << QByteArray() << 0;
    QTest::newRow("the second line") << kHeader + LogLine(1) << 2;
}

void TestBatchQuery::writeFails() {
    QFETCH(QByteArray, fits);
    QFETCH(int, asked);
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(fits.size());
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    Run(u"AAA"_s, {u""_s, u""_s, u""_s});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QStringList events;
    for (int i = 1; i <= asked; ++i)
        events << Progress(i);
    // The row whose line failed keeps its location.
    events << Tally(asked, 3 - asked) << Prompt(u"写入结果文件失败，批量查询已停止！"_s);
    QCOMPARE(m_view->events, events);
    QCOMPARE(AskedRows(), asked);
    QCOMPARE(ReadWholeFile(m_log), fits);
}

QTEST_GUILESS_MAIN(TestBatchQuery)
#include "tst_batchquery.moc"
