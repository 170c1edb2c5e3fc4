#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// Plain POSIX sockets on 127.0.0.1 for the segment service's benchmark:
// many connections that hold still, and one client whose wait is timed.

// A connected socket, or -1.
int ConnectLoopback(std::uint16_t port);
bool SendAll(int fd, std::string_view bytes);
// Reads one answer (head and Content-Length body) into a buffer of the
// caller's; false when none came whole within `limit`.
bool ReadAnswer(int fd, std::chrono::milliseconds limit);

// Opens `count` connections at once, without waiting for each to be
// accepted; those connected within `limit` are returned, blocking again.
std::vector<int> OpenConnections(std::uint16_t port, size_t count, std::chrono::milliseconds limit);
void CloseAll(std::vector<int> &fds);

// How long a new client waits for its answer: connect, send a GET, read the
// whole answer. Nothing when it was not answered within `limit`.
std::optional<std::chrono::duration<double, std::milli>>
TimeNewClient(std::uint16_t port, const std::string &target, std::chrono::milliseconds limit);

// A port that was free a moment ago.
std::uint16_t FreeLoopbackPort();

// Waits until something accepts connections on the port.
bool WaitListening(std::uint16_t port, std::chrono::milliseconds limit);

// A child process, ended with SIGTERM (then SIGKILL) when this goes.
class ChildProcess {
public:
    // Starts `argv` with stderr to a pipe when `readStderr`.
    ChildProcess(const std::vector<std::string> &argv, bool readStderr);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t Pid() const { return m_pid; }
    // The next line on its stderr, within `limit`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
    // Sends SIGTERM and waits; the exit status, or -1.
    int Stop();

private:
    pid_t m_pid = -1;
    int m_stderr = -1;
    std::string m_buffered;
};

// VmRSS of a process, in KiB; -1 when unknown.
long ProcessRssKiB(pid_t pid);
// Open descriptors of a process.
size_t ProcessOpenFiles(pid_t pid);
