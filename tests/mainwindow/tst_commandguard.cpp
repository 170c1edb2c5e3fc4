// One command at a time: while a lookup or a command's own dialog waits,
// commands that still arrive by the accessibility bus or from code start
// nothing, then or later; a close asked for meanwhile waits for the command's
// end, and an open information window keeps moving.
#include "cont.h"
#include "filedialog.h"
#include "infowindows.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "resultlistview.h"
#include "skinengine.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
constexpr int kWaitMs = 500; // every answer, and the import's dialog, takes this long
constexpr int kIntrudeAtMs = 100;

enum WayIn { AccessiblePress, ProgrammaticClick, AccessibleMenuPress, ListDoubleClick };

int g_skinCalls = 0;
int CountSkinCall(const char *, const char *) {
    ++g_skinCalls;
    return 0;
}

void Press(QAccessibleInterface *accessible) {
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}
} // namespace

class TestCommandGuard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void nothingStartsInsideAWait_data();
    void nothingStartsInsideAWait();
    void closeWaitsForTheRunningCommandWhileInfoWindowsTick();

private:
    QPushButton *Button(const QString &name) const {
        return m_window->findChild<QPushButton *>(name);
    }
    void StartWith(const QString &numberTyped) {
        m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(numberTyped);
        m_window->ListModel()->AppendRows(
            {{u"1"_s, u"13800138000"_s, {}}, {u"2"_s, u"13900139000"_s, {}}});
    }

    QTemporaryDir m_dir;
    LoopbackServer *m_server = nullptr;
    QPointer<MainWindow> m_window;
};

void TestCommandGuard::initTestCase() {
    SetProgramDirectory(m_dir.path());
    // The tests close their only window; that must not end the run.
    QApplication::setQuitOnLastWindowClosed(false);
    QFile numbers(m_dir.filePath(u"numbers.txt"_s));
    QVERIFY(numbers.open(QIODevice::WriteOnly) && numbers.write("13800138000\n13900139000\n"));
}

void TestCommandGuard::init() {
    SkinEngine::SendCallsTo(&CountSkinCall);
    MessageBox::AnswerOkUnseen();
    // The Open dialog waits in an event loop of its own.
    FileDialog::SetNextFileName(m_dir.filePath(u"numbers.txt"_s), kWaitMs);
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_server->SetHandler([](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"北京"_s, u"中国移动"_s);
        reply.delayMs = kWaitMs;
        return reply;
    });
    m_window = new MainWindow(m_server->HostAndPort(), 5000);
    m_window->Frame2Box()->setTitle(u"未动"_s);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    g_skinCalls = 0;
}

void TestCommandGuard::cleanup() {
    delete m_window;
    delete m_server;
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    MessageBox::Reset();
    FileDialog::Reset();
    SkinEngine::Reset();
}

void TestCommandGuard::nothingStartsInsideAWait_data() {
    QTest::addColumn<QString>("command"); // the button that starts the waiting command
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("frame2");
    QTest::addColumn<QStringList>("locations");

    const QString done = u"查询完毕，成功2条，失败0条"_s;
    const QString imported = u"共导入2条号码，无效号码0条"_s;
    const QStringList one{u"北京 移动"_s}, both{one[0], one[0]}, none{{}, {}};
    const struct {
        const char *name;
        WayIn way;
    } ways[] = {{"accessible press on every button", AccessiblePress},
                {"click() on every button", ProgrammaticClick},
                {"accessible press on every menu item", AccessibleMenuPress},
                {"list double click", ListDoubleClick}};
    for (const auto &w : ways) {
        QTest::addRow("batch, %s", w.name) << u"batch"_s << int(w.way) << 2 << done << both;
        // The single query and the import empty the list before they wait,
        // so a double click then has nothing to copy either way.
        if (w.way == ListDoubleClick)
            continue;
        QTest::addRow("single query, %s", w.name)
            << u"seach"_s << int(w.way) << 1 << u"未动"_s << one;
        QTest::addRow("import's dialog, %s", w.name)
            << u"import"_s << int(w.way) << 0 << imported << none;
    }
}

