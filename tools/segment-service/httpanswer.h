#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The status line and headers of the service's answers. Every answer names
// the service in a Server header, so that the desktop program can tell its
// own service from another program that holds the port.
inline constexpr std::string_view kServerName = "tarvio-segment-service";
inline constexpr std::string_view kAnswerContentType = "text/javascript; charset=GBK";

// What the answer says of the connection: nothing (HTTP/1.1 keeps it open
// by default), that it stays open (for an HTTP/1.0 client that asked), or
// that it closes.
enum class ConnectionHeader { None, KeepAlive, Close };

// Appends "HTTP/1.1 STATUS ...\r\n", the headers and the blank line.
void AppendAnswerHead(std::string &out, int status, std::string_view contentType,
                      size_t contentLength, ConnectionHeader connection);

// The body of an error answer (status other than 200): the status line's
// text, for a person looking at it with curl. The program itself only sees
// "no telString".
std::string_view ErrorBody(int status);
inline constexpr std::string_view kErrorContentType = "text/plain; charset=us-ascii";
