#include "cont.h"
#include "infowindows.h"
#include "tickermotion.h"
#include "twips.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const struct {
    void (*show)();
    QWidget *(*open)();
    const char *caption;
} kWindows[] = {{ShowUsageNotes, OpenUsageNotes, "使用说明"},
                {ShowAttention, OpenAttention, "注意事项"},
                {ShowAboutAuthor, OpenAboutAuthor, "关于作者"}};
} // namespace

class TestInfoWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void windowsOpenOnceWithTheirTexts();
    void contactLineLoadsAndMoves();
    void tickerMotion_data();
    void tickerMotion();
};

void TestInfoWindows::cleanup() {
    for (QWidget *window : QApplication::topLevelWidgets())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Each window opens once, modeless, read by its caption; closed, it is built anew.
void TestInfoWindows::windowsOpenOnceWithTheirTexts() {
    const auto readable = [](QWidget *window, const QString &caption) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(window);
        return face && face->role() == QAccessible::Window &&
               face->text(QAccessible::Name) == caption && !window->isModal() &&
               QAccessible::queryAccessibleInterface(qApp)->indexOfChild(face) >= 0;
    };
    QWidgetList open;
    for (const auto &info : kWindows) {
        const QString caption = QString::fromUtf8(info.caption);
        QCOMPARE(info.open(), nullptr);
        info.show();
        QPointer<QWidget> first = info.open();
        info.show(); // a second choice brings the same window forward
        QCOMPARE(info.open(), first.data());
        QCOMPARE(first->windowTitle(), caption);
        QVERIFY(!first->parentWidget() && !first->windowIcon().isNull());
        QVERIFY(readable(first, caption));
        QCOMPARE(first->minimumSize(), first->maximumSize());
        for (QLabel *label : first->findChildren<QLabel *>()) {
            QVERIFY(label->text().startsWith(u"  "_s) || label->objectName() == u"Label1"_s);
            QVERIFY(first->rect().contains(label->mapTo(first, label->rect().bottomRight())));
        }
        auto *label1 = first->findChild<QLabel *>(u"Label1"_s);
        const QString designed = label1->text();
        label1->setText(u"changed"_s);
        QVERIFY(first->close());
        QCOMPARE(info.open(), nullptr);
        info.show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(info.open()->findChild<QLabel *>(u"Label1"_s)->text(), designed);
        QVERIFY(!info.open()->parentWidget() && readable(info.open(), caption));
        open << info.open();
    }
    for (QWidget *window : open)
        QVERIFY(window->isVisible()); // all three at once
}

void TestInfoWindows::contactLineLoadsAndMoves() {
    ShowAboutAuthor();
    auto *cont = qobject_cast<Cont *>(OpenAboutAuthor());
    // Loading raised the scroll bar's minimum, and that change set the step.
    QCOMPARE(cont->ScrollStep(), 100.0f);
    auto *label = cont->findChild<QLabel *>(u"Label1"_s);
    QCOMPARE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()));
    QCOMPARE(label->pos(), QPoint(Twips(360), 0));

    QVERIFY(QMetaObject::invokeMethod(cont->findChild<QTimer *>(u"Timer1"_s), "timeout"));
    QCOMPARE(cont->TickerLeft(), 260.0f);
    // Exactly 100 a step until the line has gone, then at the outer width.
    for (float expected = 160.0f; expected >= -label->width() * 15; expected -= 100.0f) {
        cont->Timer1_Timer();
        QCOMPARE(cont->TickerLeft(), expected);
    }
    cont->Timer1_Timer();
    QCOMPARE(cont->TickerLeft(), float(cont->frameGeometry().width() * 15));
    QCOMPARE(label->x(), cont->frameGeometry().width());

    cont->findChild<QScrollBar *>(u"VScroll1"_s)->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(cont->ScrollStep(), 1000.0f);
}

void TestInfoWindows::tickerMotion_data() {
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("expected");
    // Width 2700, outer width 3765 throughout.
    QTest::newRow("landing on minus width is not a wrap") << -2600.0f << 100.0f << -2700.0f;
    QTest::newRow("one step past minus width wraps") << -2700.0f << 100.0f << 3765.0f;
    QTest::newRow("overshoot is not carried over") << -2650.0f << 1000.0f << 3765.0f;
}

void TestInfoWindows::tickerMotion() {
    QFETCH(float, left);
    QFETCH(float, step);
    TickerMotion motion{left, 2700.0f, step};
    motion.Tick(3765.0f);
    QTEST(motion.left, "expected");
}

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
