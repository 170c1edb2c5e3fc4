#include "batchquery.h"
#include "lookupclient.h"
#include "loopbackserver.h"
#include "programdirectory.h"
#include "recordingview.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

namespace {
const QString kLocation = QStringLiteral("广东 移动"); // "中国移动" loses its first two characters
const QString kHeader = QStringLiteral("序号\t手机号\t\t归属地\r\n");

QString LogLine(int position) {
    return QString::number(10 * position) + u'\t' + TestNumber(position) + u'\t' + kLocation +
           u"\r\n"_s;
}

QString Progress(int position) {
    return Caption(QStringLiteral("正在查询第%1条，请稍后……").arg(position));
}

QString Tally(int found, int failed) {
    return Caption(QStringLiteral("查询完毕，成功%1条，失败%2条").arg(found).arg(failed));
}

// The reply to TestNumber(i) by the i-th letter of `pattern`: A accepted,
// R refused, D connection dropped, C cut off at the size cap (a body without
// end). A request sent again gets the same reply.
LoopbackServer::Handler ByPattern(const QString &pattern) {
    return [pattern](const LoopbackServer::Request &request) {
        LoopbackServer::Reply reply;
        const QChar kind = pattern.at(request.tel.right(4).toInt() - 8001);
        if (kind == QLatin1Char('A'))
            reply.body =
                ZoneAnswer(request.tel, QStringLiteral("广东"), QStringLiteral("中国移动"));
        else if (kind == QLatin1Char('D'))
            reply.dropConnection = true;
        else if (kind == QLatin1Char('C'))
            reply.fillerBytes = LoopbackServer::kEndless;
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
    QCOMPARE(ReadLogText(m_log), kHeader + u"20\t13800138002\t广东 移动\r\n"_s);
    QCOMPARE(m_view->lv.Location(1), QString());
    QCOMPARE(m_view->lv.Location(2), kLocation);
    QCOMPARE(m_view->lv.Location(3), QStringLiteral("旧 乙"));
    // The row found keeps the answer whole; the others keep none.
    QCOMPARE(m_view->lv.Answer(2).province, QStringLiteral("广东"));
    QCOMPARE(m_view->lv.Answer(2).city, QStringLiteral("广东"));
    QCOMPARE(m_view->lv.Answer(2).carrier, QStringLiteral("中国移动"));
    QCOMPARE(m_view->lv.Answer(1).carrier, QString());
    QCOMPARE(m_view->lv.Answer(3).carrier, QString());
}

void TestBatchQuery::failedTransfers_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("asked");
    QTest::newRow("two failures, then an answer") << "DDADDA" << 6;
    QTest::newRow("a refusal ends the streak too") << "DDRDDR" << 6;
    QTest::newRow("three in a row stop the run") << "ADDDAA" << 4;
    QTest::newRow("answers cut off at the cap count as failed transfers") << "ACDCAA" << 4;
}

void TestBatchQuery::failedTransfers() {
    QFETCH(QString, pattern);
    QFETCH(int, asked);
    Run(pattern, QStringList(pattern.size(), QString()));

    QCOMPARE(AskedRows(), asked);
    QStringList events;
    QString log = kHeader;
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
    QCOMPARE(ReadLogText(m_log), log);
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
    QTest::addColumn<int>("stopAtRequest"); // from then on the file takes no more bytes
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("kept");
    QTest::newRow("the header") << 0 << 0 << QString();
    QTest::newRow("the second line") << 2 << 2 << kHeader + LogLine(1);
}

#ifdef Q_OS_WIN
namespace {
// Whether a byte-range lock held by one handle makes another handle's writes
// there fail, as Windows has it. Wine keeps such locks but does not enforce
// them against writes.
bool LocksStopWrites(const QString &scratch) {
    const auto *path = reinterpret_cast<const wchar_t *>(scratch.utf16());
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE writer =
        CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, 0, nullptr);
    const HANDLE locker = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    OVERLAPPED from{};
    DWORD written = 0;
    const bool stopped =
        LockFileEx(locker, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 0, 1, &from) &&
        !WriteFile(writer, "x", 1, &written, nullptr);
    CloseHandle(locker);
    CloseHandle(writer);
    return stopped;
}
} // namespace
#endif

void TestBatchQuery::writeFails() {
    QFETCH(int, stopAtRequest);
    QFETCH(int, asked);
    QFETCH(QString, kept);
#ifdef Q_OS_WIN
    if (!LocksStopWrites(m_dir->filePath(u"scratch"_s)))
        QSKIP("Byte-range locks do not stop another handle's writes here (wine), so no write "
              "can be made to fail; on Windows they do.");
#endif
    // The file stops growing at its size when the given request arrives, or
    // before the run. Each system has its own way: a file size limit on Linux,
    // a lock on the rest of the file taken by another handle on Windows.
    const QString log = m_log;
    const auto stop = [log] {
#ifdef Q_OS_WIN
        const HANDLE other = CreateFileW(reinterpret_cast<const wchar_t *>(log.utf16()),
                                         GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size{};
        GetFileSizeEx(other, &size);
        OVERLAPPED from{};
        from.Offset = size.LowPart;
        from.OffsetHigh = static_cast<DWORD>(size.HighPart);
        // Four gigabytes from there on: far more than the run writes, and the
        // range's end still within 64 bits.
        LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 0, 1, &from);
        return [other] {
            CloseHandle(other);
        };
#else
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(QFileInfo(log).size());
        setrlimit(RLIMIT_FSIZE, &limited);
        return [old, oldHandler] {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        };
#endif
    };
    std::function<void()> release;
    if (stopAtRequest == 0)
        release = stop();
    m_server->SetHandler([&, handler = ByPattern(u"AAA"_s)](const LoopbackServer::Request &r) {
        if (m_server->RequestCount() == stopAtRequest)
            release = stop();
        return handler(r);
    });
    m_view->Fill({u""_s, u""_s, u""_s});
    RunBatchQuery(*m_view, *m_client);
    if (release)
        release();

    QStringList events;
    for (int i = 1; i <= asked; ++i)
        events << Progress(i);
    // The row whose line failed keeps its location.
    events << Tally(asked, 3 - asked) << Prompt(u"写入结果文件失败，批量查询已停止！"_s);
    QCOMPARE(m_view->events, events);
    QCOMPARE(AskedRows(), asked);
    QCOMPARE(ReadLogText(m_log), kept);
}

QTEST_GUILESS_MAIN(TestBatchQuery)
#include "tst_batchquery.moc"
