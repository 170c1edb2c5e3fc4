#include "connectionregistry.h"

#include <algorithm>

namespace {

using State = Connection::State;

// Spare large buffers kept for the next long request; more are freed.
constexpr size_t kMaxSpareBuffers = 64;

size_t Index(State state) {
    return size_t(state);
}

} // namespace

ConnectionRegistry::ConnectionRegistry(boost::asio::io_context &io, const ServerLimits &limits,
                                       const SegmentAnswerer &answerer)
    : m_timer(io)
    , m_limits(limits)
    , m_answerer(answerer) {}

ConnectionRegistry::~ConnectionRegistry() {
    // Connections still linked (the server is torn down without having run
    // to its end) leave their lists before the lists go.
    for (List *list : {&m_idle, &m_reading, &m_writing})
        list->clear();
}

ConnectionRegistry::List *ConnectionRegistry::ListFor(State state) {
    switch (state) {
    case State::Waiting:
    case State::Lingering:
        return &m_idle;
    case State::Reading:
        return &m_reading;
    case State::Writing:
        return &m_writing;
    case State::Closed:
        break;
    }
    return nullptr;
}

void ConnectionRegistry::Enter(Connection &connection, State from, State to) {
    if (from != State::Closed)
        --m_inState[Index(from)];
    connection.unlink();
    List *list = ListFor(to);
    if (list == nullptr) {
        if (m_stopping && m_idle.empty() && m_reading.empty() && m_writing.empty())
            m_timer.cancel();
        return;
    }
    ++m_inState[Index(to)];
    std::chrono::milliseconds allowed = m_limits.idleTime;
    if (to == State::Reading)
        allowed = m_limits.requestTime;
    else if (to == State::Writing)
        allowed = m_limits.writeTime;
    const Connection::Clock::time_point deadline = Connection::Clock::now() + allowed;
    connection.SetDeadline(deadline);
    list->push_back(connection);
    Arm(deadline);
}

void ConnectionRegistry::Arm(Connection::Clock::time_point deadline) {
    if (m_armed && m_armedFor <= deadline)
        return;
    m_armed = true;
    m_armedFor = deadline;
    // Setting the time cancels a wait under way; its handler sees that and
    // leaves the timer to this one.
    m_timer.expires_at(deadline);
    m_timer.async_wait([this](const boost::system::error_code &error) {
        if (error)
            return;
        m_armed = false;
        Sweep();
    });
}

void ConnectionRegistry::Sweep() {
    const Connection::Clock::time_point now = Connection::Clock::now();
    for (List *list : {&m_idle, &m_reading, &m_writing}) {
        while (!list->empty() && list->front().Deadline() <= now) {
            ++m_timedOut;
            list->front().Close(); // leaves the list
        }
    }
    for (List *list : {&m_idle, &m_reading, &m_writing}) {
        if (!list->empty())
            Arm(list->front().Deadline());
    }
}

bool ConnectionRegistry::CloseOldestIdle() {
    if (m_idle.empty())
        return false;
    ++m_evicted;
    m_idle.front().Close();
    return true;
}

void ConnectionRegistry::EnforceCap(size_t cap, Connection *newcomer) {
    while (Counts().open > cap) {
        List *from = nullptr;
        for (List *list : {&m_idle, &m_reading}) {
            if (!list->empty() && &list->front() != newcomer) {
                from = list;
                break;
            }
        }
        if (from == nullptr) {
            if (newcomer != nullptr && newcomer->GetState() != State::Closed) {
                ++m_evicted;
                newcomer->Close();
                continue;
            }
            return;
        }
        ++m_evicted;
        from->front().Close();
    }
}

void ConnectionRegistry::StopAll() {
    m_stopping = true;
    // Stop may close the connection, which takes it out of its list.
    for (List *list : {&m_idle, &m_reading, &m_writing}) {
        for (auto it = list->begin(); it != list->end();) {
            Connection &connection = *it++;
            connection.Stop();
        }
    }
    if (m_idle.empty() && m_reading.empty() && m_writing.empty())
        m_timer.cancel();
}

std::unique_ptr<char[]> ConnectionRegistry::TakeLargeBuffer() {
    if (m_spareBuffers.empty())
        return std::make_unique_for_overwrite<char[]>(m_limits.maxRequestBytes);
    std::unique_ptr<char[]> buffer = std::move(m_spareBuffers.back());
    m_spareBuffers.pop_back();
    return buffer;
}

void ConnectionRegistry::ReturnLargeBuffer(std::unique_ptr<char[]> buffer) {
    if (m_spareBuffers.size() < kMaxSpareBuffers)
        m_spareBuffers.push_back(std::move(buffer));
}

ServerCounts ConnectionRegistry::Counts() const {
    ServerCounts counts;
    counts.waiting = m_inState[Index(State::Waiting)];
    counts.reading = m_inState[Index(State::Reading)];
    counts.writing = m_inState[Index(State::Writing)];
    counts.lingering = m_inState[Index(State::Lingering)];
    counts.open = counts.waiting + counts.reading + counts.writing + counts.lingering;
    counts.timedOut = m_timedOut;
    counts.evicted = m_evicted;
    return counts;
}
