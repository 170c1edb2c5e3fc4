#include "serviceconnection.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/write.hpp>

#include <cstring>

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::system::error_code;

namespace {
constexpr std::size_t kReadBytes = 64 * 1024;
// A header block cut by a read waits in the buffer for the rest; past the
// parser's limit it is refused, so the buffer never grows beyond this.
constexpr std::size_t kMaxBufferBytes = AnswerParser::kMaxHeaderBytes + kReadBytes;
} // namespace

ServiceConnection::ServiceConnection(asio::io_context &io, Listener &listener,
                                     std::uint64_t maxBodyBytes)
    : m_socket(io)
    , m_listener(listener)
    , m_maxBodyBytes(maxBodyBytes)
    , m_in(kReadBytes) {}

ServiceConnection::~ServiceConnection() = default;

void ServiceConnection::Connect(const std::vector<asio::ip::tcp::endpoint> &endpoints) {
    asio::async_connect(
        m_socket, endpoints,
        [self = shared_from_this()](const error_code &error, const asio::ip::tcp::endpoint &) {
            if (self->m_closed)
                return;
            if (error)
                return self->Fail(Break::ConnectFailed);
            error_code ignored;
            // Requests follow one another on the connection; none may wait
            // for the acknowledgement of the last.
            self->m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
            self->m_connected = true;
            self->Read();
            if (!self->m_pending.empty())
                self->StartWrite();
        });
}

void ServiceConnection::Send(const std::string &requests) {
    m_pending += requests;
    if (m_connected && !m_writing && !m_closed)
        StartWrite();
}

void ServiceConnection::StartWrite() {
    m_out.swap(m_pending);
    m_pending.clear();
    m_writing = true;
    asio::async_write(m_socket, asio::buffer(m_out),
                      [self = shared_from_this()](const error_code &error, std::size_t) {
                          if (self->m_closed)
                              return;
                          self->m_writing = false;
                          if (error)
                              return self->Fail(Break::Closed);
                          if (!self->m_pending.empty())
                              self->StartWrite();
                      });
}

void ServiceConnection::Read() {
    // Room for a whole read after what waits to be parsed.
    if (m_begin == m_end)
        m_begin = m_end = 0;
    if (m_in.size() - m_end < kReadBytes / 2) {
        if (m_begin > 0) {
            std::memmove(m_in.data(), m_in.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        if (m_in.size() - m_end < kReadBytes / 2)
            m_in.resize(std::min(m_end + kReadBytes, kMaxBufferBytes));
        if (m_end == m_in.size())
            return Fail(Break::BadAnswer);
    }
    m_socket.async_read_some(
        asio::buffer(m_in.data() + m_end, m_in.size() - m_end),
        [self = shared_from_this()](const error_code &error, std::size_t bytes) {
            self->OnRead(error, bytes);
        });
}

void ServiceConnection::OnRead(const error_code &error, std::size_t bytes) {
    if (m_closed)
        return;
    if (error) {
        // A body that runs to the close ends here; any other answer cut
        // short by the close is no answer (Beast would take a close before
        // any byte for a whole message, so that case is told apart).
        if (error == asio::error::eof && m_parser && m_parser->got_some() && m_begin == m_end) {
            error_code finish;
            m_parser->put_eof(finish);
            if (!finish && m_parser->is_done() && !rows.empty()) {
                ++answers;
                m_listener.OnAnswer(*this, *m_parser);
                m_parser.reset();
            }
        }
        Fail(Break::Closed);
        m_listener.OnReadDone(*this);
        return;
    }
    m_end += bytes;
    Parse();
    if (!m_closed)
        Read();
    m_listener.OnReadDone(*this);
}

void ServiceConnection::Parse() {
    while (!m_closed && m_begin < m_end) {
        if (rows.empty())
            return Fail(Break::Unsolicited);
        if (!m_parser)
            m_parser.emplace(m_maxBodyBytes);
        error_code error;
        const std::size_t used =
            m_parser->put(asio::buffer(m_in.data() + m_begin, m_end - m_begin), error);
        m_begin += used;
        if (error == http::error::need_more)
            return;
        if (error)
            return Fail(Break::BadAnswer);
        if (m_parser->is_done()) {
            // A body that runs to the close is done only at the close.
            ++answers;
            if (answers == 1)
                keptAlive = m_parser->keep_alive();
            m_listener.OnAnswer(*this, *m_parser);
            m_parser.reset();
            continue;
        }
        if (used == 0)
            return;
    }
}

bool ServiceConnection::AnswerBegun() const {
    return (m_parser && m_parser->got_some()) || m_end > m_begin;
}

void ServiceConnection::Fail(Break why) {
    if (m_closed)
        return;
    const bool begun = AnswerBegun();
    Close();
    m_listener.OnBroken(*this, why, begun);
}

void ServiceConnection::Close() {
    if (m_closed)
        return;
    m_closed = true;
    error_code ignored;
    m_socket.close(ignored);
    m_parser.reset();
    m_pending.clear();
}
