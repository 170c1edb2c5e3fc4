#include "commandwaiter.h"

#include <QEventLoop>
#include <QMetaObject>

#include <thread>

namespace {
// What a local loop returns with when it was ended here; anything else is
// the application's exit (QCoreApplication::exit ends every loop of the
// thread with its own code, and any loop started afterwards returns -1).
constexpr int kWoken = 0x7a01;
constexpr int kStopped = 0x7a02;
constexpr int kCannotRun = -1;
} // namespace

EventLoopWaiter::EventLoopWaiter() = default;

EventLoopWaiter::~EventLoopWaiter() = default;

bool EventLoopWaiter::Wait() {
    if (m_stop && !m_stopReported) {
        m_stopReported = true;
        return false;
    }
    QEventLoop loop;
    m_loop = &loop;
    // Woken already: the events waiting now are handled all the same, then
    // the wait ends. Work that wakes the waiter without pause (a fast batch)
    // would otherwise keep the window from them. (The wake's own handler may
    // have run while no loop did.)
    if (m_woken)
        PostWakeHandler();
    const int code = loop.exec();
    m_loop = nullptr;
    // A loop that cannot run returns -1 at once. Once the application's exit
    // has been noted, the thread has nothing else it could serve, and a
    // caller that waits for its work to end would otherwise spin.
    if (code == kCannotRun && m_quitAsked)
        return SleepUntilWoken();
    if (code != kWoken && code != kStopped)
        NoteQuit();
    if (m_stop)
        m_stopReported = true;
    return !m_stop;
}

bool EventLoopWaiter::SleepUntilWoken() {
    std::unique_lock lock(m_sleepMutex);
    m_sleep.wait(lock, [this] { return m_woken.exchange(false); });
    m_stopReported = true;
    return false;
}

void EventLoopWaiter::Wake() {
    // Only the first of several wakes before the waiter looks posts anything:
    // a worker may wake it for every piece it finishes.
    if (m_woken.exchange(true))
        return;
    {
        // Taken so that the wake cannot fall between the sleeper's look and
        // its sleep.
        const std::lock_guard lock(m_sleepMutex);
    }
    m_sleep.notify_all();
    PostWakeHandler();
}

// Ends the loop running when it is handled, behind every event posted before.
// The wake is taken in the same step as it is looked at: one that comes while
// the loop ends posts a handler of its own, and is never lost.
void EventLoopWaiter::PostWakeHandler() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_loop && m_woken.exchange(false))
                m_loop->exit(kWoken);
        },
        Qt::QueuedConnection);
}

void EventLoopWaiter::RequestStop() {
    m_stop = true;
    if (m_loop)
        m_loop->exit(kStopped);
}

void EventLoopWaiter::Reset() {
    m_woken = false;
    m_stop = false;
    m_stopReported = false;
    m_quitAsked = false;
}

void RunOffThread(CommandWaiter &waiter, const std::function<void()> &work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
        waiter.Wake();
    });
    while (!done)
        waiter.Wait();
    worker.join();
}
