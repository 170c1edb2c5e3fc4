#include "transferthread.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {
// How often an overdue job is told again to end.
constexpr int kOverdueRepeatMs = 50;
} // namespace

TransferThread::TransferThread()
    : m_thread([this] { Serve(); }) {}

TransferThread::~TransferThread() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void TransferThread::Serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        const std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

void TransferThread::Run(const std::function<void()> &job, int timeoutMs,
                         const std::function<void()> &overdue) {
    QEventLoop loop;
    std::atomic<bool> finished = false;
    {
        std::lock_guard lock(m_mutex);
        // After setting the flag the worker touches nothing of this call's:
        // the wait may already be over. The receiver outlives the worker.
        m_jobs.push_back([&finished, &job, this] {
            job();
            {
                std::lock_guard done(m_mutex);
                finished = true;
            }
            m_done.notify_all();
            QMetaObject::invokeMethod(
                &m_doneReceiver,
                [this] {
                    for (QEventLoop *waiting : std::as_const(m_waiting))
                        waiting->quit();
                },
                Qt::QueuedConnection);
        });
    }
    m_wake.notify_one();

    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        deadline.setInterval(kOverdueRepeatMs);
        overdue();
    });
    deadline.start(timeoutMs);
    // Everything the job refers to stays alive until it has said it is done.
    // A quit meant for an earlier wait only makes us wait on.
    QElapsedTimer waited;
    waited.start();
    m_waiting.append(&loop);
    while (!finished) {
        // -1: the application is quitting, and no event loop of this thread
        // runs any more, timers included. Wait for the job here instead.
        if (loop.exec(QEventLoop::ExcludeUserInputEvents) == -1) {
            WaitBlocking(finished, timeoutMs - waited.elapsed(), overdue);
            break;
        }
    }
    m_waiting.removeOne(&loop);
}

void TransferThread::WaitBlocking(const std::atomic<bool> &finished, qint64 timeLeftMs,
                                  const std::function<void()> &overdue) {
    std::chrono::milliseconds slice{std::max<qint64>(timeLeftMs, 0)};
    std::unique_lock lock(m_mutex);
    while (!m_done.wait_for(lock, slice, [&finished] { return finished.load(); })) {
        lock.unlock();
        overdue();
        lock.lock();
        slice = std::chrono::milliseconds(kOverdueRepeatMs);
    }
}
