#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

// One TCP connection from this program, in the plainest form the system
// offers: a non-blocking socket and a wait on that one socket at a time,
// through poll() on Linux and select() on Windows (where WSAPoll misses a
// refused connection). A lookup makes a handful of system calls and nothing
// more, as a bare C client does; each wait is bounded, so that the caller
// can look up between two waits.
class ClientSocket {
public:
    // A numeric address to connect to, IPv4 or IPv6.
    struct Address {
        std::vector<std::uint8_t> bytes; // the system's sockaddr, as it is
    };

    // The addresses of host (a name or a numeric address) and port; none when
    // it cannot be resolved. A name is resolved by the system's resolver,
    // which takes the time it takes.
    static std::vector<Address> Resolve(const QString &host, std::uint16_t port);

    ClientSocket() = default;
    ~ClientSocket();
    ClientSocket(const ClientSocket &) = delete;
    ClientSocket &operator=(const ClientSocket &) = delete;

    enum class Step { Done, Waiting, Failed };

    // Starts connecting; Done when already connected, Waiting when
    // WaitWritable and then Connected must tell.
    Step Connect(const Address &address);
    // Whether a connection started by Connect has been made.
    bool Connected();

    // Bytes sent (possibly fewer than given), 0 when the socket would block,
    // -1 on failure.
    long Send(const char *data, std::size_t size);
    // Bytes received, 0 when the peer has closed, kWouldBlock, or -1.
    static constexpr long kWouldBlock = -2;
    long Receive(char *data, std::size_t size);

    // Waits at most `limit` for the socket to take data or to have some.
    // Done when it is ready, Waiting when the limit passed first.
    Step WaitWritable(std::chrono::milliseconds limit);
    Step WaitReadable(std::chrono::milliseconds limit);

    void Close();
    bool IsOpen() const;

private:
    Step Wait(bool forWriting, std::chrono::milliseconds limit);

    std::intptr_t m_handle = -1;
};

// A port on 127.0.0.1 that nothing listens on right now; 0 if none is found.
std::uint16_t FreeLoopbackPort();
