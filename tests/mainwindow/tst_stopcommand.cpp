// A lookup waiting on a service that never answers can always be left: Esc,
// the close box, 退出 and the session's end stop it (all but Esc then close).
// What was done stays done, and a stopped batch goes on at the next 批量查询.
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "recordingview.h"
#include "resultlistmodel.h"
#include "skinengine.h"
#include "whenready.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {
enum Stop { Escape, CloseBox, ExitItem, SessionQuit };

int IgnoreSkin(const char *, const char *) {
    return 0;
}
} // namespace

class TestStopCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void stopsALookup_data();
    void stopsALookup();

private:
    // Stops once the service holds tel's request, from inside the window's wait.
    void StopWhenWaiting(const QString &tel, Stop way);

    QTemporaryDir m_dir;
    LoopbackServer *m_server = nullptr;
    QPointer<MainWindow> m_window;
    bool m_stopped = false;
    std::atomic<int> m_holdFrom{0}; // rows from this one on are held; 0: none
};

void TestStopCommand::initTestCase() {
    SetProgramDirectory(m_dir.path());
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestStopCommand::init() {
    SkinEngine::SendCallsTo(&IgnoreSkin);
    MessageBox::AnswerOkUnseen();
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_server->SetHandler([this](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"广东"_s, u"中国移动"_s);
        reply.held = m_holdFrom > 0 && req.tel.right(1).toInt() >= m_holdFrom;
        return reply;
    });
    m_holdFrom = 3;
    m_window = new MainWindow(m_server->HostAndPort(), 600'000);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_stopped = false;
}

void TestStopCommand::cleanup() {
    delete m_window;
    delete m_server;
    MessageBox::Reset();
    SkinEngine::Reset();
}

void TestStopCommand::stopsALookup_data() {
    QTest::addColumn<bool>("batch");
    QTest::addColumn<int>("way");
    QTest::addColumn<bool>("closes");
    for (const bool batch : {true, false}) {
        const char *what = batch ? "batch" : "single query";
        QTest::addRow("%s, Esc", what) << batch << int(Escape) << false;
        QTest::addRow("%s, close box", what) << batch << int(CloseBox) << true;
        QTest::addRow("%s, 退出", what) << batch << int(ExitItem) << true;
        QTest::addRow("%s, end of the session", what) << batch << int(SessionQuit) << true;
    }
}

void TestStopCommand::StopWhenWaiting(const QString &tel, Stop way) {
    const auto waiting = [this, tel] {
        const QList<LoopbackServer::Request> requests = m_server->Requests();
        return std::any_of(requests.begin(), requests.end(),
                           [&](const auto &request) { return request.tel == tel; }) &&
               (tel == u"13800138000"_s ||
                m_window->Frame2Box()->title().startsWith(u"正在查询第3条"_s));
    };
    WhenReady(this, waiting, [this, way] {
        m_stopped = true;
        switch (way) {
        case Escape:
            QTest::keyClick(m_window->findChild<QLineEdit *>(u"SinglePhone"_s), Qt::Key_Escape);
            break;
        case CloseBox:
            m_window->close();
            break;
        case ExitItem:
            m_window->findChild<QAction *>(u"Exit"_s)->trigger();
            break;
        case SessionQuit: {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
            break;
        }
        }
    });
}

void TestStopCommand::stopsALookup() {
    QFETCH(bool, batch);
    QFETCH(int, way);
    QFETCH(bool, closes);
    if (batch) {
        for (int i = 1; i <= 4; ++i)
            m_window->ListModel()->AppendRows({{QString::number(i), u"1380000000%1"_s.arg(i), {}}});
    } else {
        m_server->HoldAnswers(true);
        m_window->ListModel()->AppendRows({{u"1"_s, u"13900000000"_s, {}}});
        m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(u"13800138000"_s);
    }
    StopWhenWaiting(batch ? u"13800000003"_s : u"13800138000"_s, Stop(way));
    m_window->findChild<QPushButton *>(batch ? u"batch"_s : u"seach"_s)->click();

    QVERIFY(m_stopped);
    QVERIFY(!m_window->CommandRunning());
    QCOMPARE(m_window->isVisible(), !closes);
    QCOMPARE(MessageBox::Texts(), QStringList());
    if (!batch) {
        QCOMPARE(m_window->Frame1Box()->title(), u"查询已停止"_s);
        QCOMPARE(m_window->ListModel()->Count(), 0);
        return;
    }
    QCOMPARE(m_window->Frame2Box()->title(), u"查询已停止，成功2条，失败2条"_s);
    const QStringList locations{u"广东 移动"_s, u"广东 移动"_s, {}, {}};
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(m_window->ListModel()->Location(i), locations[i - 1]);
    const QString done = u"序号\t手机号\t\t归属地\r\n1\t13800000001\t广东 移动\r\n"
                         u"2\t13800000002\t广东 移动\r\n"_s;
    QCOMPARE(ReadLogText(m_dir.filePath(u"tarvio.txt"_s)), done);
    if (closes)
        return;
    m_holdFrom = 0;
    const int asked = m_server->RequestCount();
    m_window->findChild<QPushButton *>(u"batch"_s)->click();
    QCOMPARE(m_window->Frame2Box()->title(), u"查询完毕，成功4条，失败0条"_s);
    QStringList again;
    for (const LoopbackServer::Request &request : m_server->Requests().mid(asked))
        again << request.tel;
    again.sort();
    QCOMPARE(again, (QStringList{u"13800000003"_s, u"13800000004"_s}));
    QCOMPARE(ReadLogText(m_dir.filePath(u"tarvio.txt"_s)),
             done + u"3\t13800000003\t广东 移动\r\n4\t13800000004\t广东 移动\r\n"_s);
}

QTEST_MAIN(TestStopCommand)
#include "tst_stopcommand.moc"
