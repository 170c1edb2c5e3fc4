#pragma once

#include <chrono>
#include <cstddef>

// What one client may take of the service. The defaults suit a service on
// this machine that desktop programs ask one number at a time; tests give
// short times to see each limit act.
struct ServerLimits {
    // The request line and headers together; also the most a body may
    // announce or send.
    size_t maxRequestBytes = 8 * 1024;
    // From a request's first byte until the whole of it has arrived: a
    // client sending slowly is cut off then.
    std::chrono::milliseconds requestTime{10'000};
    // A connection with no request under way, new or kept alive between
    // requests, is closed after this long.
    std::chrono::milliseconds idleTime{5'000};
    // For the client to take an answer.
    std::chrono::milliseconds writeTime{10'000};
    // Open connections at most (fewer where the open-file limit is lower).
    // Past it, those idle longest are closed first, then those that have
    // been sending a request longest; one being answered never.
    size_t maxConnections = 16'384;
    // Connections the system completes before they are accepted; it caps
    // this at its own maximum (net.core.somaxconn on Linux).
    int listenBacklog = 4096;
};
