#pragma once

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed number of worker threads and a bounded queue of accepted
// connections waiting for one. httplib's own pool queues without limit; here
// the accepting thread waits while the queue is full, so further clients wait
// in the kernel's listen backlog instead of piling up in memory.
class BoundedTaskQueue : public httplib::TaskQueue {
public:
    BoundedTaskQueue(size_t workers, size_t maxQueued);
    ~BoundedTaskQueue() override;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

private:
    void Work();

    const size_t m_maxQueued;
    std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_roomFree;
    std::deque<std::function<void()>> m_jobs;
    bool m_shuttingDown = false;
    std::vector<std::thread> m_workers;
};
