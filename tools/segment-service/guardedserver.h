#pragma once

#include <httplib.h>

#include <cstddef>

// httplib's server with its connection loop replaced by one that reads
// through BoundedSocketStream, so no request can make it hold more than
// `requestBudget` bytes, and that notices a stop within a tenth of a second
// while waiting on a kept-alive connection.
class GuardedServer : public httplib::Server {
public:
    explicit GuardedServer(size_t requestBudget)
        : m_requestBudget(requestBudget) {}

private:
    bool process_and_close_socket(socket_t sock) override;

    size_t m_requestBudget;
};
