#include "httptransfer.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/read.hpp>

#include <algorithm>
#include <optional>
#include <string>

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using boost::beast::string_view;
using boost::system::error_code;

namespace {
// Room for any header block a real server sends; a longer one is not an
// answer we want.
constexpr std::uint32_t kMaxHeaderBytes = 64 * 1024;

QByteArray Bytes(string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Beast's parser, keeping of an answer only what the lookup reads: the
// status, two header fields and the body, and refusing a body over the cap
// before any of it is kept.
class AnswerParser : public http::basic_parser<false> {
public:
    explicit AnswerParser(std::uint64_t maxBodyBytes)
        : m_maxBodyBytes(maxBodyBytes) {
        header_limit(kMaxHeaderBytes);
        body_limit(maxBodyBytes);
    }

    int status = 0;
    QByteArray contentType;
    QByteArray server;
    QByteArray body;

private:
    void on_request_impl(http::verb, string_view, string_view, int, error_code &) override {}
    void on_response_impl(int code, string_view, int, error_code &) override { status = code; }
    void on_field_impl(http::field name, string_view, string_view value, error_code &) override {
        if (name == http::field::content_type)
            contentType = Bytes(value);
        else if (name == http::field::server)
            server = Bytes(value);
    }
    void on_header_impl(error_code &) override {}
    // Beast 1.74 lets a declared length past the body limit through when it
    // reads eagerly, so the length is weighed here as well.
    void on_body_init_impl(const boost::optional<std::uint64_t> &length,
                           error_code &error) override {
        if (length && *length > m_maxBodyBytes)
            error = http::error::body_limit;
        else if (length)
            body.reserve(static_cast<qsizetype>(*length));
    }
    std::size_t on_body_impl(string_view piece, error_code &) override {
        body.append(piece.data(), static_cast<qsizetype>(piece.size()));
        return piece.size();
    }
    void on_chunk_header_impl(std::uint64_t, string_view, error_code &) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, string_view piece, error_code &error) override {
        return on_body_impl(piece, error);
    }
    void on_finish_impl(error_code &) override {}

    std::uint64_t m_maxBodyBytes;
};
} // namespace

// One request and its answer. The handlers of the network operations hold it,
// so that a transfer given up halfway (stopped, or out of time) can simply be
// left: whatever of it still completes later finds it abandoned and does
// nothing.
struct Exchange {
    explicit Exchange(std::uint64_t maxBodyBytes)
        : parser(maxBodyBytes) {}

    std::string request;
    AnswerParser parser;
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
        // A host given by its address needs no resolving, ever.
        error_code notAnAddress;
        const asio::ip::address parsed = asio::ip::make_address(host, notAnAddress);
        if (!notAnAddress)
            address = tcp::endpoint(parsed, port);
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
    boost::beast::flat_buffer buffer;
    std::string host;
    quint16 port;
    std::optional<tcp::endpoint> address;
    std::string hostField;
    std::chrono::milliseconds timeout;
    std::uint64_t maxBodyBytes;
};

void HttpTransfer::Connection::Start(const std::shared_ptr<Exchange> &exchange) {
    const auto connected = [this, exchange](const error_code &error) {
        if (exchange->abandoned)
            return;
        if (error)
            return exchange->Finish(error);
        Send(exchange);
    };
    if (address)
        return socket.async_connect(*address, connected);
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
    // The request is one small write on a fresh connection, so it goes out
    // at once, Nagle or not.
    asio::async_write(socket, asio::buffer(exchange->request),
                      [this, exchange](const error_code &error, size_t) {
                          if (exchange->abandoned)
                              return;
                          if (error)
                              return exchange->Finish(error);
                          http::async_read(socket, buffer, exchange->parser,
                                           [exchange](const error_code &result, size_t) {
                                               if (!exchange->abandoned)
                                                   exchange->Finish(result);
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
    Close();
    const auto exchange = std::make_shared<Exchange>(connection.maxBodyBytes);
    // The server closes the connection once it has answered: the close, and
    // what the system keeps of a closed connection for a while, is then the
    // server's, as with any client that asks once and goes.
    exchange->request = "GET " + target.toStdString() +
                        " HTTP/1.1\r\nHost: " + connection.hostField +
                        "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
    connection.Start(exchange);

    Answer answer;
    const Connection::WaitEnd end =
        connection.Wait(*exchange, Clock::now() + connection.timeout, whileWaiting);
    exchange->abandoned = true;
    Close();
    if (end != Connection::WaitEnd::Finished) {
        answer.kind =
            end == Connection::WaitEnd::Stopped ? Answer::Kind::Stopped : Answer::Kind::Failed;
        return answer;
    }
    if (exchange->error) {
        if (exchange->error == http::error::body_limit)
            answer.kind = Answer::Kind::TooLarge;
        return answer;
    }
    AnswerParser &parsed = exchange->parser;
    answer.kind = Answer::Kind::Complete;
    answer.status = parsed.status;
    answer.contentType = std::move(parsed.contentType);
    answer.server = std::move(parsed.server);
    answer.body = std::move(parsed.body);
    return answer;
}

void HttpTransfer::Close() {
    m_connection->Close();
}
