// One command at a time: while a lookup or a command's dialog waits, commands
// arriving by accessibility or from code start nothing, then or later.
#include "barchart.h"
#include "filedialog.h"
#include "infowindows.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "phonestatswindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "resultlistmodel.h"
#include "resultlistview.h"
#include "skinengine.h"
#include "whenready.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
enum WayIn { AccessiblePress, AccessibleMenuPress, ListDoubleClick, PasteKeyAndDrop };

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
    void phoneStatsFollowABatch();

private:
    QPushButton *Button(const QString &name) const {
        return m_window->findChild<QPushButton *>(name);
    }
    void Intrude(WayIn way);

    QTemporaryDir m_dir;
    LoopbackServer *m_server = nullptr;
    QPointer<MainWindow> m_window;
};

void TestCommandGuard::initTestCase() {
    SetProgramDirectory(m_dir.path());
    QApplication::setQuitOnLastWindowClosed(false);
    QFile numbers(m_dir.filePath(u"numbers.txt"_s));
    QVERIFY(numbers.open(QIODevice::WriteOnly) && numbers.write("13800138000\n13900139000\n"));
}

void TestCommandGuard::init() {
    SkinEngine::SendCallsTo(&CountSkinCall);
    MessageBox::AnswerOkUnseen();
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_server->SetHandler([](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"北京"_s, u"中国移动"_s);
        return reply;
    });
    m_server->HoldAnswers(true);
    m_window = new MainWindow(m_server->HostAndPort(), 60'000);
    m_window->Frame2Box()->setTitle(u"未动"_s);
    m_window->findChild<QLineEdit *>(u"SinglePhone"_s)->setText(u"13800138000"_s);
    m_window->ListModel()->AppendRows(
        {{u"1"_s, u"13800138000"_s, {}}, {u"2"_s, u"13900139000"_s, {}}});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    g_skinCalls = 0;
    QGuiApplication::clipboard()->setText(u"13700137000"_s);
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

void TestCommandGuard::Intrude(WayIn way) {
    const QStringList buttons{u"seach"_s,   u"import"_s, u"batch"_s,
                              u"ClearLV"_s, u"save"_s,   u"Command1"_s};
    if (way == AccessiblePress) {
        for (const QString &name : buttons)
            Press(QAccessible::queryAccessibleInterface(Button(name)));
    } else if (way == AccessibleMenuPress) {
        int pressed = 0;
        for (QMenu *menu : m_window->findChildren<QMenu *>()) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(menu);
            for (int i = 0; i < accessible->childCount(); ++i) {
                QAccessibleInterface *item = accessible->child(i);
                // Not separators, submenus, or 退出 (which stops the command).
                if (item->role() == QAccessible::MenuItem && item->childCount() == 0 &&
                    !item->text(QAccessible::Name).startsWith(u"退出"_s)) {
                    Press(item);
                    ++pressed;
                }
            }
        }
        QCOMPARE(pressed, 21);
    } else if (way == PasteKeyAndDrop) {
        QTest::keyClick(m_window->ListView(), Qt::Key_V, Qt::ControlModifier);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(m_dir.filePath(u"numbers.txt"_s))});
        QWidget *list = m_window->ListView()->viewport();
        QDragEnterEvent enter(list->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list, &enter);
        QDropEvent drop(list->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list, &drop);
    } else {
        m_window->ListView()->setCurrentIndex(m_window->ListModel()->index(0, 0));
        Q_EMIT m_window->ListView()->DblClick();
    }
}

