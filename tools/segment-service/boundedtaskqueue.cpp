#include "boundedtaskqueue.h"

BoundedTaskQueue::BoundedTaskQueue(size_t workers, size_t maxQueued)
    : m_maxQueued(maxQueued > 0 ? maxQueued : 1) {
    m_workers.reserve(workers);
    for (size_t i = 0; i < (workers > 0 ? workers : 1); ++i)
        m_workers.emplace_back([this] { Work(); });
}

BoundedTaskQueue::~BoundedTaskQueue() {
    shutdown();
}

void BoundedTaskQueue::enqueue(std::function<void()> job) {
    std::unique_lock lock(m_mutex);
    m_roomFree.wait(lock, [this] { return m_jobs.size() < m_maxQueued || m_shuttingDown; });
    // Even when shutting down the job runs: it owns an accepted socket, and
    // running it is what closes that socket.
    m_jobs.push_back(std::move(job));
    lock.unlock();
    m_jobReady.notify_one();
}

void BoundedTaskQueue::shutdown() {
    {
        std::lock_guard lock(m_mutex);
        if (m_shuttingDown && m_workers.empty())
            return;
        m_shuttingDown = true;
    }
    m_jobReady.notify_all();
    m_roomFree.notify_all();
    for (std::thread &worker : m_workers) {
        if (worker.joinable())
            worker.join();
    }
    m_workers.clear();
}

void BoundedTaskQueue::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [this] { return !m_jobs.empty() || m_shuttingDown; });
            if (m_jobs.empty())
                return; // shutting down and nothing left to do
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        m_roomFree.notify_one();
        job();
    }
}
