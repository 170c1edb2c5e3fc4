#include "infowindows/cont.h"
#include "infowindows/infowindows.h"
#include "mainwindow/twips.h"
#include "windowsupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The about-author window: its design, its load handler and the moving
// contact line, driven tick by tick.
class TestAboutAuthor : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CloseAllWindows(); }

    void stepIsZeroUntilLoadRaisesTheMinimum();
    void designedStateAfterOpening();
    void paragraphs_data();
    void paragraphs();
    void contactLineIsMeasuredAtTenPoints();
    void firstTickAsksFor260();
    void timerDrivesTheTick();
    void wrapsToTheOuterWidthWithoutCarryOver();
    void scrollBarAtMaximumMovesByThousand();
    void reopeningStartsAgainFromTheDesign();
};

namespace {

Cont *OpenCont() {
    ShowAboutAuthor();
    return qobject_cast<Cont *>(OpenAboutAuthor());
}

QLabel *Label1(QWidget *cont) {
    return cont->findChild<QLabel *>("Label1", Qt::FindDirectChildrenOnly);
}

QScrollBar *VScroll1(QWidget *cont) {
    return cont->findChild<QScrollBar *>("VScroll1");
}

int OuterWidthTwips(QWidget *cont) {
    return cont->frameGeometry().width() * 15;
}

} // namespace

void TestAboutAuthor::stepIsZeroUntilLoadRaisesTheMinimum() {
    Cont cont;
    QCOMPARE(cont.ScrollStep(), 0.0f);
    QScrollBar *scroll = VScroll1(&cont);
    QCOMPARE(scroll->value(), 0);

    QSignalSpy changes(scroll, &QScrollBar::valueChanged);
    cont.Form_Load();
    // Only raising the minimum moved the value, and that move set the step.
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toInt(), 100);
    QCOMPARE(cont.ScrollStep(), 100.0f);
}

void TestAboutAuthor::designedStateAfterOpening() {
    Cont *cont = OpenCont();
    QVERIFY(cont);
    QCOMPARE(cont->windowTitle(), QString("关于作者"));
    QCOMPARE(cont->size(), TwipsSize(3735, 2970));
    QCOMPARE(cont->maximumSize(), TwipsSize(3735, 2970));

    QCOMPARE(cont->TickerLeft(), 360.0f);
    QCOMPARE(Label1(cont)->pos(), QPoint(Twips(360), 0));
    QVERIFY(Label1(cont)->text().contains("塔维"));
    QVERIFY(Label1(cont)->text().contains("QQ"));
    QVERIFY(!Label1(cont)->wordWrap());

    QScrollBar *scroll = VScroll1(cont);
    QCOMPARE(scroll->orientation(), Qt::Vertical);
    QCOMPARE(scroll->geometry(), TwipsRect(1680, 3480, 375, 135));
    QVERIFY(scroll->geometry().top() > cont->height());
    QCOMPARE(scroll->minimum(), 100);
    QCOMPARE(scroll->maximum(), 1000);
    QCOMPARE(scroll->value(), 100);
    QCOMPARE(scroll->pageStep(), 100);
    QCOMPARE(scroll->singleStep(), 100);
    QCOMPARE(cont->ScrollStep(), 100.0f);

    auto *timer = cont->findChild<QTimer *>("Timer1");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 100);
    QVERIFY(timer->isActive());

    auto *frame = cont->findChild<QGroupBox *>("Frame1");
    QVERIFY(frame);
    QCOMPARE(frame->title(), QString());
    QCOMPARE(frame->geometry(), TwipsRect(120, 240, 3495, 2535));
}

void TestAboutAuthor::paragraphs_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");

    QTest::newRow("Label2")
        << "Label2" << TwipsRect(120, 240, 3255, 615)
        << "  编程没有国界、语言之分，编程重要的是思想。我们不是IT界的Worker，我们"
           "是程序的Creator。";
    QTest::newRow("Label3")
        << "Label3" << TwipsRect(120, 960, 3255, 735)
        << "  广厦千间，夜眠仅需六尺；家财万贯，日食不过三餐。人们总是生活在追求中，"
           "却总是得不偿失。珍惜身边人，相爱家中亲。";
    QTest::newRow("Label4")
        << "Label4" << TwipsRect(120, 1800, 3255, 615)
        << "  如果你喜欢本软件，支持作者，或者有好的建议，请联系上方QQ，同时也衷心祝愿"
           "你和家人幸福快乐！";
}

