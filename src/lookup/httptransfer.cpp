#include "httptransfer.h"

#include "clientsocket.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/basic_parser.hpp>

#include <algorithm>
#include <string>
#include <string_view>

namespace http = boost::beast::http;
using Clock = std::chrono::steady_clock;
using boost::beast::string_view;
using boost::system::error_code;

namespace {
// Room for any header block a real server sends; a longer one is not an
// answer we want.
constexpr std::uint32_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kReadBytes = 16 * 1024;
// How long a wait looks before it sleeps.
constexpr std::chrono::microseconds kSpin{200};

QByteArray Bytes(string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Beast's parser, keeping of an answer only what the lookup reads: the
// status, the content type and the body, and refusing a body over the cap
// before any of it is kept.
class AnswerParser : public http::basic_parser<false> {
public:
    explicit AnswerParser(std::uint64_t maxBodyBytes)
        : m_maxBodyBytes(maxBodyBytes) {
        header_limit(kMaxHeaderBytes);
        body_limit(maxBodyBytes);
        eager(true);
    }

    int status = 0;
    QByteArray contentType;
    QByteArray body;

private:
    void on_request_impl(http::verb, string_view, string_view, int, error_code &) override {}
    void on_response_impl(int code, string_view, int, error_code &) override { status = code; }
    void on_field_impl(http::field name, string_view, string_view value, error_code &) override {
        if (name == http::field::content_type)
            contentType = Bytes(value);
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

struct HttpTransfer::Connection {
    Connection(const QString &hostName, quint16 portNumber, std::chrono::milliseconds limit,
               qint64 maxBody)
        : host(hostName)
        , port(portNumber)
        , timeout(limit)
        , maxBodyBytes(static_cast<std::uint64_t>(std::max<qint64>(maxBody, 0))) {
        const std::string name = host.toStdString();
        // An IPv6 address goes between brackets in the Host header.
        hostField = name.find(':') == std::string::npos ? name : '[' + name + ']';
        if (port != 80)
            hostField += ':' + std::to_string(port);
    }

    // How a wait for the socket ended.
    enum class WaitEnd { Ready, Failed, TimedOut, Stopped };
    WaitEnd Wait(bool forWriting, Clock::time_point deadline, const WaitHook &hook);
    const std::vector<ClientSocket::Address> &Addresses();
    WaitEnd Open(Clock::time_point deadline, const WaitHook &hook);
    WaitEnd SendAll(const std::string &request, Clock::time_point deadline, const WaitHook &hook);
    WaitEnd ReadAnswer(AnswerParser &parser, Clock::time_point deadline, const WaitHook &hook);

    QString host;
    quint16 port;
    std::string hostField;
    std::chrono::milliseconds timeout;
    std::uint64_t maxBodyBytes;
    std::vector<ClientSocket::Address> addresses;
    bool resolvedForGood = false;
    ClientSocket socket;
};

HttpTransfer::Connection::WaitEnd
HttpTransfer::Connection::Wait(bool forWriting, Clock::time_point deadline, const WaitHook &hook) {
    // A service on this machine answers within some tens of microseconds.
    // Falling asleep for that long costs more than the wait itself: waking
    // the thread up again, and the service going idle meanwhile, doubles the
    // time of a row. So the wait first looks again and again for a short
    // while, as a low-latency client does, and only then sleeps.
    // The hook is asked first all the same: a fast service must not keep
    // the window from its events.
    if (hook && !hook())
        return WaitEnd::Stopped;
    const Clock::time_point spinUntil = Clock::now() + kSpin;
    do {
        const ClientSocket::Step step = forWriting
                                            ? socket.WaitWritable(std::chrono::milliseconds(0))
                                            : socket.WaitReadable(std::chrono::milliseconds(0));
        if (step == ClientSocket::Step::Done)
            return WaitEnd::Ready;
        if (step == ClientSocket::Step::Failed)
            return WaitEnd::Failed;
    } while (Clock::now() < spinUntil);
    for (;;) {
        if (hook && !hook())
            return WaitEnd::Stopped;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return WaitEnd::TimedOut;
        const auto slice = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline - now + std::chrono::milliseconds(1)),
                                    kHookInterval);
        const ClientSocket::Step step =
            forWriting ? socket.WaitWritable(slice) : socket.WaitReadable(slice);
        if (step == ClientSocket::Step::Done)
            return WaitEnd::Ready;
        if (step == ClientSocket::Step::Failed)
            return WaitEnd::Failed;
    }
}

const std::vector<ClientSocket::Address> &HttpTransfer::Connection::Addresses() {
    // Only a numeric address resolves the same way every time without asking
    // a name server; a name is resolved each time.
    if (!resolvedForGood) {
        addresses = ClientSocket::Resolve(host, port);
        resolvedForGood = !addresses.empty() && (host.contains(QLatin1Char(':')) ||
                                                 std::all_of(host.begin(), host.end(), [](QChar c) {
                                                     return c.isDigit() || c == QLatin1Char('.');
                                                 }));
    }
    return addresses;
}

HttpTransfer::Connection::WaitEnd HttpTransfer::Connection::Open(Clock::time_point deadline,
                                                                 const WaitHook &hook) {
    for (const ClientSocket::Address &address : Addresses()) {
        const ClientSocket::Step step = socket.Connect(address);
        if (step == ClientSocket::Step::Done)
            return WaitEnd::Ready;
        if (step == ClientSocket::Step::Failed)
            continue;
        const WaitEnd end = Wait(true, deadline, hook);
        if (end == WaitEnd::TimedOut || end == WaitEnd::Stopped)
            return end;
        if (end == WaitEnd::Ready && socket.Connected())
            return WaitEnd::Ready;
    }
    return WaitEnd::Failed;
}

HttpTransfer::Connection::WaitEnd HttpTransfer::Connection::SendAll(const std::string &request,
                                                                    Clock::time_point deadline,
                                                                    const WaitHook &hook) {
    std::size_t sent = 0;
    while (sent < request.size()) {
        const long now = socket.Send(request.data() + sent, request.size() - sent);
        if (now < 0)
            return WaitEnd::Failed;
        sent += static_cast<std::size_t>(now);
        if (now == 0) {
            if (const WaitEnd end = Wait(true, deadline, hook); end != WaitEnd::Ready)
                return end;
        }
    }
    return WaitEnd::Ready;
}

// Reads until the parser has the whole answer. The bytes the parser has not
// taken yet (a header cut in two) wait in `pending` for the next ones.
HttpTransfer::Connection::WaitEnd HttpTransfer::Connection::ReadAnswer(AnswerParser &parser,
                                                                       Clock::time_point deadline,
                                                                       const WaitHook &hook) {
    std::string pending;
    char buffer[kReadBytes];
    while (!parser.is_done()) {
        const long got = socket.Receive(buffer, sizeof buffer);
        if (got == ClientSocket::kWouldBlock) {
            if (const WaitEnd end = Wait(false, deadline, hook); end != WaitEnd::Ready)
                return end;
            continue;
        }
        if (got < 0)
            return WaitEnd::Failed;
        error_code error;
        if (got == 0) {
            // The server closed: the end of a body that runs to the close,
            // or an answer cut short (Beast takes a close before any byte
            // as a whole message, so that case is told apart here).
            if (!parser.got_some())
                return WaitEnd::Failed;
            parser.put_eof(error);
            return !error && parser.is_done() ? WaitEnd::Ready : WaitEnd::Failed;
        }
        // Mostly the whole answer comes in one piece, and goes to the
        // parser straight from the buffer.
        std::string_view unread(buffer, static_cast<std::size_t>(got));
        if (!pending.empty()) {
            pending.append(unread);
            unread = pending;
        }
        while (!unread.empty() && !parser.is_done()) {
            const std::size_t used =
                parser.put(boost::asio::buffer(unread.data(), unread.size()), error);
            unread.remove_prefix(used);
            if (error == http::error::need_more)
                break;
            if (error)
                return WaitEnd::Failed;
            if (used == 0)
                break;
        }
        pending = std::string(unread);
    }
    return WaitEnd::Ready;
}

HttpTransfer::HttpTransfer(const QString &host, quint16 port, std::chrono::milliseconds timeout,
                           qint64 maxBodyBytes)
    : m_connection(std::make_unique<Connection>(host, port, timeout, maxBodyBytes)) {}

HttpTransfer::~HttpTransfer() = default;

HttpTransfer::Answer HttpTransfer::Get(const QByteArray &target, const WaitHook &whileWaiting) {
    Connection &connection = *m_connection;
    const Clock::time_point deadline = Clock::now() + connection.timeout;
    // The server closes the connection once it has answered: the close, and
    // what the system keeps of a closed connection for a while, is then the
    // server's, as with any client that asks once and goes.
    const std::string request = "GET " + target.toStdString() +
                                " HTTP/1.1\r\nHost: " + connection.hostField +
                                "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
    AnswerParser parser(connection.maxBodyBytes);
    using WaitEnd = Connection::WaitEnd;
    WaitEnd end = connection.Open(deadline, whileWaiting);
    if (end == WaitEnd::Ready)
        end = connection.SendAll(request, deadline, whileWaiting);
    if (end == WaitEnd::Ready)
        end = connection.ReadAnswer(parser, deadline, whileWaiting);
    connection.socket.Close();

    Answer answer;
    switch (end) {
    case WaitEnd::Stopped:
        answer.kind = Answer::Kind::Stopped;
        return answer;
    case WaitEnd::Failed:
    case WaitEnd::TimedOut:
        // An answer cut off at the cap is no more an answer than one cut
        // off by a reset: the service failed, not the number.
        return answer;
    case WaitEnd::Ready:
        break;
    }
    answer.kind = Answer::Kind::Complete;
    answer.status = parser.status;
    answer.contentType = std::move(parser.contentType);
    answer.body = std::move(parser.body);
    return answer;
}

void HttpTransfer::Close() {
    m_connection->socket.Close();
}
