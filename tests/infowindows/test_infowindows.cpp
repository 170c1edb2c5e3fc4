#include "infowindows/cont.h"
#include "infowindows/infowindows.h"
#include "mainwindow/twips.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Opening, closing and reopening the three information windows, and the
// about-author window's moving contact line, driven tick by tick.
class TestInfoWindows : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void oneCopyAfterTwoChoices_data();
    void oneCopyAfterTwoChoices();
    void allThreeOpenBesideTheMainWindow();
    void reopenGivesTheDesignedState_data();
    void reopenGivesTheDesignedState();
    void contactLineLoadsAndMoves();
    void scrollBarAtMaximumMovesByThousand();
    void closingTheMainWindowKeepsTheAppAlive();
};

namespace {

struct InfoWindow {
    void (*show)();
    QWidget *(*open)();
    const char *name;
};

const InfoWindow kWindows[] = {
    {ShowUsageNotes, OpenUsageNotes, "ShuoMing"},
    {ShowAttention, OpenAttention, "ZhuYi"},
    {ShowAboutAuthor, OpenAboutAuthor, "Cont"},
};

void AddWindowRows() {
    QTest::addColumn<int>("which");
    for (int i = 0; i < 3; ++i)
        QTest::newRow(kWindows[i].name) << i;
}

// Lets windows released by their close box be deleted, as the event loop would.
void ReleaseClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Every control of a window with its place and text, to compare openings.
QStringList Snapshot(QWidget *window) {
    QStringList controls{window->windowTitle(), QString::number(window->width()),
                         QString::number(window->height())};
    for (QWidget *child : window->findChildren<QWidget *>()) {
        const QRect g = child->geometry();
        controls << QString("%1 %2,%3 %4x%5")
                        .arg(child->objectName())
                        .arg(g.x())
                        .arg(g.y())
                        .arg(g.width())
                        .arg(g.height());
        if (auto *label = qobject_cast<QLabel *>(child))
            controls << label->text();
    }
    return controls;
}

Cont *OpenCont() {
    ShowAboutAuthor();
    return qobject_cast<Cont *>(OpenAboutAuthor());
}

} // namespace

void TestInfoWindows::cleanup() {
    for (QWidget *window : QApplication::topLevelWidgets())
        window->close();
    ReleaseClosedWindows();
}

void TestInfoWindows::oneCopyAfterTwoChoices_data() {
    AddWindowRows();
}

void TestInfoWindows::oneCopyAfterTwoChoices() {
    QFETCH(int, which);
    const InfoWindow &info = kWindows[which];

    QCOMPARE(info.open(), nullptr);
    info.show();
    QWidget *first = info.open();
    info.show();
    QCOMPARE(info.open(), first);
    int named = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        named += window->objectName() == info.name;
    QCOMPARE(named, 1);
    QVERIFY(QTest::qWaitForWindowActive(first));
}

void TestInfoWindows::allThreeOpenBesideTheMainWindow() {
    QWidget mainWindow;
    mainWindow.show();
    for (const InfoWindow &info : kWindows)
        info.show();

    QSet<QWidget *> open;
    for (const InfoWindow &info : kWindows) {
        QWidget *window = info.open();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->parentWidget(), nullptr);
        QVERIFY(!window->windowIcon().isNull());
        open << window;
    }
    QCOMPARE(open.size(), 3);
    QVERIFY(mainWindow.isVisible());
}

void TestInfoWindows::reopenGivesTheDesignedState_data() {
    AddWindowRows();
}

