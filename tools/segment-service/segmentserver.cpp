#include "segmentserver.h"

#include "openfilelimit.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>

#include <algorithm>
#include <memory>

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

// Descriptors kept free for everything but connections: the listening
// socket, the table files, the standard streams.
constexpr size_t kReservedDescriptors = 32;

} // namespace

SegmentServer::SegmentServer(ServerLimits limits, SegmentTable segments)
    : m_limits(limits)
    , m_answerer(std::move(segments)) {}

SegmentServer::~SegmentServer() = default;

int SegmentServer::Bind(const ListenAddress &address, std::string *error) {
    boost::system::error_code code;
    tcp::resolver resolver(m_io);
    const auto endpoints =
        resolver.resolve(address.host, std::to_string(address.port),
                         tcp::resolver::passive | tcp::resolver::numeric_service, code);
    for (const auto &entry : endpoints) {
        boost::system::error_code ignored;
        m_acceptor.close(ignored);
        m_acceptor.open(entry.endpoint().protocol(), code);
        if (code)
            continue;
#ifndef _WIN32
        // On Windows the same option would let another program take the
        // port from under us.
        m_acceptor.set_option(tcp::acceptor::reuse_address(true), ignored);
#endif
        m_acceptor.bind(entry.endpoint(), code);
        if (!code)
            m_acceptor.listen(m_limits.listenBacklog, code);
        if (code)
            continue;
        return m_acceptor.local_endpoint().port();
    }
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    if (error != nullptr)
        *error = code ? code.message() : "no such address";
    return -1;
}

void SegmentServer::Run() {
    const size_t descriptors = OpenFileLimit();
    m_cap = m_limits.maxConnections;
    if (descriptors > 0)
        m_cap = std::min(m_cap, descriptors > 2 * kReservedDescriptors
                                    ? descriptors - kReservedDescriptors
                                    : descriptors / 2);
    if (m_acceptor.is_open())
        Accept();
    m_io.run();
}

void SegmentServer::Stop() {
    asio::post(m_io, [this] {
        boost::system::error_code ignored;
        m_acceptor.close(ignored);
        m_acceptRetry.cancel();
        m_registry.StopAll();
    });
}

void SegmentServer::Accept() {
    m_acceptor.async_accept([this](const boost::system::error_code &error, tcp::socket socket) {
        OnAccepted(error, std::move(socket));
    });
}

void SegmentServer::OnAccepted(const boost::system::error_code &error, tcp::socket socket) {
    if (!m_acceptor.is_open())
        return; // stopping
    if (error) {
        // Out of descriptors or memory: make room by closing the connection
        // idle longest, or wait a little for one to close, rather than
        // spinning on a connection that cannot be taken.
        if (error == asio::error::no_descriptors || error == asio::error::no_memory ||
            error == asio::error::no_buffer_space) {
            if (!m_registry.CloseOldestIdle()) {
                m_acceptRetry.expires_after(std::chrono::milliseconds(50));
                m_acceptRetry.async_wait([this](const boost::system::error_code &waitError) {
                    if (!waitError && m_acceptor.is_open())
                        Accept();
                });
                return;
            }
        }
        return Accept();
    }
    auto connection = std::make_shared<Connection>(std::move(socket), m_registry);
    connection->Start();
    m_registry.EnforceCap(m_cap, connection.get());
    Accept();
}
