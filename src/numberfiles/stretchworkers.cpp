#include "stretchworkers.h"

#include <system_error>
#include <utility>

StretchWorkers::StretchWorkers(Reader read)
    : m_read(std::move(read)) {}

StretchWorkers::~StretchWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    m_handedIn.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void StretchWorkers::Start(int count) {
    if (std::exchange(m_started, true))
        return;
    for (int i = 0; i < count; ++i) {
        try {
            m_threads.emplace_back([this] { Work(); });
        } catch (const std::system_error &) {
            // No more threads to be had: those started do the work, or,
            // without any, Hand() does.
            break;
        }
    }
}

void StretchWorkers::Hand(QByteArray bytes) {
    const qsizetype index = m_handed++;
    if (m_threads.empty()) {
        ReadStretch read = m_read(bytes);
        std::lock_guard lock(m_mutex);
        m_results.emplace(index, std::move(read));
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace_back(index, std::move(bytes));
    }
    m_handedIn.notify_one();
}

std::optional<ReadStretch> StretchWorkers::TakeNext(bool wait) {
    if (m_taken == m_handed)
        return std::nullopt;
    std::unique_lock lock(m_mutex);
    if (wait)
        m_readOut.wait(lock, [this] { return m_results.count(m_taken) > 0; });
    const auto found = m_results.find(m_taken);
    if (found == m_results.end())
        return std::nullopt;
    ReadStretch read = std::move(found->second);
    m_results.erase(found);
    ++m_taken;
    return read;
}

void StretchWorkers::Work() {
    for (;;) {
        std::pair<qsizetype, QByteArray> job;
        {
            std::unique_lock lock(m_mutex);
            m_handedIn.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_closing)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        ReadStretch read = m_read(job.second);
        job.second = QByteArray();
        {
            std::lock_guard lock(m_mutex);
            m_results.emplace(job.first, std::move(read));
        }
        m_readOut.notify_all();
    }
}