void TestCommandGuard::nothingStartsInsideAWait() {
    QFETCH(QString, command);
    QFETCH(int, way);
    QFETCH(int, requests);
    QFETCH(QString, frame2);
    QFETCH(QStringList, locations);
    StartWith(u"13800138000"_s);

    bool intrudedInside = false;
    QTimer::singleShot(kIntrudeAtMs, this, [&] {
        intrudedInside = m_window->CommandRunning();
        const QStringList buttons{u"seach"_s,   u"import"_s, u"batch"_s,
                                  u"ClearLV"_s, u"save"_s,   u"Command1"_s};
        if (way == AccessiblePress) { // an animated click: it lands on a timer, later
            for (const QString &name : buttons)
                Press(QAccessible::queryAccessibleInterface(Button(name)));
        } else if (way == ProgrammaticClick) {
            for (const QString &name : buttons)
                Button(name)->click();
        } else if (way == AccessibleMenuPress) {
            int pressed = 0;
            for (QMenu *menu : m_window->findChildren<QMenu *>()) {
                QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(menu);
                for (int i = 0; i < accessible->childCount(); ++i) {
                    QAccessibleInterface *item = accessible->child(i);
                    // Separators and the items that open a submenu run nothing.
                    if (item->role() == QAccessible::MenuItem && item->childCount() == 0) {
                        Press(item);
                        ++pressed;
                    }
                }
            }
            QCOMPARE(pressed, 17);
        } else {
            m_window->ListView()->setCurrentIndex(m_window->ListModel()->index(0, 0));
            Q_EMIT m_window->ListView()->DblClick();
        }
    });

    QTest::mouseClick(Button(command), Qt::LeftButton);
    QVERIFY(intrudedInside);
    // Dropped, not put off: nothing turns up once the wait is over either.
    QTest::qWait(3 * kIntrudeAtMs);

    QCOMPARE(MessageBox::Texts(), QStringList());
    QCOMPARE(FileDialog::TimesAsked(), command == u"import"_s ? 1 : 0);
    QCOMPARE(m_server->RequestCount(), requests);
    QCOMPARE(g_skinCalls, 0);
    QVERIFY(!OpenUsageNotes() && !OpenAttention() && !OpenAboutAuthor());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget *w) {
        return w->isVisible() && w->objectName() == u"FilterResult"_s;
    }));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->Frame2Box()->title(), frame2);
    QStringList found;
    for (int i = 1; i <= m_window->ListModel()->Count(); ++i)
        found.append(m_window->ListModel()->Location(i));
    QCOMPARE(found, locations);
}

void TestCommandGuard::closeWaitsForTheRunningCommandWhileInfoWindowsTick() {
    m_window->findChild<QAction *>(u"Author"_s)->trigger();
    auto *author = qobject_cast<Cont *>(OpenAboutAuthor());
    QVERIFY(author);
    // As the program's start-up sets it: a closed main window is deleted.
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    StartWith({});
    float tickerAtClose = 0;
    bool keptOpen = false;
    QTimer::singleShot(kIntrudeAtMs, this, [&] {
        tickerAtClose = author->TickerLeft();
        m_window->close(); // what the close box does
        keptOpen = m_window->isVisible();
    });

    Button(u"batch"_s)->click();
    QVERIFY(keptOpen);
    QVERIFY(author->TickerLeft() != tickerAtClose);
    // The batch ran to its end, and only then did the window close.
    QCOMPARE(m_window->Frame2Box()->title(), u"查询完毕，成功2条，失败0条"_s);
    QFile log(m_dir.filePath(u"tarvio.txt"_s));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count('\n'), 3);
    QVERIFY(!m_window->isVisible());
    QTRY_VERIFY(!m_window);
}

QTEST_MAIN(TestCommandGuard)
#include "tst_commandguard.moc"
