// A screen reader (busreader.py, over AT-SPI) reads the window as promptly
// while a command waits as when idle: for a slow single query, a slow batch
// and a fast batch, each started every way, a walk while waiting takes at
// most twice an idle walk and no call over 20 ms (walkfigures.h). Slow
// answers are held until the test has read. Runs under on-accessibility-bus.sh.
#include "busreaderprocess.h"
#include "filedialog.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "skinengine.h"
#include "walkfigures.h"
#include "whenready.h"

#include <QApplication>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>

using namespace Qt::StringLiterals;

namespace {
constexpr int kRounds = 5;

int IgnoreSkin(const char *, const char *) {
    return 0;
}

enum class Way { Key, Button, MenuItem };

// The walks of one test as busreader.py tells them, and what they read wrong.
class Walks : public WalkFigures {
public:
    void Idle(const QJsonObject &walk) { WalkFigures::Idle(Of(walk, u"idle walk"_s)); }
    void Waiting(const QJsonObject &walk) { WalkFigures::Waiting(Of(walk, u"walk"_s)); }

private:
    Walk Of(const QJsonObject &walk, const QString &what) {
        Expect(!walk.contains(u"error"_s), what + u": "_s + walk[u"error"_s].toString());
        QList<double> callMs;
        for (const QJsonValue &ms : walk[u"calls_ms"_s].toArray())
            callMs.append(ms.toDouble());
        return {walk[u"ms"_s].toDouble(), walk[u"calls"_s].toInt(), callMs,
                walk[u"slowest"_s].toDouble(), walk[u"slowest_call"_s].toString()};
    }
};

void CheckGoals(const Walks &walks) {
    qInfo("%s", qPrintable(walks.Report()));
    QVERIFY2(walks.Failures().isEmpty(), qPrintable(walks.Failures().join(u"; "_s)));
    QVERIFY2(walks.WalksMeetGoal() && walks.CallsMeetGoal(), qPrintable(walks.Report()));
}

QString RowCaption(int row) {
    return u"正在查询第%1条，请稍后……"_s.arg(row);
}

QString Number(int row) {
    return u"138%1"_s.arg(row, 8, 10, QLatin1Char('0'));
}

// The rows a walk read, each as "serial number location".
QStringList RowsRead(const QJsonObject &walk) {
    QStringList rows;
    for (const QJsonValue &row : walk[u"rows"_s].toArray()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells.append(cell.toString());
        rows.append(cells.join(u' '));
    }
    return rows;
}

// Rows before `next` read with their location; when `restUndone`, the rest without.
bool RowsDoneBefore(const QJsonObject &walk, int next, bool restUndone = true) {
    const QStringList rows = RowsRead(walk);
    if (rows.isEmpty())
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const int row = int(i) + 1;
        const QString done = u"%1 %2 广东 移动"_s.arg(row).arg(Number(row));
        const QString undone = u"%1 %2 "_s.arg(row).arg(Number(row));
        if (row < next ? rows[i] != done : restUndone && rows[i] != undone)
            return false;
    }
    return true;
}
} // namespace

Q_DECLARE_METATYPE(Way)

class TestAccessibilityBus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void slowLookup_data();
    void slowLookup();
    void fastBatch_data();
    void fastBatch();
    // Last: the bus is gone for good afterwards.
    void busGoesAwayMidBatch();

private:
    void AddRows(int count);
    bool WaitUntil(const std::function<bool()> &done) {
        return RunUntil(done, [this] { return m_reader->Running(); });
    }
    QJsonObject IdleWalk(Walks &walks);
    // By keys, or by a press over the bus on the button or the menu item.
    void Start(Way way, bool batch, Walks &walks);
    void Press(const QString &name, Walks &walks);
    // Answers at once but for `held`; onRequest(tel) runs on this thread.
    void Serve(const QString &held, std::function<void(const QString &)> onRequest);

    QTemporaryDir m_dir;
    LoopbackServer *m_server = nullptr;
    QPointer<MainWindow> m_window;
    BusReaderProcess *m_reader = nullptr;
};

