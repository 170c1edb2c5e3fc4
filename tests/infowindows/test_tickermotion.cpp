#include "infowindows/tickermotion.h"

#include <QTest>

// The ticker's arithmetic on its own, tick by tick.
class TestTickerMotion : public QObject {
    Q_OBJECT

private slots:
    void tick_data();
    void tick();
    void runsForeverWithinBounds();
};

void TestTickerMotion::tick_data() {
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("outerWidth");
    QTest::addColumn<float>("expected");

    QTest::newRow("first tick from the design") << 360.0f << 2700.0f << 100.0f << 3765.0f << 260.0f;
    QTest::newRow("lands exactly on minus width: not yet wrapped")
        << -2600.0f << 2700.0f << 100.0f << 3765.0f << -2700.0f;
    QTest::newRow("one more step past minus width wraps")
        << -2700.0f << 2700.0f << 100.0f << 3765.0f << 3765.0f;
    QTest::newRow("overshoot is not carried over")
        << -2650.0f << 2700.0f << 1000.0f << 3765.0f << 3765.0f;
    QTest::newRow("from the wrap point it moves on")
        << 3765.0f << 2700.0f << 100.0f << 3765.0f << 3665.0f;
    QTest::newRow("fastest step") << 360.0f << 2700.0f << 1000.0f << 3765.0f << -640.0f;
    QTest::newRow("no step, no movement") << 360.0f << 2700.0f << 0.0f << 3765.0f << 360.0f;
}

void TestTickerMotion::tick() {
    QFETCH(float, left);
    QFETCH(float, width);
    QFETCH(float, step);
    QFETCH(float, outerWidth);
    QFETCH(float, expected);

    TickerMotion motion{left, width, step};
    motion.Tick(outerWidth);
    QCOMPARE(motion.left, expected);
}

void TestTickerMotion::runsForeverWithinBounds() {
    // Two full laps at the slowest step: the line stays between minus its
    // width and the outer width, and comes back to where the first lap began.
    TickerMotion motion{360.0f, 2700.0f, 100.0f};
    const float outer = 3765.0f;
    float firstWrapLeft = 0.0f;
    int wraps = 0;
    for (int i = 0; i < 200 && wraps < 2; ++i) {
        const float before = motion.left;
        motion.Tick(outer);
        QVERIFY(motion.left >= -2700.0f);
        QVERIFY(motion.left <= outer);
        if (motion.left > before) {
            ++wraps;
            if (wraps == 1)
                firstWrapLeft = motion.left;
            QCOMPARE(motion.left, firstWrapLeft);
        }
    }
    QCOMPARE(wraps, 2);
}

QTEST_APPLESS_MAIN(TestTickerMotion)
#include "test_tickermotion.moc"
