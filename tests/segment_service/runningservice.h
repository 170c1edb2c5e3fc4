#pragma once

#include "segmentserver.h"

#include <memory>
#include <string>
#include <thread>

// The service, serving on a free 127.0.0.1 port from a thread of its own
// for as long as this object lives.
class RunningService {
public:
    explicit RunningService(ServerLimits limits = {});
    ~RunningService();
    RunningService(const RunningService &) = delete;
    RunningService &operator=(const RunningService &) = delete;

    bool ok() const { return m_port > 0; }
    int port() const { return m_port; }
    std::string hostAndPort() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    std::unique_ptr<SegmentServer> m_server;
    int m_port = -1;
    std::thread m_thread;
};
