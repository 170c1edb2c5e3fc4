#pragma once

#include "connection.h"
#include "serverlimits.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/intrusive/list.hpp>

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

class SegmentAnswerer;

// How many connections are open and in which state, and how many were
// closed for the server's own reasons. Readable from any thread.
struct ServerCounts {
    size_t open = 0;
    size_t waiting = 0;
    size_t reading = 0;
    size_t writing = 0;
    size_t lingering = 0;
    size_t timedOut = 0; // past their deadline
    size_t evicted = 0;  // to keep under the cap
};

// Every open connection, in one list per kind of deadline: those with no
// request under way (waiting or lingering), those reading a request, those
// writing an answer. A connection joins the back of its list as it enters a
// state, and all in a list have the same time allowed, so each list is in
// order of deadline and of age: one timer for the earliest front serves all
// of them, and the oldest idle connection is always the first of its list.
// Entering a state costs no allocation and no timer operation.
class ConnectionRegistry {
public:
    ConnectionRegistry(boost::asio::io_context &io, const ServerLimits &limits,
                       const SegmentAnswerer &answerer);
    ~ConnectionRegistry();

    const ServerLimits &Limits() const { return m_limits; }
    const SegmentAnswerer &Answerer() const { return m_answerer; }
    bool Stopping() const { return m_stopping; }

    // A connection moves from one state to another; from or to Closed when
    // it opens or closes.
    void Enter(Connection &connection, Connection::State from, Connection::State to);

    // Closes connections while more than `cap` are open: the longest idle
    // first, then the longest reading; `newcomer` only when nothing else
    // can go. Connections writing an answer are never closed for it.
    void EnforceCap(size_t cap, Connection *newcomer);

    // Closes the connection idle longest, if there is one.
    bool CloseOldestIdle();

    // Stops every connection (Connection::Stop); the timer ends with the
    // last of them.
    void StopAll();

    // Buffers for request heads longer than a connection's own.
    std::unique_ptr<char[]> TakeLargeBuffer();
    void ReturnLargeBuffer(std::unique_ptr<char[]> buffer);

    ServerCounts Counts() const;

private:
    using List = boost::intrusive::list<Connection, boost::intrusive::constant_time_size<false>>;
    List *ListFor(Connection::State state);
    void Arm(Connection::Clock::time_point deadline);
    void Sweep();

    boost::asio::steady_timer m_timer;
    const ServerLimits &m_limits;
    const SegmentAnswerer &m_answerer;
    bool m_stopping = false;
    bool m_armed = false;
    Connection::Clock::time_point m_armedFor;
    List m_idle;
    List m_reading;
    List m_writing;
    std::vector<std::unique_ptr<char[]>> m_spareBuffers;
    // Indexed by Connection::State; Closed counts nothing.
    std::array<std::atomic<size_t>, 5> m_inState{};
    std::atomic<size_t> m_timedOut = 0;
    std::atomic<size_t> m_evicted = 0;
};
