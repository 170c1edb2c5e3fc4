#include "infowindows/infowindows.h"
#include "mainwindow/twips.h"
#include "windowsupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Opening, closing and reopening the three information windows, and the
// designed layout of the two notes windows.
class TestInfoWindows : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CloseAllWindows(); }

    void oneCopyAfterTwoChoices_data();
    void oneCopyAfterTwoChoices();
    void allThreeOpenBesideTheMainWindow();
    void closeReleasesAndReopenBuildsAnew_data();
    void closeReleasesAndReopenBuildsAnew();
    void notesLayout_data();
    void notesLayout();
    void closingTheMainWindowKeepsTheAppAlive();
};

namespace {

struct InfoWindow {
    void (*show)();
    QWidget *(*open)();
    const char *name;
    const char *caption;
};

const InfoWindow kWindows[] = {
    {ShowUsageNotes, OpenUsageNotes, "ShuoMing", "使用说明"},
    {ShowAttention, OpenAttention, "ZhuYi", "注意事项"},
    {ShowAboutAuthor, OpenAboutAuthor, "Cont", "关于作者"},
};

void AddWindowRows() {
    QTest::addColumn<int>("which");
    for (int i = 0; i < 3; ++i)
        QTest::newRow(kWindows[i].name) << i;
}

int VisibleWindowsNamed(const QString &name) {
    int count = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->objectName() == name)
            ++count;
    return count;
}

} // namespace

void TestInfoWindows::oneCopyAfterTwoChoices_data() {
    AddWindowRows();
}

void TestInfoWindows::oneCopyAfterTwoChoices() {
    QFETCH(int, which);
    const InfoWindow &info = kWindows[which];

    QCOMPARE(info.open(), nullptr);
    info.show();
    QWidget *first = info.open();
    QVERIFY(first);
    info.show();
    QCOMPARE(info.open(), first);
    QCOMPARE(VisibleWindowsNamed(info.name), 1);
    QVERIFY(QTest::qWaitForWindowActive(first));
    QCOMPARE(QApplication::activeWindow(), first);
}

void TestInfoWindows::allThreeOpenBesideTheMainWindow() {
    QWidget mainWindow;
    mainWindow.show();

    for (const InfoWindow &info : kWindows)
        info.show();

    QList<QWidget *> open;
    for (const InfoWindow &info : kWindows) {
        QWidget *window = info.open();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->isWindow());
        QCOMPARE(window->parentWidget(), nullptr);
        QCOMPARE(window->objectName(), QString::fromUtf8(info.name));
        QCOMPARE(window->windowTitle(), QString::fromUtf8(info.caption));
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(!open.contains(window));
        open << window;
    }
    QVERIFY(mainWindow.isVisible());

    // Bringing one to the front leaves the others open.
    ShowUsageNotes();
    for (QWidget *window : open)
        QVERIFY(window->isVisible());
}

void TestInfoWindows::closeReleasesAndReopenBuildsAnew_data() {
    AddWindowRows();
}

void TestInfoWindows::closeReleasesAndReopenBuildsAnew() {
    QFETCH(int, which);
    const InfoWindow &info = kWindows[which];

    info.show();
    QPointer<QWidget> first = info.open();
    const QRect firstGeometry = first->findChild<QGroupBox *>("Frame1")->geometry();
    // Change the window so that a rebuilt one can be told from a reshown one.
    first->findChild<QLabel *>("Label1")->setText("changed");

    QVERIFY(first->close());
    QCOMPARE(info.open(), nullptr);

    // Choosing again before the closed window is deleted still builds anew.
    info.show();
    QWidget *second = info.open();
    QVERIFY(second);
    QVERIFY(second != first.data());
    ReleaseClosedWindows();
    QVERIFY(first.isNull());
    QCOMPARE(info.open(), second);

    QCOMPARE(second->size(), second->minimumSize());
    QCOMPARE(second->size(), second->maximumSize());
    QCOMPARE(second->findChild<QGroupBox *>("Frame1")->geometry(), firstGeometry);
    QVERIFY(second->findChild<QLabel *>("Label1")->text() != "changed");
}

