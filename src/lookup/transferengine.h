#pragma once

#include <QString>

#include <chrono>
#include <memory>

struct BatchQueue;

// The lookups' transfers, on a thread of their own: kept-alive connections to
// one service, several requests in flight on each, answers read with Beast's
// parser and judged there, and handed back to the batch in the order asked
// (batchqueue.h). Everything below may be called from any thread; it is
// carried out on the transfer thread, in the order called.
//
// How rows meet the service:
// - A new connection carries one request until its first answer has said
//   that the connection stays open; after that up to `requestsPerConnection`
//   go out on it, each behind the last (HTTP/1.1 pipelining). Until the
//   service has answered once, one connection is open at a time, so a
//   service that is not there costs one row at a time, as before.
// - A row whose kept connection is closed or reset under it before any of
//   its answer came, or that was sent behind an answer that said the
//   connection closes, is asked once more, as the first request of a new
//   connection; the second time it counts as a failed transfer. So no row is
//   asked more than twice.
// - The first row still open on a connection is given up after the time-out,
//   counted from when it became the first; the connection is closed with it.
class TransferEngine {
public:
    struct Settings {
        QString host; // empty: no usable host, every row fails
        quint16 port = 80;
        std::chrono::milliseconds timeout{60'000};
        qint64 maxBodyBytes = 1 << 20;
        int connections = 1;
        int requestsPerConnection = 1;
    };

    explicit TransferEngine(const Settings &settings);
    // Closes every connection and ends the thread.
    ~TransferEngine();
    TransferEngine(const TransferEngine &) = delete;
    TransferEngine &operator=(const TransferEngine &) = delete;

    void SetReach(int connections, int requestsPerConnection);
    // A new batch: its rows are taken up as they are given.
    void Begin(std::shared_ptr<BatchQueue> batch);
    // More rows were given to the batch.
    void More(std::shared_ptr<BatchQueue> batch);
    // Ends the batch: its connections are closed, and it is handed its end.
    void Stop(std::shared_ptr<BatchQueue> batch);
    // Lets go of a batch whose every answer has been taken, without a word
    // to it.
    void Release(std::shared_ptr<BatchQueue> batch);
    // Closes every connection, kept ones included.
    void CloseConnections();

private:
    class Thread;
    std::unique_ptr<Thread> m_thread;
};