void TestInfoWindows::reopenGivesTheDesignedState() {
    QFETCH(int, which);
    const InfoWindow &info = kWindows[which];

    info.show();
    QPointer<QWidget> first = info.open();
    const QStringList designed = Snapshot(first);
    QCOMPARE(first->size(), first->maximumSize());
    for (QLabel *label : first->findChildren<QLabel *>())
        QVERIFY(label->text().startsWith("  ") || label->objectName() == "Label1");
    // Move things about so that a reshown window could not pass for a new one.
    if (auto *cont = qobject_cast<Cont *>(first.data())) {
        cont->findChild<QScrollBar *>("VScroll1")->setValue(700);
        cont->Timer1_Timer();
    }
    first->findChild<QLabel *>("Label1")->setText("changed");

    QVERIFY(first->close());
    QCOMPARE(info.open(), nullptr);
    // A choice made before the closed window is deleted already builds anew.
    info.show();
    QWidget *second = info.open();
    QVERIFY(second && second != first);
    ReleaseClosedWindows();
    QVERIFY(first.isNull());
    QCOMPARE(Snapshot(second), designed);
    if (auto *cont = qobject_cast<Cont *>(second)) {
        QCOMPARE(cont->TickerLeft(), 360.0f);
        QCOMPARE(cont->ScrollStep(), 100.0f);
    }
}

void TestInfoWindows::contactLineLoadsAndMoves() {
    Cont unloaded;
    QCOMPARE(unloaded.ScrollStep(), 0.0f);
    QSignalSpy changes(unloaded.findChild<QScrollBar *>("VScroll1"), &QScrollBar::valueChanged);
    unloaded.Form_Load();
    // Only raising the minimum moved the value, and that move set the step.
    QCOMPARE(changes.count(), 1);
    QCOMPARE(unloaded.ScrollStep(), 100.0f);

    Cont *cont = OpenCont();
    auto *label = cont->findChild<QLabel *>("Label1");
    QFont tenPoints = QApplication::font();
    tenPoints.setPointSize(10);
    QCOMPARE(label->font().pointSize(), 10);
    QCOMPARE(label->width(), QFontMetrics(tenPoints).horizontalAdvance(label->text()));
    QCOMPARE(label->pos(), QPoint(Twips(360), 0));
    QVERIFY(label->text().contains("塔维") && label->text().contains("QQ"));
    // The scroll bar lies below the client area.
    QVERIFY(cont->findChild<QScrollBar *>("VScroll1")->y() > cont->height());

    QVERIFY(QMetaObject::invokeMethod(cont->findChild<QTimer *>("Timer1"), "timeout"));
    QCOMPARE(cont->TickerLeft(), 260.0f);
    QCOMPARE(label->x(), Twips(260));

    // On to the wrap: every step is exactly 100 until the line has gone, then
    // it stands at the outer width with nothing carried over.
    const float width = label->width() * 15;
    for (float expected = 160.0f; expected >= -width; expected -= 100.0f) {
        cont->Timer1_Timer();
        QCOMPARE(cont->TickerLeft(), expected);
    }
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), float(cont->frameGeometry().width() * 15));
    QCOMPARE(label->x(), cont->frameGeometry().width());
}

void TestInfoWindows::scrollBarAtMaximumMovesByThousand() {
    Cont *cont = OpenCont();
    auto *scroll = cont->findChild<QScrollBar *>("VScroll1");
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(cont->ScrollStep(), 1000.0f);
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), -640.0f);
}

void TestInfoWindows::closingTheMainWindowKeepsTheAppAlive() {
    // The application notices its last window closing only while its event
    // loop runs, so the steps run from inside exec().
    QVERIFY(QApplication::quitOnLastWindowClosed());
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    auto *mainWindow = new QWidget;
    mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    mainWindow->show();
    ShowAboutAuthor();

    int closedAfterMain = -1;
    bool openAfterMain = false;
    QObject steps; // owns the timers, so none outlives the test
    QTimer::singleShot(0, &steps, [&] {
        mainWindow->close();
        closedAfterMain = lastClosed.count();
        QTimer::singleShot(0, &steps, [&] {
            openAfterMain = OpenAboutAuthor() != nullptr;
            if (openAfterMain)
                OpenAboutAuthor()->close();
            // The spy tells whether the last close was noticed; end the loop
            // here in any case rather than wait on the quit.
            QTimer::singleShot(0, &steps, [] { QCoreApplication::exit(); });
        });
    });
    QApplication::exec();

    QCOMPARE(closedAfterMain, 0);
    QVERIFY(openAfterMain);
    QCOMPARE(lastClosed.count(), 1);
}

QTEST_MAIN(TestInfoWindows)
#include "test_infowindows.moc"
