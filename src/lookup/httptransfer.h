#pragma once

#include "waithook.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

// One plain HTTP/1.1 GET at a time to one host, done on the thread that asks,
// each on a connection of its own. Nothing is handed to another thread: a
// lookup on loopback is over in a tenth of a millisecond, and a hand-over and
// back would cost as much again. While the transfer waits for the network it
// calls the caller's WaitHook every few milliseconds; that is where the
// caller keeps its windows alive, and where it can stop the transfer at once.
class HttpTransfer {
public:
    struct Answer {
        enum class Kind {
            Complete, // a status line, headers and the whole body arrived
            // no connection, time-out, dropped, not HTTP, or cut off at the
            // size cap: no answer to judge either way
            Failed,
            Stopped, // the wait hook asked to stop
        };
        Kind kind = Kind::Failed;
        int status = 0;
        QByteArray contentType;
        QByteArray body;
    };

    // timeout bounds each Get as a whole, from the first step to the last
    // byte; a body over maxBodyBytes is cut off there, and the Get fails.
    HttpTransfer(const QString &host, quint16 port, std::chrono::milliseconds timeout,
                 qint64 maxBodyBytes);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // target: the path and query, already percent-encoded. whileWaiting may
    // be empty.
    Answer Get(const QByteArray &target, const WaitHook &whileWaiting);

    // Ends whatever is still open of a transfer. Nothing is kept open
    // between two Gets, so this matters only to a Get given up halfway.
    void Close();

    // How often, at most, a waiting transfer looks at its hook.
    static constexpr std::chrono::milliseconds kHookInterval{10};

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