void TestAccessibilityBus::initTestCase() {
    SetProgramDirectory(m_dir.path());
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY2(QGuiApplication::platformName() == u"xcb"_s &&
                 qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"),
             "runs under tests/support/on-accessibility-bus.sh");
}

void TestAccessibilityBus::init() {
    SkinEngine::SendCallsTo(&IgnoreSkin);
    MessageBox::AnswerOkUnseen();
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_window = new MainWindow(m_server->HostAndPort(), 120'000);
    m_window->show();
    // No window manager activates it on this X server.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_reader = new BusReaderProcess;
    QVERIFY2(m_reader->Start(), "the reader finds the window");
}

void TestAccessibilityBus::cleanup() {
    // Nothing a failed test left queued may reach its locals.
    if (m_server)
        m_server->SetHandler({});
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    delete m_reader;
    m_reader = nullptr;
    delete m_window;
    delete m_server;
    m_server = nullptr;
    MessageBox::Reset();
    FileDialog::Reset();
    SkinEngine::Reset();
}

void TestAccessibilityBus::AddRows(int count) {
    QList<ResultRow> rows;
    rows.reserve(count);
    for (int i = 1; i <= count; ++i)
        rows.append({QString::number(i), Number(i), {}});
    m_window->ListModel()->Clear();
    m_window->ListModel()->AppendRows(rows);
}

QJsonObject TestAccessibilityBus::IdleWalk(Walks &walks) {
    QJsonObject walk = m_reader->AskNow("walk");
    if (walk.isEmpty())
        walk[u"error"_s] = u"no walk"_s;
    walks.Idle(walk);
    return walk;
}

void TestAccessibilityBus::Start(Way way, bool batch, Walks &walks) {
    if (way == Way::Key && !batch) {
        auto *number = m_window->findChild<QLineEdit *>(u"SinglePhone"_s);
        number->setFocus();
        QTest::keyClick(number, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        return;
    }
    if (way == Way::Key) {
        auto *system = m_window->findChild<QMenu *>(u"System"_s);
        QTest::keyClick(m_window, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(system->isVisible());
        QTest::keyClick(system, Qt::Key_B);
        return;
    }
    Press(way == Way::MenuItem ? u"批量查询(B)"_s
          : batch              ? u"批量查询"_s
                               : u"查询手机归属地"_s,
          walks);
}

void TestAccessibilityBus::Press(const QString &name, Walks &walks) {
    m_reader->Ask("press " + name.toUtf8(), [&walks, name](const QJsonObject &answer) {
        walks.Call(answer[u"ms"_s].toDouble(1e9), u"the press on "_s + name);
        walks.Expect(answer[u"ok"_s].toBool(), u"the press on %1 refused"_s.arg(name));
    });
}

void TestAccessibilityBus::Serve(const QString &held,
                                 std::function<void(const QString &)> onRequest) {
    m_server->SetHandler([this, held, onRequest](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"广东"_s, u"中国移动"_s);
        reply.held = req.tel == held;
        QMetaObject::invokeMethod(
            this, [onRequest, tel = req.tel] { onRequest(tel); }, Qt::QueuedConnection);
        return reply;
    });
}

namespace {
const std::pair<const char *, Way> kBatchWays[] = {
    {"started by keys (Alt+S, B)", Way::Key},
    {"started by a press on the button", Way::Button},
    {"started by a press on the menu item", Way::MenuItem}};
} // namespace

void TestAccessibilityBus::slowLookup_data() {
    QTest::addColumn<bool>("batch");
    QTest::addColumn<Way>("way");
    QTest::newRow("single query started by keys") << false << Way::Key;
    QTest::newRow("single query started by a press on the button") << false << Way::Button;
    for (const auto &[name, way] : kBatchWays)
        QTest::addRow("batch %s", name) << true << way;
}

// The single query's answer, or the second row's, is held while the window is
// walked; in the first run commands pressed over the bus are answered and dropped.
void TestAccessibilityBus::slowLookup() {
    QFETCH(bool, batch);
    QFETCH(Way, way);
    const int rows = batch ? 3 : 1;
    const int held = batch ? 2 : 1;
    Walks walks;
    bool walked = false;
    bool pressAll = true;
    const auto release = [this, &walked] {
        walked = true;
        m_server->HoldAnswers(false);
    };
    Serve(Number(held), [&](const QString &tel) {
        if (tel != Number(held))
            return;
        WhenReady(
            m_window,
            [&] {
                const QString caption = m_window->Frame2Box()->title();
                return !batch || (!m_window->ListModel()->Location(1).isEmpty() &&
                                  caption.startsWith(u"正在查询第"_s) && caption != RowCaption(1));
            },
            [&] {
                m_reader->Ask("walk", [&](const QJsonObject &walk) {
                    walks.Waiting(walk);
                    const QString frame = walk[batch ? u"frame2"_s : u"frame1"_s].toString();
                    walks.Expect(frame == (batch ? RowCaption(2) : u"正在查询请稍后……"_s),
                                 u"the caption read as "_s + frame);
                    walks.Expect(!batch || RowsDoneBefore(walk, 2),
                                 u"the rows read as "_s + RowsRead(walk).join(u"; "_s));
                });
                if (!pressAll) {
                    m_reader->Ask("read", [release](const QJsonObject &) { release(); });
                    return;
                }
                pressAll = false;
                for (const QString &name :
                     {u"清空内容"_s, u"导入号码(I)"_s, u"批量查询(B)"_s, u"批量查询"_s})
                    Press(name, walks);
                // A pressed button clicks later, on a timer: wait for every click.
                m_reader->Ask("read", [this, release](const QJsonObject &) {
                    const QList<QPushButton *> buttons = m_window->findChildren<QPushButton *>();
                    WhenReady(
                        m_window,
                        [buttons] {
                            return std::none_of(buttons.begin(), buttons.end(),
                                                [](QPushButton *b) { return b->isDown(); });
                        },
                        release);
                });
            });
    });

    m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(Number(1));
    for (int round = 1; round <= kRounds; ++round) {
        AddRows(rows);
        if (round == 1)
            IdleWalk(walks);
        walked = false;
        Start(way, batch, walks);
        QVERIFY2(WaitUntil([&] { return walked && !m_window->CommandRunning(); }),
                 "the lookup shows the held row, and ends once it is let go");
        const QJsonObject after = IdleWalk(walks);
        if (batch)
            QCOMPARE(after[u"frame2"_s].toString(), u"查询完毕，成功3条，失败0条"_s);
        else
            QCOMPARE(after[u"frame1"_s].toString(), u"查询成功，归属地为广东移动"_s);
        QVERIFY2(RowsDoneBefore(after, rows + 1), qPrintable(RowsRead(after).join(u"; "_s)));
        QCOMPARE(m_server->RequestCount(), rows * round);
        QCOMPARE(FileDialog::TimesAsked(), 0);
        QCOMPARE(m_window->ListModel()->Count(), rows);
    }
    CheckGoals(walks);
}

void TestAccessibilityBus::fastBatch_data() {
    QTest::addColumn<Way>("way");
    for (const auto &[name, way] : kBatchWays)
        QTest::newRow(name) << way;
}

// A batch answered at once, walked from its first request and stopped by Esc
// after two walks: captions only move on, and rows before the named one are done.
void TestAccessibilityBus::fastBatch() {
    QFETCH(Way, way);
    // Far more rows than the batch reaches in two walks, however fast.
    constexpr int kRows = 200'000;
    constexpr int kWalksARun = 2;
    static const QRegularExpression kRow(u"^正在查询第(\\d+)条，请稍后……$"_s);
    Walks walks;
    std::atomic<int> requests = 0;
    int taken = 0, lastRow = 0;
    bool stopped = false;
    Serve({}, [&](const QString &) {
        if (++requests != 1)
            return;
        m_reader->Ask("walks", [&](const QJsonObject &) { stopped = true; });
    });
    m_reader->OnWalked([&](const QJsonObject &walk) {
        if (taken == kWalksARun)
            return;
        walks.Waiting(walk);
        const QString frame2 = walk[u"frame2"_s].toString();
        const QRegularExpressionMatch row = kRow.match(frame2);
        walks.Expect(m_window->CommandRunning() && row.hasMatch() &&
                         row.captured(1).toInt() >= lastRow,
                     u"Frame2 read as %1 after row %2"_s.arg(frame2).arg(lastRow));
        lastRow = row.captured(1).toInt();
        walks.Expect(
            RowsDoneBefore(walk, lastRow, false),
            u"at row %1 the rows read as %2"_s.arg(lastRow).arg(RowsRead(walk).join(u"; "_s)));
        if (++taken == kWalksARun) {
            QTest::keyClick(m_window, Qt::Key_Escape);
            m_reader->Tell("stop");
        }
    });

    // The tally counts the rows not asked as not found.
    static const QRegularExpression kStopped(u"^查询已停止，成功(\\d+)条，失败(\\d+)条$"_s);
    for (int round = 1; round <= kRounds; ++round) {
        AddRows(kRows);
        if (round == 1)
            IdleWalk(walks);
        requests = 0;
        taken = lastRow = 0;
        stopped = false;
        Start(way, true, walks);
        QVERIFY(WaitUntil([&] {
            if (requests > 0 && !m_window->CommandRunning() && taken < kWalksARun) {
                taken = kWalksARun;
                m_reader->Tell("stop");
                walks.Expect(false, u"the batch ended before its walks"_s);
            }
            return stopped && !m_window->CommandRunning();
        }));
        const QJsonObject after = IdleWalk(walks);
        const QRegularExpressionMatch done = kStopped.match(after[u"frame2"_s].toString());
        QVERIFY2(done.hasMatch() && done.captured(1).toInt() + done.captured(2).toInt() == kRows,
                 qPrintable(after[u"frame2"_s].toString()));
        QVERIFY(done.captured(1).toInt() >= lastRow - 1);
        QVERIFY2(RowsDoneBefore(after, done.captured(1).toInt() + 1),
                 qPrintable(RowsRead(after).join(u"; "_s)));
    }
    m_reader->OnWalked({});

    CheckGoals(walks);
}

// The bus ends mid-batch: the batch and the window go on.
void TestAccessibilityBus::busGoesAwayMidBatch() {
    constexpr int kRows = 4;
    AddRows(kRows);
    bool ended = false;
    Serve(Number(2), [&](const QString &tel) {
        if (tel != Number(2))
            return;
        m_reader->Ask("endbus", [&](const QJsonObject &answer) {
            ended = answer[u"ended"_s].toBool();
            m_server->HoldAnswers(false);
        });
    });
    QTest::mouseClick(m_window->findChild<QPushButton *>(u"batch"_s), Qt::LeftButton);
    QVERIFY(WaitUntil([&] { return ended && !m_window->CommandRunning(); }));
    QCOMPARE(m_server->RequestCount(), kRows);
    QCOMPARE(m_window->Frame2Box()->title(), u"查询完毕，成功4条，失败0条"_s);

    Serve({}, [](const QString &) {});
    m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(u"13800000009"_s);
    QTest::mouseClick(m_window->findChild<QPushButton *>(u"seach"_s), Qt::LeftButton);
    QVERIFY(WaitUntil([&] { return !m_window->CommandRunning(); }));
    QCOMPARE(m_window->Frame1Box()->title(), u"查询成功，归属地为广东移动"_s);
}

QTEST_MAIN(TestAccessibilityBus)
#include "tst_accessibilitybus.moc"
