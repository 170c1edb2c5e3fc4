#pragma once

#include "connectionregistry.h"
#include "listenaddress.h"
#include "segmentanswer.h"
#include "serverlimits.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <string>
#include <string_view>

// The HTTP side: one path answered by SegmentAnswerer, 404 for every other.
// Event-driven on one thread (epoll on Linux, I/O completion ports on
// Windows, through Boost.Asio), so a connection that sends nothing, or
// sends slowly, costs a little memory and never holds up another client.
class SegmentServer {
public:
    explicit SegmentServer(ServerLimits limits = {}, SegmentTable segments = {});
    ~SegmentServer();
    SegmentServer(const SegmentServer &) = delete;
    SegmentServer &operator=(const SegmentServer &) = delete;

    // Binds and starts listening (clients may connect from here on, their
    // requests wait until Run). Returns the bound port, or -1 when the
    // address cannot be had, with the reason in `error`. Port 0 picks a
    // free one.
    int Bind(const ListenAddress &address, std::string *error = nullptr);

    // Serves on the calling thread until Stop has been called and every
    // answer under way has gone out.
    void Run();

    // May be called from any thread, before Run too: no more connections are
    // taken, those with no complete request are closed, and an answer being
    // written is finished before its connection closes.
    void Stop();

    // Readable from any thread, while Run serves.
    ServerCounts Counts() const { return m_registry.Counts(); }

private:
    void Accept();
    void OnAccepted(const boost::system::error_code &error, boost::asio::ip::tcp::socket socket);

    ServerLimits m_limits;
    SegmentAnswerer m_answerer;
    boost::asio::io_context m_io{1};
    boost::asio::ip::tcp::acceptor m_acceptor{m_io};
    boost::asio::steady_timer m_acceptRetry{m_io};
    ConnectionRegistry m_registry{m_io, m_limits, m_answerer};
    size_t m_cap = 0;
};
