#include "paintpacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

namespace {
// Stands in for a window: counts the refresh requests that reach it.
class Window : public QObject {
public:
    int refreshes = 0;
    bool event(QEvent *e) override {
        if (e->type() == QEvent::UpdateRequest)
            ++refreshes;
        return QObject::event(e);
    }
};

void AskRefresh(QObject *window) {
    QCoreApplication::postEvent(window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    QCoreApplication::sendPostedEvents();
}
} // namespace

class TestPaintPacer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void heldRefreshesArriveLater();
};

void TestPaintPacer::heldRefreshesArriveLater() {
    PaintPacer pacer(std::chrono::milliseconds(100));
    Window a, b;
    {
        const PaintPacer::Scope paced(pacer);
        AskRefresh(&a);
        QCOMPARE(a.refreshes, 1); // the first goes through at once
        AskRefresh(&a);
        AskRefresh(&b);
        QCOMPARE(a.refreshes, 1);
        QCOMPARE(b.refreshes, 0);
    }
    // Held requests are not lost when the scope ends, and both windows are
    // served in the same round.
    QTRY_COMPARE_WITH_TIMEOUT(a.refreshes, 2, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(b.refreshes, 1, 2000);
    QTest::qWait(250);
    QCOMPARE(a.refreshes, 2);
    QCOMPARE(b.refreshes, 1);

    // Outside a scope nothing is held.
    AskRefresh(&a);
    AskRefresh(&a);
    QCOMPARE(a.refreshes, 4);
}

QTEST_GUILESS_MAIN(TestPaintPacer)
#include "tst_paintpacer.moc"
