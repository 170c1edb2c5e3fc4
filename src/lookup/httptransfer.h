#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// One plain HTTP/1.1 GET at a time to one host. Get blocks the thread that
// calls it; Stop may be called from any other thread to end it. A connection
// that the server keeps open is used again until Stop closes it.
class HttpTransfer {
public:
    struct Answer {
        enum class Kind {
            Complete, // a status line, headers and the whole body arrived
            TooLarge, // the body would pass the size cap; nothing is kept
            Failed,   // no connection, time-out, dropped or stopped
        };
        Kind kind = Kind::Failed;
        int status = 0;
        QByteArray contentType;
        QByteArray body;
    };

    // timeoutMs bounds connecting and every wait for data; the caller bounds
    // the whole transfer by calling Stop.
    HttpTransfer(const QString &host, int port, int timeoutMs, qint64 maxBodyBytes);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // target: the path and query, already percent-encoded.
    Answer Get(const QByteArray &target);

    // Ends a transfer under way and closes the connection. It may be called
    // from another thread. While the transfer is still resolving a host name
    // it waits for that to end: the service is normally named by its
    // address, and a name is resolved by the system's own rules and limits.
    void Stop();

private:
    struct Client;
    std::unique_ptr<Client> m_client;
    qint64 m_maxBodyBytes;
};
