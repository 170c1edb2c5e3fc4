#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ListenAddress {
    std::string host = "127.0.0.1";
    int port = 8080; // 0: any free port
};

// "HOST:PORT", e.g. "127.0.0.1:8080" or "0.0.0.0:0". Nothing when the text
// has no colon, an empty host, or a port outside 0..65535.
std::optional<ListenAddress> ParseListenAddress(std::string_view text);
