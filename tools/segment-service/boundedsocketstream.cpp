#include "boundedsocketstream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

int Milliseconds(timeval t) {
    return int(std::min<long long>(t.tv_sec * 1000LL + t.tv_usec / 1000, 3'600'000));
}

void AddressOf(const sockaddr_storage &address, socklen_t length, std::string &ip, int &port) {
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr *>(&address), length, host, sizeof host,
                    service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

} // namespace

BoundedSocketStream::BoundedSocketStream(socket_t sock, timeval readTimeout, timeval writeTimeout)
    : m_sock(sock)
    , m_readTimeoutMs(Milliseconds(readTimeout))
    , m_writeTimeoutMs(Milliseconds(writeTimeout)) {}

int BoundedSocketStream::Poll(bool forWriting, int timeoutMs) const {
    pollfd fd{m_sock, short(forWriting ? POLLOUT : POLLIN), 0};
    for (;;) {
        const int ready = ::poll(&fd, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && (fd.revents & (POLLERR | POLLNVAL)))
            return -1;
        return ready;
    }
}

// The read time-out, but no further than the request's deadline.
int BoundedSocketStream::ReadWaitMs() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_deadline - std::chrono::steady_clock::now());
    return int(std::clamp<long long>(left.count(), 0, m_readTimeoutMs));
}

bool BoundedSocketStream::is_readable() const {
    return m_begin < m_end || Poll(false, ReadWaitMs()) > 0;
}

bool BoundedSocketStream::is_writable() const {
    return Poll(true, m_writeTimeoutMs) > 0;
}

ssize_t BoundedSocketStream::read(char *ptr, size_t size) {
    if (m_budget == 0)
        return -1;
    if (m_begin == m_end) {
        const int waitMs = ReadWaitMs();
        if (waitMs <= 0 || Poll(false, waitMs) <= 0)
            return -1;
        ssize_t got;
        do {
            got = ::recv(m_sock, m_buffer.data(), m_buffer.size(), 0);
        } while (got < 0 && errno == EINTR);
        if (got <= 0)
            return got;
        m_begin = 0;
        m_end = size_t(got);
    }
    const size_t n = std::min({size, m_end - m_begin, m_budget});
    std::memcpy(ptr, m_buffer.data() + m_begin, n);
    m_begin += n;
    m_budget -= n;
    return ssize_t(n);
}

ssize_t BoundedSocketStream::write(const char *ptr, size_t size) {
    if (!is_writable())
        return -1;
    ssize_t sent;
    do {
        sent = ::send(m_sock, ptr, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent;
}

void BoundedSocketStream::get_remote_ip_and_port(std::string &ip, int &port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_sock, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        AddressOf(address, length, ip, port);
}

void BoundedSocketStream::get_local_ip_and_port(std::string &ip, int &port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_sock, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        AddressOf(address, length, ip, port);
}
