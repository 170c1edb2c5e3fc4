#include "guardedserver.h"

#include "boundedsocketstream.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

bool GuardedServer::WidenListenBacklog(int backlog) {
    // Listening again on a listening socket only changes its backlog.
    return svr_sock_ != INVALID_SOCKET && ::listen(svr_sock_, backlog) == 0;
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    // Answers go out as head and body in two writes; without this the second
    // waits for the client's delayed acknowledgement on every request.
    const int on = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    BoundedSocketStream stream(sock, timeval{read_timeout_sec_, read_timeout_usec_},
                               timeval{write_timeout_sec_, write_timeout_usec_});
    const auto serving = [this] {
        return svr_sock_ != INVALID_SOCKET;
    };
    bool ok = false;
    for (size_t left = keep_alive_max_count_; left > 0; --left) {
        if (!stream.WaitForRequest(int(keep_alive_timeout_sec_), serving))
            break;
        stream.StartRequest(m_requestBudget, m_requestTime);
        bool closed = false;
        ok = process_request(stream, left == 1, closed, nullptr);
        if (!ok || closed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}
