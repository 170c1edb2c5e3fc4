#include "clientsocket.h"

#include <cstring>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_WIN
using Native = SOCKET;
constexpr Native kNoSocket = INVALID_SOCKET;

// Winsock wants to be started once per process; it counts, and stays up.
bool StartWinsock() {
    static const bool kStarted = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return kStarted;
}

bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}

void CloseNative(Native socket) {
    closesocket(socket);
}
#else
using Native = int;
constexpr Native kNoSocket = -1;

bool StartWinsock() {
    return true;
}

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

void CloseNative(Native socket) {
    ::close(socket);
}
#endif

Native ToNative(std::intptr_t handle) {
    return static_cast<Native>(handle);
}

// A non-blocking stream socket for the address family, or kNoSocket.
Native OpenNonBlocking(int family) {
    if (!StartWinsock())
        return kNoSocket;
#ifdef Q_OS_WIN
    Native socket = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    u_long nonBlocking = 1;
    if (socket != kNoSocket && ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
        closesocket(socket);
        socket = kNoSocket;
    }
    return socket;
#else
    return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
#endif
}

const sockaddr *SocketAddress(const ClientSocket::Address &address) {
    return reinterpret_cast<const sockaddr *>(address.bytes.data());
}
} // namespace

std::vector<ClientSocket::Address> ClientSocket::Resolve(const QString &host, std::uint16_t port) {
    std::vector<Address> found;
    if (!StartWinsock())
        return found;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo *list = nullptr;
    const QByteArray name = host.toUtf8();
    const QByteArray service = QByteArray::number(port);
    if (getaddrinfo(name.constData(), service.constData(), &hints, &list) != 0)
        return found;
    for (const addrinfo *entry = list; entry; entry = entry->ai_next) {
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(entry->ai_addr);
        found.push_back(Address{{bytes, bytes + entry->ai_addrlen}});
    }
    freeaddrinfo(list);
    return found;
}

ClientSocket::~ClientSocket() {
    Close();
}

bool ClientSocket::IsOpen() const {
    return ToNative(m_handle) != kNoSocket;
}

void ClientSocket::Close() {
    if (IsOpen())
        CloseNative(ToNative(m_handle));
    m_handle = static_cast<std::intptr_t>(kNoSocket);
}

ClientSocket::Step ClientSocket::Connect(const Address &address) {
    Close();
    const sockaddr *target = SocketAddress(address);
    const Native socket = OpenNonBlocking(target->sa_family);
    if (socket == kNoSocket)
        return Step::Failed;
    m_handle = static_cast<std::intptr_t>(socket);
    const auto length = static_cast<socklen_t>(address.bytes.size());
    if (::connect(socket, target, length) == 0)
        return Step::Done;
#ifdef Q_OS_WIN
    if (WouldBlock())
        return Step::Waiting;
#else
    if (errno == EINPROGRESS)
        return Step::Waiting;
#endif
    Close();
    return Step::Failed;
}

bool ClientSocket::Connected() {
    if (!IsOpen())
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(ToNative(m_handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error),
                      &length) == 0 &&
           error == 0;
}

long ClientSocket::Send(const char *data, std::size_t size) {
#ifdef Q_OS_WIN
    const int sent = ::send(ToNative(m_handle), data, static_cast<int>(size), 0);
#else
    const ssize_t sent = ::send(ToNative(m_handle), data, size, MSG_NOSIGNAL);
#endif
    if (sent >= 0)
        return static_cast<long>(sent);
    return WouldBlock() ? 0 : -1;
}

long ClientSocket::Receive(char *data, std::size_t size) {
#ifdef Q_OS_WIN
    const int got = ::recv(ToNative(m_handle), data, static_cast<int>(size), 0);
#else
    const ssize_t got = ::recv(ToNative(m_handle), data, size, 0);
#endif
    if (got >= 0)
        return static_cast<long>(got);
    return WouldBlock() ? kWouldBlock : -1;
}

ClientSocket::Step ClientSocket::WaitWritable(std::chrono::milliseconds limit) {
    return Wait(true, limit);
}

ClientSocket::Step ClientSocket::WaitReadable(std::chrono::milliseconds limit) {
    return Wait(false, limit);
}

ClientSocket::Step ClientSocket::Wait(bool forWriting, std::chrono::milliseconds limit) {
    if (!IsOpen())
        return Step::Failed;
    const Native socket = ToNative(m_handle);
#ifdef Q_OS_WIN
    // select() also reports a refused connection, in the exception set.
    fd_set wanted, failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(socket, &wanted);
    FD_SET(socket, &failed);
    timeval wait{};
    wait.tv_sec = static_cast<long>(limit.count() / 1000);
    wait.tv_usec = static_cast<long>(limit.count() % 1000 * 1000);
    const int ready =
        ::select(0, forWriting ? nullptr : &wanted, forWriting ? &wanted : nullptr, &failed, &wait);
#else
    pollfd entry{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    int ready = ::poll(&entry, 1, static_cast<int>(limit.count()));
    if (ready < 0 && errno == EINTR)
        ready = 0;
#endif
    if (ready < 0)
        return Step::Failed;
    return ready == 0 ? Step::Waiting : Step::Done;
}

std::uint16_t FreeLoopbackPort() {
    if (!StartWinsock())
        return 0;
    const Native socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == kNoSocket)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    CloseNative(socket);
    return port;
}
