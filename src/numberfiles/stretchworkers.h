#pragma once

#include "xmlstretch.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// What reading one stretch gave.
struct ReadStretch {
    std::unique_ptr<XmlStretch> stretch;
    WorkbookFault fault = WorkbookFault::None;
    bool ended = false;
    bool endsAtCut = false;
};

// Threads that read stretches of a part's XML as they are handed in, and
// give back what each gave in the order they were handed in. Without a
// thread (none could be started) a stretch is read where it is handed in.
class StretchWorkers {
public:
    using Reader = std::function<ReadStretch(const QByteArray &)>;

    explicit StretchWorkers(Reader read);
    // Stretches not yet read are dropped; those being read are waited for.
    ~StretchWorkers();
    StretchWorkers(const StretchWorkers &) = delete;
    StretchWorkers &operator=(const StretchWorkers &) = delete;

    // Starts up to `count` threads (the first time only).
    void Start(int count);
    void Hand(QByteArray bytes);
    // Handed in and not yet taken back.
    qsizetype Outstanding() const { return m_handed - m_taken; }
    // The next stretch's result in order: waits for it when `wait`, or
    // nothing if it is not read yet.
    std::optional<ReadStretch> TakeNext(bool wait);

private:
    void Work();

    Reader m_read;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_handedIn, m_readOut;
    std::deque<std::pair<qsizetype, QByteArray>> m_queue;
    std::map<qsizetype, ReadStretch> m_results;
    qsizetype m_handed = 0;
    qsizetype m_taken = 0;
    bool m_closing = false;
    bool m_started = false;
};
