#include "listenaddress.h"

#include <charconv>

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    // An IPv6 address comes in brackets, as in URLs: "[::1]:8080".
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return std::nullopt;
        host = host.substr(1, host.size() - 2);
    }
    int port = -1;
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (portText.empty() || error != std::errc() || end != portText.data() + portText.size() ||
        port < 0 || port > 65535)
        return std::nullopt;
    return ListenAddress{std::string(host), port};
}
