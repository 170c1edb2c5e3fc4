#include "connection.h"

#include "connectionregistry.h"
#include "httpanswer.h"
#include "segmentanswer.h"

#include <boost/asio/write.hpp>
#include <boost/beast/http/error.hpp>

#include <cstring>

namespace asio = boost::asio;
namespace http = boost::beast::http;

namespace {

int RefusalStatus(const boost::system::error_code &error, const RequestParser &parser) {
    if (error == http::error::header_limit)
        return parser.RequestLineTooLong() ? 414 : 431;
    if (error == http::error::body_limit)
        return 413;
    return 400;
}

} // namespace

Connection::Connection(asio::ip::tcp::socket socket, ConnectionRegistry &registry)
    : m_socket(std::move(socket))
    , m_registry(registry) {
    m_parser.emplace(m_registry.Limits().maxRequestBytes);
}

// Leaves its list by itself (auto-unlink); the registry is not touched here,
// as it may be gone already when the server is torn down.
Connection::~Connection() = default;

void Connection::Start() {
    boost::system::error_code ignored;
    // The answer goes out in one write; a second, after a pipelined
    // request, should not wait for the client's acknowledgement.
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    m_socket.non_blocking(true, ignored);
    m_registry.Enter(*this, State::Closed, State::Waiting);
    Read();
}

void Connection::SetState(State state) {
    const State from = m_state;
    m_state = state;
    m_registry.Enter(*this, from, state);
}

void Connection::Close() {
    if (m_state == State::Closed)
        return;
    SetState(State::Closed);
    boost::system::error_code ignored;
    m_socket.close(ignored);
    ReleaseLargeBuffer();
}

void Connection::Stop() {
    if (m_state == State::Waiting || m_state == State::Reading)
        Close();
    else if (m_state == State::Writing)
        m_closeAfterAnswer = true;
}

void Connection::Read() {
    m_socket.async_read_some(
        asio::buffer(m_data + m_end, m_capacity - m_end),
        [self = shared_from_this()](const boost::system::error_code &error, size_t bytes) {
            self->OnRead(error, bytes);
        });
}

void Connection::OnRead(const boost::system::error_code &error, size_t bytes) {
    if (m_state == State::Closed)
        return;
    if (error) {
        Close(); // the client closed, or the connection broke
        return;
    }
    if (m_state == State::Lingering) {
        m_begin = m_end = 0;
        return Read();
    }
    m_end += bytes;
    if (m_state == State::Waiting)
        SetState(State::Reading);
    Process();
}

// Parses what has arrived and answers every request that is complete, as
// long as each answer goes out at once; then reads on, or waits for the
// client to take an answer.
void Connection::Process() {
    while (m_state == State::Reading) {
        boost::system::error_code error;
        const size_t used = m_parser->put(asio::buffer(m_data + m_begin, m_end - m_begin), error);
        m_begin += used;
        if (!error && used == 0 && !m_parser->is_done())
            error = http::error::need_more;
        if (error == http::error::need_more) {
            if (!MakeRoom())
                return Refuse(m_parser->got_some() && !m_parser->RequestLineTooLong() ? 431 : 414);
            return Read();
        }
        if (error)
            return Refuse(RefusalStatus(error, *m_parser));
        if (!m_parser->is_done())
            continue; // the header is done; its body follows in this buffer
        Answer();
        if (!Write() || !AfterAnswer())
            return;
    }
}

// Room after what has arrived: the unparsed bytes moved to the front, in a
// large buffer once the small one is full of them. False when even the
// large one is.
bool Connection::MakeRoom() {
    if (m_begin > 0) {
        std::memmove(m_data, m_data + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end < m_capacity)
        return true;
    if (m_large)
        return false;
    m_large = m_registry.TakeLargeBuffer();
    std::memcpy(m_large.get(), m_data, m_end);
    m_data = m_large.get();
    m_capacity = m_registry.Limits().maxRequestBytes;
    return m_end < m_capacity;
}

void Connection::ReleaseLargeBuffer() {
    if (!m_large)
        return;
    m_registry.ReturnLargeBuffer(std::move(m_large));
    m_data = m_small.data();
    m_capacity = m_small.size();
}

void Connection::Answer() {
    const RequestParser &request = *m_parser;
    const bool keepAlive = request.keep_alive() && !m_registry.Stopping();
    m_closeAfterAnswer = !keepAlive;
    m_head.clear();
    m_body.clear();
    int status = 200;
    std::string_view contentType = kAnswerContentType;
    std::string_view body;
    if (request.AsksAnswer()) {
        m_registry.Answerer().Answer(request.Tel(), m_body);
        body = m_body;
    } else {
        status = 404;
        contentType = kErrorContentType;
        body = ErrorBody(status);
    }
    const ConnectionHeader connection = !keepAlive           ? ConnectionHeader::Close
                                        : request.IsHttp10() ? ConnectionHeader::KeepAlive
                                                             : ConnectionHeader::None;
    AppendAnswerHead(m_head, status, contentType, body.size(), connection);
    m_out = {asio::buffer(m_head), asio::buffer(request.IsHead() ? std::string_view() : body)};
    m_parser.emplace(m_registry.Limits().maxRequestBytes);
}

// A request that breaks the limits or HTTP itself gets its status, and the
// connection is closed: what follows it cannot be trusted to be a request.
void Connection::Refuse(int status) {
    m_closeAfterAnswer = true;
    m_head.clear();
    const std::string_view body = ErrorBody(status);
    AppendAnswerHead(m_head, status, kErrorContentType, body.size(), ConnectionHeader::Close);
    m_out = {asio::buffer(m_head), asio::buffer(body)};
    if (Write())
        AfterAnswer();
}

// Writes the answer at once if the socket takes it; otherwise the rest goes
// out when the client reads. True when all of it is written.
bool Connection::Write() {
    boost::system::error_code error;
    size_t written = m_socket.write_some(m_out, error);
    if (error == asio::error::would_block || error == asio::error::try_again)
        written = 0;
    else if (error) {
        Close();
        return false;
    }
    const size_t total = asio::buffer_size(m_out);
    if (written == total)
        return true;
    // What is left of the two buffers.
    for (asio::const_buffer &buffer : m_out) {
        const size_t used = std::min(written, buffer.size());
        buffer += used;
        written -= used;
    }
    SetState(State::Writing);
    asio::async_write(m_socket, m_out,
                      [self = shared_from_this()](const boost::system::error_code &failure,
                                                  size_t) { self->OnWritten(failure); });
    return false;
}

void Connection::OnWritten(const boost::system::error_code &error) {
    if (m_state == State::Closed)
        return;
    if (error)
        return Close();
    if (AfterAnswer())
        Process();
}

// After an answer has gone out: on to a request already here, or wait for
// the next. False when there is nothing to parse now.
bool Connection::AfterAnswer() {
    if (m_closeAfterAnswer) {
        Linger();
        return false;
    }
    if (m_begin < m_end) {
        SetState(State::Reading);
        return true;
    }
    m_begin = m_end = 0;
    ReleaseLargeBuffer();
    SetState(State::Waiting);
    Read();
    return false;
}

// Closing at once with a request still unread would make the system reset
// the connection, and the client could lose the answer it has not read yet.
// So the sending side is shut, and what the client still sends is read and
// dropped until it closes too, or its idle time is up: a client that goes
// on sending costs reading, never memory.
void Connection::Linger() {
    boost::system::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    m_begin = m_end = 0;
    ReleaseLargeBuffer();
    SetState(State::Lingering);
    Read();
}
