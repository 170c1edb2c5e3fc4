#include "infowindows/paragraphlabel.h"

#include <QTest>

// How close the lines of a long paragraph are drawn.
class TestParagraphLabel : public QObject {
    Q_OBJECT

private slots:
    void linePitch_data();
    void linePitch();
};

void TestParagraphLabel::linePitch_data() {
    QTest::addColumn<qreal>("natural");
    QTest::addColumn<qreal>("available");
    QTest::addColumn<int>("lines");
    QTest::addColumn<qreal>("expected");

    QTest::newRow("fits at natural spacing") << 15.0 << 60.0 << 3 << 15.0;
    QTest::newRow("exactly fits") << 15.0 << 60.0 << 4 << 15.0;
    QTest::newRow("squeezed to fit") << 15.0 << 65.0 << 5 << 13.0;
    QTest::newRow("never below three quarters") << 16.0 << 40.0 << 5 << 12.0;
    QTest::newRow("no lines") << 15.0 << 60.0 << 0 << 15.0;
    QTest::newRow("no height left") << 15.0 << 0.0 << 2 << 11.25;
}

void TestParagraphLabel::linePitch() {
    QFETCH(qreal, natural);
    QFETCH(qreal, available);
    QFETCH(int, lines);
    QFETCH(qreal, expected);
    QCOMPARE(ParagraphLinePitch(natural, available, lines), expected);
}

QTEST_APPLESS_MAIN(TestParagraphLabel)
#include "test_paragraphlabel.moc"
