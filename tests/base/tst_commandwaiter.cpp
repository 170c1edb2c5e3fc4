// A command's wait: woken from any thread, stopped with or without a loop, asleep after exit.
#include "commandwaiter.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

class TestCommandWaiter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wokenBeforeItWaits();
    void stopWhileItWaits();
    void stopWhileNoLoopRuns();
    void exitDuringAWait();
    void runOffThread_data();
    void runOffThread();
};

// Woken before it waits: the events waiting are handled, and the wait ends.
void TestCommandWaiter::wokenBeforeItWaits() {
    EventLoopWaiter waiter;
    bool handled = false;
    QMetaObject::invokeMethod(
        &waiter, [&] { handled = true; }, Qt::QueuedConnection);
    std::thread([&] { waiter.Wake(); }).join();
    waiter.Wake(); // twice before it looks: one wait ends
    QVERIFY(waiter.Wait());
    QVERIFY(handled);
    bool timerRan = false;
    QTimer::singleShot(0, &waiter, [&] {
        timerRan = true;
        waiter.Wake();
    });
    QVERIFY(waiter.Wait());
    QVERIFY(timerRan);
}

void TestCommandWaiter::stopWhileItWaits() {
    EventLoopWaiter waiter;
    QTimer::singleShot(0, &waiter, [&] { waiter.RequestStop(); });
    QVERIFY(!waiter.Wait());
    QVERIFY(waiter.StopAsked());
    // The wait for the work to end after a stop ends on a wake.
    std::thread worker;
    QTimer::singleShot(0, &waiter, [&] { worker = std::thread([&] { waiter.Wake(); }); });
    QVERIFY(!waiter.Wait());
    worker.join();
    waiter.Reset();
    QVERIFY(!waiter.StopAsked());
}

// A stop asked for between two waits is reported by the next, at once.
void TestCommandWaiter::stopWhileNoLoopRuns() {
    EventLoopWaiter waiter;
    waiter.RequestStop();
    bool timerRan = false;
    QTimer::singleShot(0, &waiter, [&] {
        timerRan = true;
        waiter.Wake();
    });
    QVERIFY(!waiter.Wait());
    QVERIFY(!timerRan);
    QVERIFY(!waiter.Wait()); // for the work to end
    QVERIFY(timerRan);
}

// An exit during a wait is a stop; the wait for the work to end then sleeps.
void TestCommandWaiter::exitDuringAWait() {
    EventLoopWaiter waiter;
    bool first = true;
    int waits = 0;
    QTimer::singleShot(0, &waiter, [&] {
        QTimer::singleShot(0, &waiter, [] { QCoreApplication::exit(0); });
        first = waiter.Wait();
        std::atomic<bool> done{false};
        std::thread worker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            done = true;
            waiter.Wake();
        });
        while (!done) {
            ++waits;
            waiter.Wait();
        }
        worker.join();
    });
    QCoreApplication::exec();
    QVERIFY(!first);
    QVERIFY(waiter.QuitAsked());
    QVERIFY(waiter.StopAsked());
    QVERIFY(waits <= 2);
}

// The work runs off this thread while it serves events; a stop does not cut it short.
void TestCommandWaiter::runOffThread_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("left alone") << false;
    QTest::newRow("stopped meanwhile") << true;
}

void TestCommandWaiter::runOffThread() {
    QFETCH(bool, stop);
    EventLoopWaiter waiter;
    std::atomic<bool> served{false};
    QTimer::singleShot(0, &waiter, [&] {
        if (stop)
            waiter.RequestStop();
        served = true;
    });
    std::thread::id workThread;
    bool finished = false;
    RunOffThread(waiter, [&] {
        workThread = std::this_thread::get_id();
        while (!served)
            std::this_thread::yield();
        finished = true;
    });
    QVERIFY(finished);
    QVERIFY(workThread != std::this_thread::get_id());
    QCOMPARE(waiter.StopAsked(), stop);
}

QTEST_GUILESS_MAIN(TestCommandWaiter)
#include "tst_commandwaiter.moc"
