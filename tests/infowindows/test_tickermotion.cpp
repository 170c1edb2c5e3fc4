#include "infowindows/tickermotion.h"

#include <QTest>

// The contact line's movement across the about-author window, tick by tick.
class TestTickerMotion : public QObject {
    Q_OBJECT

private slots:
    void tick_data();
    void tick();
};

void TestTickerMotion::tick_data() {
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("expected");

    // Width 2700, outer width 3765 throughout.
    QTest::newRow("first tick from the design") << 360.0f << 100.0f << 260.0f;
    QTest::newRow("landing on minus width is not a wrap") << -2600.0f << 100.0f << -2700.0f;
    QTest::newRow("one step past minus width wraps") << -2700.0f << 100.0f << 3765.0f;
    QTest::newRow("overshoot is not carried over") << -2650.0f << 1000.0f << 3765.0f;
    QTest::newRow("moves on from the wrap point") << 3765.0f << 100.0f << 3665.0f;
    QTest::newRow("fastest step") << 360.0f << 1000.0f << -640.0f;
}

void TestTickerMotion::tick() {
    QFETCH(float, left);
    QFETCH(float, step);
    QFETCH(float, expected);

    TickerMotion motion{left, 2700.0f, step};
    motion.Tick(3765.0f);
    QCOMPARE(motion.left, expected);
}

QTEST_APPLESS_MAIN(TestTickerMotion)
#include "test_tickermotion.moc"
