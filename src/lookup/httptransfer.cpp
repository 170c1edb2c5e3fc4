#include "httptransfer.h"

#include <httplib.h>

#include <chrono>

struct HttpTransfer::Client {
    httplib::Client http;
    Client(const std::string &host, int port)
        : http(host, port) {}
};

HttpTransfer::HttpTransfer(const QString &host, int port, int timeoutMs, qint64 maxBodyBytes)
    : m_client(std::make_unique<Client>(host.toStdString(), port))
    , m_maxBodyBytes(maxBodyBytes) {
    httplib::Client &http = m_client->http;
    const std::chrono::milliseconds timeout(timeoutMs);
    http.set_connection_timeout(timeout);
    http.set_read_timeout(timeout);
    http.set_write_timeout(timeout);
    http.set_keep_alive(true);
    // A redirect is an answer like any other; nothing is followed.
    http.set_follow_location(false);
    // Answers are small and one at a time: send each request at once.
    http.set_tcp_nodelay(true);
}

HttpTransfer::~HttpTransfer() {
    Stop();
}

HttpTransfer::Answer HttpTransfer::Get(const QByteArray &target) {
    Answer answer;
    bool tooLarge = false;
    std::string body;
    const auto headersArrived = [&](const httplib::Response &response) {
        // A declared length over the cap is refused before any of it is read.
        if (response.has_header("Content-Length") &&
            response.get_header_value<uint64_t>("Content-Length") >
                static_cast<uint64_t>(m_maxBodyBytes)) {
            tooLarge = true;
            return false;
        }
        return true;
    };
    const auto bodyArrived = [&](const char *data, size_t length) {
        if (body.size() + length > static_cast<size_t>(m_maxBodyBytes)) {
            tooLarge = true;
            body.clear();
            return false;
        }
        body.append(data, length);
        return true;
    };

    const httplib::Result result =
        m_client->http.Get(target.toStdString(), headersArrived, bodyArrived);
    if (tooLarge) {
        // The rest of the body is still on its way; the connection cannot
        // carry another request.
        Stop();
        answer.kind = Answer::Kind::TooLarge;
        return answer;
    }
    if (!result)
        return answer;
    answer.kind = Answer::Kind::Complete;
    answer.status = result->status;
    answer.contentType = QByteArray::fromStdString(result->get_header_value("Content-Type"));
    answer.body = QByteArray::fromStdString(body);
    return answer;
}

void HttpTransfer::Stop() {
    m_client->http.stop();
}
