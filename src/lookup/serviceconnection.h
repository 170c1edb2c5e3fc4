#pragma once

#include "answerparser.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One kept-alive connection to the service, on the transfer thread: the
// requests written to it go out in order, and its answers are read in the
// same order, one parser after the other. What the requests are and what
// their answers mean is the engine's affair (transferengine.h); the
// connection tells it of each whole answer and of its end.
class ServiceConnection : public std::enable_shared_from_this<ServiceConnection> {
public:
    using Clock = std::chrono::steady_clock;

    // Why a connection ended before its answers were all there.
    enum class Break {
        ConnectFailed,
        Closed,      // the service closed it (or it was reset)
        BadAnswer,   // not HTTP, or past the size caps
        TimedOut,    // the engine gave up on it
        Unsolicited, // bytes came that no request asked for
    };

    class Listener {
    public:
        // A whole answer to the first request still open; the connection
        // reads on after it unless the listener closes it.
        virtual void OnAnswer(ServiceConnection &connection, AnswerParser &answer) = 0;
        // The connection has ended and is closed; `answerBegun` tells
        // whether any of the first open request's answer had arrived.
        virtual void OnBroken(ServiceConnection &connection, Break why, bool answerBegun) = 0;
        // What arrived at once has been read.
        virtual void OnReadDone(ServiceConnection &connection) = 0;

    protected:
        ~Listener() = default;
    };

    ServiceConnection(boost::asio::io_context &io, Listener &listener, std::uint64_t maxBodyBytes);
    ~ServiceConnection();
    ServiceConnection(const ServiceConnection &) = delete;
    ServiceConnection &operator=(const ServiceConnection &) = delete;

    void Connect(const std::vector<boost::asio::ip::tcp::endpoint> &endpoints);
    // Queues requests; they go out once the connection is made and what was
    // written before has gone.
    void Send(const std::string &requests);
    // Ends it as broken (the listener is told).
    void Fail(Break why);
    // Ends it quietly: no answer and no break is reported any more.
    void Close();
    bool IsOpen() const { return !m_closed; }

    // The engine's bookkeeping: the rows whose requests went out here, in
    // order, and when the first of them is given up.
    std::deque<qint64> rows;
    Clock::time_point deadline;
    int answers = 0;         // whole answers read
    bool keptAlive = false;  // its first answer said that it stays open
    bool draining = false;   // takes no more requests, and closes once idle
    std::string requestText; // requests made but not yet handed to Send

private:
    void Read();
    void OnRead(const boost::system::error_code &error, std::size_t bytes);
    void Parse();
    void StartWrite();
    bool AnswerBegun() const;

    boost::asio::ip::tcp::socket m_socket;
    Listener &m_listener;
    std::uint64_t m_maxBodyBytes;
    bool m_connected = false;
    bool m_closed = false;
    std::optional<AnswerParser> m_parser;
    std::vector<char> m_in;
    std::size_t m_begin = 0, m_end = 0; // parsed up to, received up to
    std::string m_out, m_pending;       // being written, waiting to be
    bool m_writing = false;
};
