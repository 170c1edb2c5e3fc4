#pragma once

#include "requestparser.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/intrusive/list_hook.hpp>

#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class ConnectionRegistry;

// One client's connection: reads requests, answers each, and keeps the
// connection for the next one. The registry knows which state every
// connection is in and since when, and closes those past their time.
//
// A connection holds a small buffer for requests of usual size; a longer
// head borrows a large one up to the limit, returned as soon as the request
// is answered. An answer is written from two strings kept from one request
// to the next, so a request costs no allocation once the connection has
// answered one. All of it runs on the server's one thread.
class Connection : public std::enable_shared_from_this<Connection>,
                   public boost::intrusive::list_base_hook<
                       boost::intrusive::link_mode<boost::intrusive::auto_unlink>> {
public:
    enum class State {
        Waiting,   // no request under way: new, or kept alive between requests
        Reading,   // part of a request has arrived
        Writing,   // an answer waits for the client to take it
        Lingering, // answered for the last time; what the client still sends is read and dropped
        Closed,
    };
    using Clock = std::chrono::steady_clock;

    Connection(boost::asio::ip::tcp::socket socket, ConnectionRegistry &registry);
    ~Connection();

    void Start();
    // At once; handlers still pending end quietly.
    void Close();
    // The server stops: a connection with no complete request closes now,
    // one being answered finishes that answer and then closes.
    void Stop();

    State GetState() const { return m_state; }
    Clock::time_point Deadline() const { return m_deadline; }
    void SetDeadline(Clock::time_point deadline) { m_deadline = deadline; }

private:
    void Read();
    void OnRead(const boost::system::error_code &error, size_t bytes);
    void Process();
    bool MakeRoom();
    void Answer();
    void Refuse(int status);
    bool Write();
    void OnWritten(const boost::system::error_code &error);
    bool AfterAnswer();
    void Linger();
    void ReleaseLargeBuffer();
    void SetState(State state);

    boost::asio::ip::tcp::socket m_socket;
    ConnectionRegistry &m_registry;
    State m_state = State::Waiting;
    Clock::time_point m_deadline;
    std::optional<RequestParser> m_parser;

    static constexpr size_t kSmallBufferBytes = 1024;
    std::array<char, kSmallBufferBytes> m_small;
    std::unique_ptr<char[]> m_large;
    char *m_data = m_small.data();
    size_t m_capacity = kSmallBufferBytes;
    size_t m_begin = 0; // parsed up to here
    size_t m_end = 0;   // received up to here

    std::string m_head;
    std::string m_body;
    std::array<boost::asio::const_buffer, 2> m_out;
    bool m_closeAfterAnswer = false;
};
