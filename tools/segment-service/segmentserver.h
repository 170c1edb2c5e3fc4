#pragma once

#include "guardedserver.h"
#include "listenaddress.h"
#include "segmentanswer.h"

#include <httplib.h>

#include <atomic>
#include <cstddef>
#include <string>

struct ServerLimits {
    size_t workers = 16;               // connections served at once (kept-alive ones included)
    size_t queuedConnections = 64;     // accepted, waiting for a worker
    int listenBacklog = 128;           // not yet accepted
    size_t maxRequestBytes = 8 * 1024; // request line and headers, and any body
    int readTimeoutSeconds = 5;        // between two reads or writes
    int requestSeconds = 10;           // for the whole of one request to arrive
    int keepAliveSeconds = 5;
    size_t keepAliveRequests = 1000;
};

// The HTTP side: one path answered by SegmentAnswerer, 404 for every other.
class SegmentServer {
public:
    static constexpr const char *kAnswerPath = "/cc/json/mobile_tel_segment.htm";

    explicit SegmentServer(ServerLimits limits = {}, SegmentTable segments = {});
    SegmentServer(const SegmentServer &) = delete;
    SegmentServer &operator=(const SegmentServer &) = delete;

    // Binds and starts listening (clients may connect from here on, their
    // requests wait until Run). Returns the bound port, or -1 when the
    // address cannot be had. Port 0 picks a free one.
    int Bind(const ListenAddress &address);

    // Serves on the calling thread until Stop is called.
    bool Run();

    // May be called from any thread, before Run too; Run returns soon after.
    void Stop();

private:
    void Answer(const httplib::Request &request, httplib::Response &response) const;
    httplib::Server::HandlerResponse RefuseOversized(const httplib::Request &request,
                                                     httplib::Response &response) const;

    ServerLimits m_limits;
    SegmentAnswerer m_answerer;
    GuardedServer m_server;
    // httplib's stop() does nothing until the server loop runs; these close
    // the gap between calling Run and its loop starting.
    std::atomic<bool> m_runCalled = false;
    std::atomic<bool> m_runDone = false;
    std::atomic<bool> m_stopRequested = false;
};
