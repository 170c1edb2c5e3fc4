#include "httptransfer.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>

#include <algorithm>
#include <string>

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using boost::system::error_code;

namespace {
// Room for any header block a real server sends; a longer one is not an
// answer we want.
constexpr std::uint32_t kMaxHeaderBytes = 64 * 1024;

QByteArray Bytes(boost::beast::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The errors by which a kept connection shows that the server has closed it.
bool ConnectionGone(const error_code &error) {
    return error == http::error::end_of_stream || error == asio::error::eof ||
           error == asio::error::connection_reset || error == asio::error::connection_aborted ||
           error == asio::error::broken_pipe;
}
} // namespace

// One request and its answer. The handlers of the network operations hold it,
// so that a transfer given up halfway (stopped, or out of time) can simply be
// left: whatever of it still completes later finds it abandoned and does
// nothing.
struct Exchange {
    std::string request;
    http::response_parser<http::string_body> parser;
    error_code error;
    bool finished = false;
    bool abandoned = false;

    void Finish(const error_code &result) {
        error = result;
        finished = true;
    }
};

struct HttpTransfer::Connection {
    Connection(const QString &hostName, quint16 portNumber, std::chrono::milliseconds limit,
               qint64 maxBody)
        : host(hostName.toStdString())
        , port(portNumber)
        , timeout(limit)
        , maxBodyBytes(static_cast<std::uint64_t>(std::max<qint64>(maxBody, 0))) {
        // An IPv6 address goes between brackets in the Host header.
        hostField = host.find(':') == std::string::npos ? host : '[' + host + ']';
        if (port != 80)
            hostField += ':' + std::to_string(port);
    }

    void Start(const std::shared_ptr<Exchange> &exchange);
    void Send(const std::shared_ptr<Exchange> &exchange);
    void Close();

    // How a wait for the exchange ended.
    enum class WaitEnd { Finished, TimedOut, Stopped };
    WaitEnd Wait(const Exchange &exchange, Clock::time_point deadline, const WaitHook &hook);

    // One thread, ours: no locking inside the context.
    asio::io_context io{1};
    tcp::resolver resolver{io};
    tcp::socket socket{io};
    // What the server sent beyond the last answer on this connection.
    boost::beast::flat_buffer buffer;
    std::string host;
    quint16 port;
    std::string hostField;
    std::chrono::milliseconds timeout;
    std::uint64_t maxBodyBytes;
};

void HttpTransfer::Connection::Start(const std::shared_ptr<Exchange> &exchange) {
    if (socket.is_open())
        return Send(exchange);
    const auto connected = [this, exchange](const error_code &error) {
        if (exchange->abandoned)
            return;
        if (error)
            return exchange->Finish(error);
        // Answers are small and one at a time: each request goes out at once.
        error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        Send(exchange);
    };
    error_code notAnAddress;
    const asio::ip::address address = asio::ip::make_address(host, notAnAddress);
    if (!notAnAddress)
        return socket.async_connect(tcp::endpoint(address, port), connected);
    resolver.async_resolve(
        host, std::to_string(port),
        [this, exchange, connected](const error_code &error, tcp::resolver::results_type found) {
            if (exchange->abandoned)
                return;
            if (error)
                return exchange->Finish(error);
            asio::async_connect(socket, found,
                                [connected](const error_code &result, const tcp::endpoint &) {
                                    connected(result);
                                });
        });
}

void HttpTransfer::Connection::Send(const std::shared_ptr<Exchange> &exchange) {
    asio::async_write(socket, asio::buffer(exchange->request),
                      [this, exchange](const error_code &error, size_t) {
                          if (exchange->abandoned)
                              return;
                          if (error)
                              return exchange->Finish(error);
                          http::async_read_header(
                              socket, buffer, exchange->parser,
                              [this, exchange](const error_code &failed, size_t) {
                                  if (exchange->abandoned)
                                      return;
                                  // Beast 1.74 lets a declared length past the body limit
                                  // through when the parser reads eagerly, so the length
                                  // is weighed here, before any of the body is kept.
                                  const auto declared = exchange->parser.content_length();
                                  if (!failed && declared && *declared > maxBodyBytes)
                                      return exchange->Finish(http::error::body_limit);
                                  if (failed || exchange->parser.is_done())
                                      return exchange->Finish(failed);
                                  http::async_read(socket, buffer, exchange->parser,
                                                   [exchange](const error_code &result, size_t) {
                                                       if (!exchange->abandoned)
                                                           exchange->Finish(result);
                                                   });
                              });
                      });
}

void HttpTransfer::Connection::Close() {
    error_code ignored;
    resolver.cancel();
    socket.close(ignored);
    buffer.consume(buffer.size());
}

HttpTransfer::Connection::WaitEnd HttpTransfer::Connection::Wait(const Exchange &exchange,
                                                                 Clock::time_point deadline,
                                                                 const WaitHook &hook) {
    while (!exchange.finished) {
        if (hook && !hook())
            return WaitEnd::Stopped;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return WaitEnd::TimedOut;
        // Returns as soon as the exchange has run out of work, which is when
        // it has finished, or after the slice.
        io.restart();
        io.run_for(std::min<Clock::duration>(deadline - now, kHookInterval));
    }
    return WaitEnd::Finished;
}

HttpTransfer::HttpTransfer(const QString &host, quint16 port, std::chrono::milliseconds timeout,
                           qint64 maxBodyBytes)
    : m_connection(std::make_unique<Connection>(host, port, timeout, maxBodyBytes)) {}

HttpTransfer::~HttpTransfer() {
    Close();
}

HttpTransfer::Answer HttpTransfer::Get(const QByteArray &target, const WaitHook &whileWaiting) {
    Connection &connection = *m_connection;
    const Clock::time_point deadline = Clock::now() + connection.timeout;
    const std::string request = "GET " + target.toStdString() +
                                " HTTP/1.1\r\nHost: " + connection.hostField +
                                "\r\nAccept: */*\r\n\r\n";
    Answer answer;
    for (bool retried = false;;) {
        const bool reused = connection.socket.is_open();
        const auto exchange = std::make_shared<Exchange>();
        exchange->request = request;
        exchange->parser.header_limit(kMaxHeaderBytes);
        exchange->parser.body_limit(connection.maxBodyBytes);
        connection.Start(exchange);

        const Connection::WaitEnd end = connection.Wait(*exchange, deadline, whileWaiting);
        if (end != Connection::WaitEnd::Finished) {
            exchange->abandoned = true;
            Close();
            answer.kind =
                end == Connection::WaitEnd::Stopped ? Answer::Kind::Stopped : Answer::Kind::Failed;
            return answer;
        }
        const error_code error = exchange->error;
        if (!error) {
            const auto &response = exchange->parser.get();
            answer.kind = Answer::Kind::Complete;
            answer.status = static_cast<int>(response.result_int());
            answer.contentType = Bytes(response[http::field::content_type]);
            answer.server = Bytes(response[http::field::server]);
            answer.body = QByteArray::fromStdString(response.body());
            if (!exchange->parser.keep_alive())
                Close();
            return answer;
        }
        Close();
        if (error == http::error::body_limit) {
            answer.kind = Answer::Kind::TooLarge;
            return answer;
        }
        // A kept connection the server closed while we were not looking:
        // nothing of this answer came, so the request goes out once more.
        if (reused && !retried && !exchange->parser.got_some() && ConnectionGone(error)) {
            retried = true;
            continue;
        }
        return answer;
    }
}

void HttpTransfer::Close() {
    m_connection->Close();
}
