#include "batchquery.h"
#include "lookupclient.h"
#include "loopbackserver.h"
#include "programdirectory.h"
#include "recordingview.h"
#include "resultlog.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <numeric>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(RowQuery)

namespace {
const QString kLocation = QStringLiteral("广东 移动"); // "中国移动" loses its first two characters
const QString kHeader = QStringLiteral("序号\t手机号\t\t归属地\r\n");

QString LogLine(int position) {
    return QString::number(10 * position) + u'\t' + TestNumber(position) + u'\t' + kLocation +
           u"\r\n"_s;
}

QString Tally(int found, int failed, const QString &opening = u"查询完毕"_s) {
    return Caption(opening + u"，成功%1条，失败%2条"_s.arg(found).arg(failed));
}

int PositionOf(const QString &tel) {
    return tel.right(4).toInt() - 8000;
}

// TestNumber(i)'s reply by pattern[i - 1]: Accepted, Refused, Dropped, Cut off at the cap.
LoopbackServer::Reply ByPattern(const QString &pattern, const LoopbackServer::Request &request) {
    LoopbackServer::Reply reply;
    const QChar kind = pattern.at(PositionOf(request.tel) - 1);
    if (kind == QLatin1Char('A'))
        reply.body = ZoneAnswer(request.tel, QStringLiteral("广东"), QStringLiteral("中国移动"));
    else if (kind == QLatin1Char('D'))
        reply.dropConnection = true;
    else if (kind == QLatin1Char('C'))
        reply.fillerBytes = LoopbackServer::kEndless;
    else
        reply.body = "<html>no</html>";
    return reply;
}

QString LogOf(const QString &pattern, int last) {
    QString log = kHeader;
    for (int i = 1; i <= last; ++i) {
        if (pattern[i - 1] == QLatin1Char('A'))
            log += LogLine(i);
    }
    return log;
}

// The events without the progress captions, once these are seen to name rows in order
// from `first`.
QStringList WithoutProgress(const QStringList &events, int first, int rows) {
    static const QRegularExpression kProgress(u"^caption: 正在查询第(\\d+)条，请稍后……$"_s);
    QStringList rest;
    int last = 0;
    for (const QString &event : events) {
        const QRegularExpressionMatch progress = kProgress.match(event);
        if (!progress.hasMatch()) {
            rest << event;
            continue;
        }
        const int row = progress.captured(1).toInt();
        if (last == 0 ? row != first : row <= last || row > rows || !rest.isEmpty())
            rest << u"out of order: "_s + event;
        last = row;
    }
    return rest;
}

// The log's size with its header and `lines` lines, as this system writes it.
qint64 LogSize(const QString &scratch, int lines) {
    ResultLog log(scratch);
    log.Create();
    log.WriteLine(ResultLog::HeaderFields());
    for (int i = 1; i <= lines; ++i)
        log.WriteLine({QString::number(10 * i), TestNumber(i), kLocation});
    log.Close();
    return QFileInfo(scratch).size();
}

#ifdef Q_OS_WIN
// Whether another handle's byte-range lock makes writes fail (Windows does; wine does not).
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
#endif

// The file at `path` does not grow past `size` bytes until the function returned is called:
// a lock on the rest of the file on Windows, a file size limit elsewhere.
std::function<void()> LimitFile(const QString &path, qint64 size) {
#ifdef Q_OS_WIN
    const HANDLE other =
        CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    OVERLAPPED from{};
    from.Offset = static_cast<DWORD>(size);
    from.OffsetHigh = static_cast<DWORD>(size >> 32);
    LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 0, 1, &from);
    return [other] {
        CloseHandle(other);
    };
#else
    Q_UNUSED(path);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(size);
    setrlimit(RLIMIT_FSIZE, &limited);
    return [old, oldHandler] {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    };
#endif
}
} // namespace

class TestBatchQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        SetProgramDirectory(m_dir->path());
        m_log = m_dir->filePath(QStringLiteral("tarvio.txt"));
        m_server = std::make_unique<LoopbackServer>();
        QVERIFY(m_server->Start());
        m_client = std::make_unique<LookupClient>(m_server->HostAndPort(), 10'000);
        m_view = std::make_unique<RecordingView>();
    }

    void nothingToRun_data() {
        QTest::addColumn<QStringList>("locations");
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<QString>("prompt"); // %1: the log's path
        QTest::newRow("empty list")
            << QStringList() << false << u"请导入手机号码后再进行批量查询！"_s;
        QTest::newRow("first row filled") << QStringList{u"北京 联通"_s, u""_s} << false << u""_s;
        QTest::newRow("log cannot be created")
            << QStringList(2, QString()) << true
            << u"无法创建结果文件 %1，请检查软件目录是否可写！"_s;
    }

    void nothingToRun() {
        QFETCH(QStringList, locations);
        QFETCH(bool, folderGone);
        QFETCH(QString, prompt);
        QVERIFY(WriteWholeFile(m_log, "earlier run\r\n"));
        const QString gone = m_dir->filePath(QStringLiteral("gone"));
        if (folderGone)
            SetProgramDirectory(gone);
        Run(u"AA"_s, locations);
        prompt.replace(u"%1"_s, QDir::toNativeSeparators(gone + u"/tarvio.txt"_s));
        QCOMPARE(m_view->events, prompt.isEmpty() ? QStringList() : QStringList{Prompt(prompt)});
        QCOMPARE(ReadWholeFile(m_log), QByteArray("earlier run\r\n"));
        QCOMPARE(m_server->RequestCount(), 0);
        QVERIFY(!m_view->lv.BatchStopped());
    }

    void logOfARun() {
        QVERIFY(WriteWholeFile(m_log, "an earlier, longer run\r\n\r\n\r\n\r\n\r\n"));
        Run(u"RAR"_s, {u""_s, u""_s, u"旧 乙"_s});
        QCOMPARE(WithoutProgress(m_view->events, 1, 3), QStringList{Tally(2, 1)});
        QCOMPARE(ReadLogText(m_log), kHeader + u"20\t13800138002\t广东 移动\r\n"_s);
        QCOMPARE(Locations(), (QStringList{{}, kLocation, u"旧 乙"_s}));
        QCOMPARE(Queries(), QList<RowQuery>(3, RowQuery::Answered));
        // The row found keeps the whole answer, the others none.
        const auto answer = [this](int i) {
            const auto &a = m_view->lv.Answer(i);
            return QStringList{a.province, a.city, a.carrier};
        };
        QCOMPARE(answer(2), (QStringList{u"广东"_s, u"广东"_s, u"中国移动"_s}));
        QCOMPARE(answer(1) + answer(3), QStringList(6, QString()));
        QVERIFY(!m_view->lv.BatchStopped());
    }

    // Three failed transfers in row order stop the run: nothing after the third is
    // taken, though it may have been answered. A D row is asked twice, no row thrice.
    void failedTransfers_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("last"); // the last row taken
        const QString many = QString(24, u'A');
        QTest::newRow("two failures, then an answer") << "DDADDA" << 6;
        QTest::newRow("a refusal ends the streak too") << "DDRDDR" << 6;
        QTest::newRow("three in a row stop the run") << "ADDDAA" << 4;
        QTest::newRow("answers cut off at the cap count as failed transfers") << "ACDCAA" << 4;
        QTest::newRow("three in a row, far into the run")
            << many + u"DDD"_s + many << int(many.size()) + 3;
    }

    void failedTransfers() {
        QFETCH(QString, pattern);
        QFETCH(int, last);
        const int rows = int(pattern.size());
        Run(pattern, QStringList(rows, QString()));

        QStringList events{
            Tally(int(pattern.left(last).count(u'A')), rows - int(pattern.left(last).count(u'A')))};
        if (last < rows)
            events << Prompt(u"网络连接失败，批量查询已停止！"_s);
        QCOMPARE(WithoutProgress(m_view->events, 1, rows), events);
        QCOMPARE(ReadLogText(m_log), LogOf(pattern, last));
        QStringList locations;
        QList<RowQuery> queries;
        for (int i = 1; i <= rows; ++i) {
            const bool taken = i <= last;
            locations << (taken && pattern[i - 1] == u'A' ? kLocation : QString());
            queries << (!taken ? RowQuery::NotAsked
                        : pattern[i - 1] == u'A' || pattern[i - 1] == u'R'
                            ? RowQuery::Answered
                            : RowQuery::TransferFailed);
        }
        const QList<int> asked = AskedSince(0);
        for (qsizetype i = 2; i < asked.size(); ++i)
            QVERIFY2(asked[i] != asked[i - 2], qPrintable(u"row %1 asked 3 times"_s.arg(asked[i])));
        QCOMPARE(Locations(), locations);
        QCOMPARE(Queries(), queries);
        QCOMPARE(m_view->lv.BatchStopped(), last < rows);
    }

    // The log takes no more from some row on: the run stops there, no half line is
    // left, and the next 批量查询 goes on from that row, appending to the log.
    void writeFails_data() {
        QTest::addColumn<int>("linesFitting");
        QTest::addColumn<bool>("halfALineMore"); // room for part of the next line
        QTest::newRow("the header") << -1 << false;
        QTest::newRow("the first line") << 0 << false;
        QTest::newRow("the third line, which half fits") << 2 << true;
    }

    void writeFails() {
        QFETCH(int, linesFitting);
        QFETCH(bool, halfALineMore);
#ifdef Q_OS_WIN
        if (!LocksStopWrites(m_dir->filePath(u"scratch"_s)))
            QSKIP("Byte-range locks do not stop another handle's writes under wine.");
#endif
        constexpr int kRows = 6;
        const QString scratch = m_dir->filePath(u"sizes.txt"_s);
        qint64 size = linesFitting < 0 ? 0 : LogSize(scratch, linesFitting);
        if (halfALineMore)
            size += (LogSize(scratch, linesFitting + 1) - size) / 2;
        const std::function<void()> release = LimitFile(m_log, size);
        Run(QString(kRows, u'A'), QStringList(kRows, QString()));
        release();

        const int done = std::max(linesFitting, 0);
        const QString all(kRows, u'A');
        QCOMPARE(ReadLogText(m_log), linesFitting < 0 ? QString() : LogOf(all, done));
        // The row whose line failed keeps its location.
        const int found = linesFitting < 0 ? 0 : done + 1;
        QCOMPARE(WithoutProgress(m_view->events, 1, kRows),
                 (QStringList{Tally(found, kRows - found),
                              Prompt(u"写入结果文件失败，批量查询已停止！"_s)}));
        QVERIFY(m_view->lv.BatchStopped());
        for (int i = 1; i <= kRows; ++i)
            QCOMPARE(m_view->lv.Query(i), i <= done ? RowQuery::Answered : RowQuery::NotAsked);

        const int askedBefore = m_server->RequestCount();
        RunAgain();
        QCOMPARE(ReadLogText(m_log), LogOf(all, kRows));
        QCOMPARE(WithoutProgress(m_view->events, done + 1, kRows), QStringList{Tally(kRows, 0)});
        QList<int> expected(kRows - done);
        std::iota(expected.begin(), expected.end(), done + 1);
        QCOMPARE(AskedSince(askedBefore), expected);
        QVERIFY(!m_view->lv.BatchStopped());
    }

    // A stopped run goes on at the next 批量查询 with the rows not asked and those whose transfer
    // failed, appending to the log (with a header only if it is gone); the caption counts the list.
    void goesOnAfterAStop_data() {
        QTest::addColumn<QString>("pattern"); // of the first run; the second finds every row
        QTest::addColumn<int>("stopAt");      // the user stops once this row is asked; 0: never
        QTest::addColumn<bool>("logGone");    // the log is deleted between the runs
        QTest::addColumn<QString>("stopped"); // the closing caption's opening words
        QTest::newRow("stopped by the user") << "AAAAAAAA" << 4 << false << u"查询已停止"_s;
        QTest::newRow("stopped by the network") << "ARDDDAAA" << 0 << false << u"查询完毕"_s;
        QTest::newRow("the log deleted meanwhile") << "AAAAAAAA" << 4 << true << u"查询已停止"_s;
    }

    void goesOnAfterAStop() {
        QFETCH(QString, pattern);
        QFETCH(int, stopAt);
        QFETCH(bool, logGone);
        QFETCH(QString, stopped);
        const int rows = int(pattern.size());
        m_server->SetHandler([&](const LoopbackServer::Request &request) {
            LoopbackServer::Reply reply = ByPattern(pattern, request);
            reply.held = stopAt > 0 && PositionOf(request.tel) >= stopAt;
            return reply;
        });
        // The stop comes once the rows before stopAt are in the list and stopAt is asked.
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, this, [&] {
            const QList<LoopbackServer::Request> requests = m_server->Requests();
            if (m_view->lv.Query(stopAt - 1) == RowQuery::Answered &&
                std::any_of(requests.begin(), requests.end(),
                            [&](const auto &request) { return PositionOf(request.tel) == stopAt; }))
                m_view->waiter.RequestStop();
        });
        if (stopAt > 0)
            stopper.start(1);
        m_view->Fill(QStringList(rows, QString()));
        RunBatchQuery(*m_view, *m_client);
        stopper.stop();

        const int last = stopAt > 0 ? stopAt - 1 : int(pattern.indexOf(u"DDD"_s)) + 3;
        const int found = int(pattern.left(last).count(u'A'));
        QStringList events{Tally(found, rows - found, stopped)};
        if (stopAt == 0)
            events << Prompt(u"网络连接失败，批量查询已停止！"_s);
        QCOMPARE(WithoutProgress(m_view->events, 1, rows), events);
        QCOMPARE(ReadLogText(m_log), LogOf(pattern, last));
        QVERIFY(m_view->lv.BatchStopped());

        if (logGone)
            QVERIFY(QFile::remove(m_log));
        const int askedBefore = m_server->RequestCount();
        m_server->SetHandler([&](const LoopbackServer::Request &request) {
            return ByPattern(QString(rows, u'A'), request);
        });
        RunAgain();
        QList<int> again = AskedSince(askedBefore);
        again.erase(std::unique(again.begin(), again.end()), again.end());
        QList<int> expected;
        for (int i = 1; i <= rows; ++i) {
            if (i > last || pattern[i - 1] == u'D')
                expected << i;
        }
        QCOMPARE(again, expected);
        QString log = logGone ? kHeader : LogOf(pattern, last);
        for (int i = 1; i <= rows; ++i) {
            if (expected.contains(i))
                log += LogLine(i);
        }
        QCOMPARE(ReadLogText(m_log), log);
        QCOMPARE(WithoutProgress(m_view->events, expected.first(), rows),
                 QStringList{Tally(rows - int(pattern.left(last).count(u'R')),
                                   int(pattern.left(last).count(u'R')))});
        QVERIFY(!m_view->lv.BatchStopped());
    }

    // A finished run starts over, with a new log, only when the first row has no location.
    void runToItsEndRunsAgainOnlyFromAnEmptyFirstRow_data() {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("the first row found") << "ARA";
        QTest::newRow("the first row not found") << "RAA";
    }

    void runToItsEndRunsAgainOnlyFromAnEmptyFirstRow() {
        QFETCH(QString, pattern);
        Run(pattern, QStringList(3, QString()));
        const QString log = ReadLogText(m_log);
        RunAgain();
        const bool again = pattern[0] != u'A';
        QCOMPARE(m_server->RequestCount(), again ? 6 : 3);
        QCOMPARE(ReadLogText(m_log), log);
        QCOMPARE(m_view->events.isEmpty(), !again);
    }