void TestInfoWindows::notesLayout_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");

    const QSize shuoMing = TwipsSize(3975, 3105);
    const QRect shuoMingFrame = TwipsRect(120, 120, 3735, 2775);
    QTest::newRow("ShuoMing Label1")
        << 0 << shuoMing << shuoMingFrame << "Label1" << TwipsRect(120, 240, 3495, 495)
        << "  首先非常感谢你使用本软件，希望本软件能给你带来一份愉悦的心情。";
    QTest::newRow("ShuoMing Label2")
        << 0 << shuoMing << shuoMingFrame << "Label2" << TwipsRect(120, 720, 3495, 975)
        << "  "
           "本软件依靠网络进行归属地信息查询，使用前请保证网络畅通。查询速度取决于你的网速，对于此"
           "本人表示抱歉，因为本软件是利用网路数据接口进行信息查询，支持最新的号码段，摒弃了离线版"
           "的"
           "失效性。";
    QTest::newRow("ShuoMing Label3")
        << 0 << shuoMing << shuoMingFrame << "Label3" << TwipsRect(120, 1800, 3495, 855)
        << "  "
           "本软件适合单条手机号的查询，也适合批量查询，支持文本导入。使用批量查询功能时请将要查询"
           "的号码按每行一条的形式保存进TXT文本，然后导入即可。";

    const QSize zhuYi = TwipsSize(3975, 3330);
    const QRect zhuYiFrame = TwipsRect(120, 120, 3735, 3015);
    QTest::newRow("ZhuYi Label1")
        << 1 << zhuYi << zhuYiFrame << "Label1" << TwipsRect(120, 240, 3495, 735)
        << "  "
           "使用批量查询时建议一次性处理的数据在1万条以下，这样也会减少你等待的时间，同时建议你可以"
           "批量打开本软件进行查询操作。";
    QTest::newRow("ZhuYi Label2") << 1 << zhuYi << zhuYiFrame << "Label2"
                                  << TwipsRect(120, 1080, 3495, 735)
                                  << "  软件在批量查询时会实时的把查询结果保存在软件目录下的 "
                                     "tarvio.txt 文件中，如果你没有及时"
                                     "保存，Don't worry !";
    QTest::newRow("ZhuYi Label3")
        << 1 << zhuYi << zhuYiFrame << "Label3" << TwipsRect(120, 1800, 3495, 615)
        << "  "
           "软件尽可能的考虑到了各种意外情况，如果在使用过程中存在问题或是有好的建议，可以随时联系"
           "作者。";
    QTest::newRow("ZhuYi Label4")
        << 1 << zhuYi << zhuYiFrame << "Label4" << TwipsRect(120, 2520, 3495, 375)
        << "  时间关系，本软件仅进行到此，后续会继续改进，提高效率和数据支持量。";
}

void TestInfoWindows::notesLayout() {
    QFETCH(int, which);
    QFETCH(QSize, client);
    QFETCH(QRect, frame);
    QFETCH(QString, label);
    QFETCH(QRect, rect);
    QFETCH(QString, text);

    kWindows[which].show();
    QWidget *window = kWindows[which].open();
    QVERIFY(window);
    QCOMPARE(window->size(), client);
    QCOMPARE(window->minimumSize(), client);
    QCOMPARE(window->maximumSize(), client);

    auto *frame1 = window->findChild<QGroupBox *>("Frame1");
    QVERIFY(frame1);
    QCOMPARE(frame1->parentWidget(), window);
    QCOMPARE(frame1->title(), QString());
    QCOMPARE(frame1->geometry(), frame);

    auto *paragraph = frame1->findChild<QLabel *>(label);
    QVERIFY(paragraph);
    QCOMPARE(paragraph->parentWidget(), frame1);
    QCOMPARE(paragraph->geometry(), rect);
    QCOMPARE(paragraph->text(), text);
    QVERIFY(paragraph->text().startsWith("  "));
    QVERIFY(paragraph->wordWrap());
    QCOMPARE(paragraph->font().pointSize(), QApplication::font().pointSize());
}

void TestInfoWindows::closingTheMainWindowKeepsTheAppAlive() {
    // The application only reports its last window closed, and quits, while
    // its event loop runs; so the steps run from inside exec().
    QVERIFY(QApplication::quitOnLastWindowClosed());
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);

    auto *mainWindow = new QWidget;
    mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    mainWindow->show();
    ShowAboutAuthor();
    ShowAttention();

    int closedAfterMain = -1;
    bool infoOpenAfterMain = false;
    bool reachedLastStep = false;
    int closedBeforeLast = -1;
    // The timers belong to this object, so none outlives the test.
    QObject steps;
    QTimer::singleShot(0, &steps, [&] {
        mainWindow->close();
        closedAfterMain = lastClosed.count();
        QTimer::singleShot(0, &steps, [&] {
            infoOpenAfterMain = OpenAboutAuthor() && OpenAttention();
            if (QWidget *attention = OpenAttention())
                attention->close();
            QTimer::singleShot(0, &steps, [&] {
                reachedLastStep = true;
                closedBeforeLast = lastClosed.count();
                if (QWidget *about = OpenAboutAuthor())
                    about->close();
                // The spy tells whether the last close was noticed; end the
                // loop here in any case rather than wait for the quit.
                QTimer::singleShot(0, &steps, [] { QCoreApplication::exit(); });
            });
        });
    });
    QApplication::exec();

    QCOMPARE(closedAfterMain, 0);
    QVERIFY(infoOpenAfterMain);
    QVERIFY(reachedLastStep);
    QCOMPARE(closedBeforeLast, 0);
    QCOMPARE(lastClosed.count(), 1);
}

QTEST_MAIN(TestInfoWindows)
#include "test_infowindows.moc"