void TestCommandGuard::nothingStartsInsideAWait_data() {
    QTest::addColumn<QString>("command");
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
                {"accessible press on every menu item", AccessibleMenuPress},
                {"list double click", ListDoubleClick},
                {"Ctrl+V and a dropped file", PasteKeyAndDrop}};
    for (const auto &w : ways) {
        QTest::addRow("batch, %s", w.name) << u"batch"_s << int(w.way) << 2 << done << both;
        // These empty the list first: nothing to double-click.
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

    bool intrudedInside = false;
    bool clicksLanded = false;
    const auto intrude = [&] {
        intrudedInside = m_window->CommandRunning();
        Intrude(WayIn(way));
        // Animated clicks land on a timer: let the answers go after them all.
        const QList<QPushButton *> pushButtons = m_window->findChildren<QPushButton *>();
        WhenReady(
            m_window,
            [pushButtons] {
                return std::none_of(pushButtons.begin(), pushButtons.end(),
                                    [](QPushButton *b) { return b->isDown(); });
            },
            [&] {
                clicksLanded = true;
                m_server->HoldAnswers(false);
            });
    };
    if (command == u"import"_s) {
        FileDialog::SetNextFileName(m_dir.filePath(u"numbers.txt"_s), [&] {
            intrude();
            while (!clicksLanded)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        });
    } else {
        QTimer::singleShot(0, this, intrude); // inside the wait
    }

    QTest::mouseClick(Button(command), Qt::LeftButton);
    QVERIFY(intrudedInside);
    QVERIFY(clicksLanded);
    // Dropped, not put off: nothing turns up once the wait is over either.
    QCoreApplication::processEvents();

    QCOMPARE(MessageBox::Texts(), QStringList());
    QCOMPARE(FileDialog::TimesAsked(), command == u"import"_s ? 1 : 0);
    QCOMPARE(m_server->RequestCount(), requests);
    QCOMPARE(g_skinCalls, 0);
    QVERIFY(!OpenUsageNotes() && !OpenAttention() && !OpenAboutAuthor());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget *w) {
        return w->isVisible() && w->objectName() == u"FilterResult"_s;
    }));
    QVERIFY(!m_window->findChild<PhoneStatsWindow *>());
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->Frame2Box()->title(), frame2);
    QStringList found;
    for (int i = 1; i <= m_window->ListModel()->Count(); ++i)
        found.append(m_window->ListModel()->Location(i));
    QCOMPARE(found, locations);
}

// An open 号码统计 follows a waiting batch; its 复制 is dropped meanwhile.
void TestCommandGuard::phoneStatsFollowABatch() {
    m_server->HoldAnswers(false);
    m_server->SetHandler([](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        reply.body = ZoneAnswer(req.tel, u"北京"_s, u"中国移动"_s);
        reply.held = req.tel == u"13900139000"_s;
        return reply;
    });
    m_window->findChild<QAction *>(u"PhoneStats"_s)->trigger();
    auto *stats = m_window->findChild<PhoneStatsWindow *>();
    QVERIFY(stats);
    QVERIFY(QTest::qWaitForWindowExposed(stats));
    QCoreApplication::processEvents();
    BarChart *chart = stats->ProvinceChart();
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(chart);
    int paints = 0;
    struct PaintCounter : QObject {
        int &count;
        explicit PaintCounter(int &c)
            : count(c) {}
        bool eventFilter(QObject *, QEvent *event) override {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } counter(paints);
    chart->installEventFilter(&counter);
    QGuiApplication::clipboard()->setText(u"之前"_s);

    QStringList halfway;
    QTimer::singleShot(0, this, [&] {
        const int paintsAtStart = paints;
        WhenReady(
            m_window,
            [&, paintsAtStart] {
                return accessible->childCount() == 2 &&
                       accessible->child(0)->text(QAccessible::Name) == u"北京 1 条 (50.0%)"_s &&
                       paints > paintsAtStart;
            },
            [&] {
                halfway = chart->Lines();
                stats->findChild<QPushButton *>(u"StatsCopy"_s)->click();
                m_server->HoldAnswers(false);
            });
    });
    Button(u"batch"_s)->click();
    QCOMPARE(m_window->Frame2Box()->title(), u"查询完毕，成功2条，失败0条"_s);
    QCOMPARE(halfway, (QStringList{u"北京 1 条 (50.0%)"_s, u"未查到 1 条 (50.0%)"_s}));
    QCOMPARE(QGuiApplication::clipboard()->text(), u"之前"_s);
    QCOMPARE(accessible->child(0)->text(QAccessible::Name), u"北京 2 条 (100.0%)"_s);
    stats->findChild<QPushButton *>(u"StatsCopy"_s)->click();
    QVERIFY(QGuiApplication::clipboard()->text().contains(u"省份\t北京\t2\t100.0%"_s));
}

QTEST_MAIN(TestCommandGuard)
#include "tst_commandguard.moc"
