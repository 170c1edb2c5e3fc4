#include "segmentserver.h"

#include "boundedtaskqueue.h"
#include "gbktext.h"

#include <charconv>
#include <thread>

namespace {

constexpr const char *kAnswerContentType = "text/javascript; charset=GBK";

// What the request occupied on the wire, near enough: httplib has parsed it
// already, so the size is counted back from its parts.
size_t RequestHeadSize(const httplib::Request &request) {
    size_t size =
        request.method.size() + 1 + request.target.size() + 1 + request.version.size() + 2;
    for (const auto &[name, value] : request.headers)
        size += name.size() + 2 + value.size() + 2;
    return size + 2;
}

// The body of an error answer: the status line's text, for a person
// looking at it with curl. The program itself only sees "no telString".
std::string ErrorText(int status) {
    switch (status) {
    case 400:
        return "400 Bad Request\n";
    case 404:
        return "404 Not Found\n";
    case 413:
        return "413 Payload Too Large\n";
    case 414:
        return "414 URI Too Long\n";
    case 431:
        return "431 Request Header Fields Too Large\n";
    default:
        return std::to_string(status) + "\n";
    }
}

// The body size a request announces. httplib reads and limits bodies only
// for methods that usually have one, so a GET's is checked here.
bool AnnouncesLargeBody(const httplib::Request &request, size_t limit) {
    if (!request.has_header("Content-Length"))
        return false;
    const std::string value = request.get_header_value("Content-Length");
    unsigned long long length = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    return error != std::errc() || end != value.data() + value.size() || length > limit;
}

} // namespace

SegmentServer::SegmentServer(ServerLimits limits, SegmentTable segments)
    : m_limits(limits)
    , m_answerer(std::move(segments))
    // Room for a head and a body at their limits, so that oversized ones are
    // still read far enough to be answered with their status.
    , m_server(2 * limits.maxRequestBytes + 1024, std::chrono::seconds(limits.requestSeconds)) {
    m_server.new_task_queue = [limits] {
        return new BoundedTaskQueue(limits.workers, limits.queuedConnections);
    };
    m_server.set_payload_max_length(m_limits.maxRequestBytes);
    m_server.set_read_timeout(m_limits.readTimeoutSeconds, 0);
    m_server.set_write_timeout(m_limits.readTimeoutSeconds, 0);
    m_server.set_keep_alive_timeout(m_limits.keepAliveSeconds);
    m_server.set_keep_alive_max_count(m_limits.keepAliveRequests);
    // The desktop program tells its own service from other programs by it.
    m_server.set_default_headers({{"Server", "tarvio-segment-service"}});
    m_server.set_pre_routing_handler(
        [this](const httplib::Request &request, httplib::Response &response) {
            return RefuseOversized(request, response);
        });
    m_server.Get(R"(/cc/json/mobile_tel_segment\.htm)",
                 [this](const httplib::Request &request, httplib::Response &response) {
                     Answer(request, response);
                 });
    m_server.set_error_handler([](const httplib::Request &, httplib::Response &response) {
        response.set_content(ErrorText(response.status), "text/plain; charset=us-ascii");
    });
}

int SegmentServer::Bind(const ListenAddress &address) {
    int port = -1;
    if (address.port == 0)
        port = m_server.bind_to_any_port(address.host);
    else if (m_server.bind_to_port(address.host, address.port))
        port = address.port;
    if (port > 0)
        m_server.WidenListenBacklog(m_limits.listenBacklog);
    return port;
}

bool SegmentServer::Run() {
    m_runCalled = true;
    bool served = false;
    if (!m_stopRequested)
        served = m_server.listen_after_bind();
    m_runDone = true;
    return served;
}

void SegmentServer::Stop() {
    m_stopRequested = true;
    if (!m_runCalled)
        return; // Run will see the request and not start
    while (!m_server.is_running() && !m_runDone)
        std::this_thread::yield();
    m_server.stop();
}

httplib::Server::HandlerResponse SegmentServer::RefuseOversized(const httplib::Request &request,
                                                                httplib::Response &response) const {
    if (request.target.size() > m_limits.maxRequestBytes) {
        response.status = 414;
    } else if (RequestHeadSize(request) > m_limits.maxRequestBytes) {
        response.status = 431;
    } else if (AnnouncesLargeBody(request, m_limits.maxRequestBytes)) {
        response.status = 413;
    } else {
        return httplib::Server::HandlerResponse::Unhandled;
    }
    response.set_header("Connection", "close");
    return httplib::Server::HandlerResponse::Handled;
}

void SegmentServer::Answer(const httplib::Request &request, httplib::Response &response) const {
    std::optional<std::string> gbk = Utf8ToGbk(m_answerer.Answer(request.get_param_value("tel")));
    if (!gbk) {
        response.status = 500;
        return;
    }
    response.set_content(std::move(*gbk), kAnswerContentType);
}
