#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>

// httplib's server with its connection loop replaced by one that reads
// through BoundedSocketStream, so no request can make it hold more than
// `requestBudget` bytes or take longer than `requestTime` to arrive, and that
// notices a stop within a tenth of a second while waiting on a kept-alive
// connection.
class GuardedServer : public httplib::Server {
public:
    GuardedServer(size_t requestBudget, std::chrono::milliseconds requestTime)
        : m_requestBudget(requestBudget)
        , m_requestTime(requestTime) {}

    // httplib listens with a backlog of 5: a few clients connecting at once
    // while the workers are busy lose their first connection attempt and
    // retry only after a second. Call after binding.
    bool WidenListenBacklog(int backlog);

private:
    bool process_and_close_socket(socket_t sock) override;

    size_t m_requestBudget;
    std::chrono::milliseconds m_requestTime;
};
