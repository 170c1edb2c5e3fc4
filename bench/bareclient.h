#pragma once

#include <cstdint>
#include <string>

// The baseline of the batch benchmark: a plain HTTP/1.1 GET over a POSIX
// socket, without Qt and without any library, on a new connection that the
// request closes. Returns the number of bytes received, 0 when nothing came.
std::size_t BareGet(std::uint16_t port, const std::string &target);
