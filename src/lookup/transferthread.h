#pragma once

#include <QList>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QEventLoop;

// A thread that lives as long as its owner and runs blocking transfers, one
// at a time. The calling thread waits in a local event loop that takes no
// user input: windows keep painting, timers and sockets of the calling
// thread keep being served, and no click or key starts anything else.
class TransferThread {
public:
    TransferThread();
    ~TransferThread();
    TransferThread(const TransferThread &) = delete;
    TransferThread &operator=(const TransferThread &) = delete;

    // Runs job on the thread and returns once it has finished. When it has
    // not finished after timeoutMs, overdue is called on the calling thread,
    // and again every few milliseconds until the job returns; it must make
    // the job end.
    void Run(const std::function<void()> &job, int timeoutMs, const std::function<void()> &overdue);

private:
    void Serve();
    void WaitBlocking(const std::atomic<bool> &finished, qint64 timeLeftMs,
                      const std::function<void()> &overdue);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done; // a job has finished
    std::deque<std::function<void()>> m_jobs;
    bool m_quit = false;
    // Lives on the thread that owns this object; the worker tells it that a
    // job is done, and it ends every wait under way (a wait may be nested in
    // another one), each of which then looks whether its own job is done.
    QObject m_doneReceiver;
    QList<QEventLoop *> m_waiting;
    std::thread m_thread;
};