private:
    void Run(const QString &pattern, const QStringList &locations) {
        m_server->SetHandler([pattern](const LoopbackServer::Request &request) {
            return ByPattern(pattern, request);
        });
        m_view->Fill(locations);
        RunBatchQuery(*m_view, *m_client);
    }

    void RunAgain() { // a second press over the same list
        m_view->events.clear();
        m_view->waiter.Reset();
        RunBatchQuery(*m_view, *m_client);
    }

    QStringList Locations() const {
        QStringList locations;
        for (int i = 1; i <= m_view->lv.Count(); ++i)
            locations << m_view->lv.Location(i);
        return locations;
    }

    QList<RowQuery> Queries() const {
        QList<RowQuery> queries;
        for (int i = 1; i <= m_view->lv.Count(); ++i)
            queries << m_view->lv.Query(i);
        return queries;
    }

    QList<int> AskedSince(int before) const { // sorted: connections answer in any order
        QList<int> asked;
        for (const LoopbackServer::Request &request : m_server->Requests().mid(before))
            asked << PositionOf(request.tel);
        std::sort(asked.begin(), asked.end());
        return asked;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LoopbackServer> m_server;
    std::unique_ptr<LookupClient> m_client;
    std::unique_ptr<RecordingView> m_view;
    QString m_log;
};

QTEST_GUILESS_MAIN(TestBatchQuery)
#include "tst_batchquery.moc"