void TestAboutAuthor::paragraphs() {
    QFETCH(QString, label);
    QFETCH(QRect, rect);
    QFETCH(QString, text);

    Cont *cont = OpenCont();
    auto *frame = cont->findChild<QGroupBox *>("Frame1");
    auto *paragraph = frame->findChild<QLabel *>(label);
    QVERIFY(paragraph);
    QCOMPARE(paragraph->geometry(), rect);
    QCOMPARE(paragraph->text(), text);
    QVERIFY(paragraph->wordWrap());
    // The paragraphs keep the default size; only the contact line is larger.
    QCOMPARE(paragraph->font().pointSize(), QApplication::font().pointSize());
}

void TestAboutAuthor::contactLineIsMeasuredAtTenPoints() {
    Cont *cont = OpenCont();
    QLabel *label = Label1(cont);
    QCOMPARE(label->font().pointSize(), 10);

    QFont tenPoints = QApplication::font();
    tenPoints.setPointSize(10);
    const QFontMetrics metrics(tenPoints);
    QCOMPARE(label->width(), metrics.horizontalAdvance(label->text()));
    QCOMPARE(label->height(), metrics.height());
    QVERIFY(label->width() != Twips(2655));
}

void TestAboutAuthor::firstTickAsksFor260() {
    Cont *cont = OpenCont();
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), 260.0f);
    QCOMPARE(Label1(cont)->x(), Twips(260));
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), 160.0f);
}

void TestAboutAuthor::timerDrivesTheTick() {
    Cont *cont = OpenCont();
    auto *timer = cont->findChild<QTimer *>("Timer1");
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(cont->TickerLeft(), 260.0f);
}

void TestAboutAuthor::wrapsToTheOuterWidthWithoutCarryOver() {
    Cont *cont = OpenCont();
    const float width = Label1(cont)->width() * 15;
    const float outer = OuterWidthTwips(cont);

    // Tick until the line has gone; every left before the wrap is one step
    // less than the last and not below minus the width.
    float expected = 360.0f;
    int ticks = 0;
    while (expected - 100.0f >= -width) {
        cont->Timer1_Timer();
        expected -= 100.0f;
        QCOMPARE(cont->TickerLeft(), expected);
        QVERIFY(++ticks < 100);
    }
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), outer);
    QCOMPARE(Label1(cont)->x(), cont->frameGeometry().width());
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), outer - 100.0f);
}

void TestAboutAuthor::scrollBarAtMaximumMovesByThousand() {
    Cont *cont = OpenCont();
    QScrollBar *scroll = VScroll1(cont);
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(scroll->value(), 1000);
    QCOMPARE(cont->ScrollStep(), 1000.0f);
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), -640.0f);

    // One click on the track back towards the top slows it by 100.
    scroll->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(cont->ScrollStep(), 900.0f);
}

void TestAboutAuthor::reopeningStartsAgainFromTheDesign() {
    Cont *cont = OpenCont();
    const QString line = Label1(cont)->text();
    const QRect lineGeometry = Label1(cont)->geometry();
    VScroll1(cont)->setValue(700);
    for (int i = 0; i < 5; ++i)
        cont->Timer1_Timer();
    QPointer<Cont> first = cont;
    QVERIFY(cont->close());
    ReleaseClosedWindows();
    QVERIFY(first.isNull());

    Cont *again = OpenCont();
    QVERIFY(again);
    QCOMPARE(again->TickerLeft(), 360.0f);
    QCOMPARE(again->ScrollStep(), 100.0f);
    QCOMPARE(VScroll1(again)->value(), 100);
    QCOMPARE(Label1(again)->text(), line);
    QCOMPARE(Label1(again)->geometry(), lineGeometry);
    again->Timer1_Timer();
    QCOMPARE(again->TickerLeft(), 260.0f);
}

QTEST_MAIN(TestAboutAuthor)
#include "test_aboutauthor.moc"
