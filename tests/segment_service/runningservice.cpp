#include "runningservice.h"

RunningService::RunningService(ServerLimits limits)
    : m_server(std::make_unique<SegmentServer>(limits)) {
    m_port = m_server->Bind(ListenAddress{"127.0.0.1", 0});
    // The socket listens from Bind on, so a client that connects before the
    // thread gets going waits in the backlog rather than being refused.
    if (m_port > 0)
        m_thread = std::thread([this] { m_server->Run(); });
}

RunningService::~RunningService() {
    m_server->Stop();
    if (m_thread.joinable())
        m_thread.join();
}
