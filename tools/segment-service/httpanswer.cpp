#include "httpanswer.h"

#include <charconv>

namespace {

struct Status {
    int code;
    std::string_view line; // after "HTTP/1.1 "
    std::string_view body;
};

constexpr Status kStatuses[] = {
    {200, "200 OK", ""},
    {400, "400 Bad Request", "400 Bad Request\n"},
    {404, "404 Not Found", "404 Not Found\n"},
    {413, "413 Payload Too Large", "413 Payload Too Large\n"},
    {414, "414 URI Too Long", "414 URI Too Long\n"},
    {431, "431 Request Header Fields Too Large", "431 Request Header Fields Too Large\n"},
    {500, "500 Internal Server Error", "500 Internal Server Error\n"},
};

const Status &Find(int code) {
    for (const Status &status : kStatuses) {
        if (status.code == code)
            return status;
    }
    return kStatuses[std::size(kStatuses) - 1];
}

} // namespace

void AppendAnswerHead(std::string &out, int status, std::string_view contentType,
                      size_t contentLength, ConnectionHeader connection) {
    char length[24];
    const auto [end, error] = std::to_chars(length, length + sizeof length, contentLength);
    out.append("HTTP/1.1 ")
        .append(Find(status).line)
        .append("\r\nServer: ")
        .append(kServerName)
        .append("\r\nContent-Type: ")
        .append(contentType)
        .append("\r\nContent-Length: ")
        .append(length, error == std::errc() ? end : length);
    if (connection == ConnectionHeader::KeepAlive)
        out.append("\r\nConnection: keep-alive");
    else if (connection == ConnectionHeader::Close)
        out.append("\r\nConnection: close");
    out.append("\r\n\r\n");
}

std::string_view ErrorBody(int status) {
    return Find(status).body;
}
