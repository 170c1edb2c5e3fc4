#include "loopbackload.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

int ConnectLoopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(size_t(sent));
    }
    return true;
}

bool ReadAnswer(int fd, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    char buffer[4096];
    size_t have = 0;
    size_t needed = 0; // head and body, once the head is known
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, int(left.count())) <= 0)
            return false;
        const ssize_t got = ::recv(fd, buffer + have, sizeof buffer - have, 0);
        if (got <= 0)
            return false;
        have += size_t(got);
        if (needed == 0) {
            const std::string_view text(buffer, have);
            const size_t end = text.find("\r\n\r\n");
            if (end != std::string_view::npos) {
                const size_t at = text.find("Content-Length: ");
                const size_t length =
                    at == std::string_view::npos ? 0 : size_t(std::atol(buffer + at + 16));
                needed = end + 4 + length;
            } else if (have == sizeof buffer) {
                return false;
            }
        }
        if (needed != 0 && have >= needed)
            return true;
    }
}

std::vector<int> OpenConnections(std::uint16_t port, size_t count,
                                 std::chrono::milliseconds limit) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> fds;
    for (size_t i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            break;
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 &&
            errno != EINPROGRESS) {
            ::close(fd);
            break;
        }
        fds.push_back(fd);
    }
    // Connected once writable; those that are not by then are closed.
    const Clock::time_point deadline = Clock::now() + limit;
    for (int &fd : fds) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (::poll(&ready, 1, int(std::max<long long>(left.count(), 0))) <= 0 ||
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            ::close(fd);
            fd = -1;
            continue;
        }
        const int flags = ::fcntl(fd, F_GETFL);
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    std::erase(fds, -1);
    return fds;
}

void CloseAll(std::vector<int> &fds) {
    for (int fd : fds)
        ::close(fd);
    fds.clear();
}

std::optional<std::chrono::duration<double, std::milli>>
TimeNewClient(std::uint16_t port, const std::string &target, std::chrono::milliseconds limit) {
    const Clock::time_point start = Clock::now();
    std::vector<int> fds = OpenConnections(port, 1, limit);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(start + limit - Clock::now());
    const bool answered =
        fds.size() == 1 &&
        SendAll(fds[0], "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") &&
        ReadAnswer(fds[0], left);
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    CloseAll(fds);
    if (!answered)
        return std::nullopt;
    return took;
}

std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool WaitListening(std::uint16_t port, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        const int fd = ConnectLoopback(port);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

ChildProcess::ChildProcess(const std::vector<std::string> &argv, bool readStderr) {
    int pipeFds[2] = {-1, -1};
    if (readStderr && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        if (readStderr)
            ::dup2(pipeFds[1], STDERR_FILENO);
        std::vector<char *> args;
        for (const std::string &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    if (readStderr) {
        ::close(pipeFds[1]);
        m_stderr = pipeFds[0];
    }
}

ChildProcess::~ChildProcess() {
    Stop();
    if (m_stderr >= 0)
        ::close(m_stderr);
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        const size_t newline = m_buffered.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffered.substr(0, newline);
            m_buffered.erase(0, newline + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{m_stderr, POLLIN, 0};
        if (m_stderr < 0 || left.count() <= 0 || ::poll(&ready, 1, int(left.count())) <= 0)
            return std::nullopt;
        char buffer[512];
        const ssize_t got = ::read(m_stderr, buffer, sizeof buffer);
        if (got <= 0)
            return std::nullopt;
        m_buffered.append(buffer, size_t(got));
    }
}

int ChildProcess::Stop() {
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500; ++i) { // 10 s, then it is killed
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return -1;
}

long ProcessRssKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

size_t ProcessOpenFiles(pid_t pid) {
    std::error_code error;
    size_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
         !error && it != end; it.increment(error))
        ++count;
    return count;
}
