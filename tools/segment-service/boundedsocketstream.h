#pragma once

#include <httplib.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <ctime>

// A connection's socket as httplib reads and writes it, with a budget on how
// many bytes one request may take and by when it must have arrived. httplib
// 0.11 gathers a request line or a header line of any length in memory, and
// its read time-out restarts with every byte; once the budget or the time is
// spent, reads fail, so a client sending an endless line, or a line a byte
// at a time, is cut off instead of filling memory or holding a worker.
class BoundedSocketStream : public httplib::Stream {
public:
    BoundedSocketStream(socket_t sock, timeval readTimeout, timeval writeTimeout);

    // Gives the next request its budget of bytes and of time.
    void StartRequest(size_t budget, std::chrono::milliseconds time) {
        m_budget = budget;
        m_deadline = std::chrono::steady_clock::now() + time;
    }

    // Waits for the first byte of another request on a kept-alive
    // connection. False when the time is up, the peer has closed, or
    // `keepWaiting` says to stop (it is asked every tenth of a second).
    template <class Predicate> bool WaitForRequest(int timeoutSeconds, Predicate keepWaiting) {
        for (int waited = 0; waited < timeoutSeconds * 10; ++waited) {
            if (!keepWaiting())
                return false;
            if (m_begin < m_end)
                return true;
            const int ready = Poll(false, 100);
            if (ready < 0)
                return false;
            if (ready > 0)
                return true;
        }
        return false;
    }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override { return m_sock; }

private:
    int Poll(bool forWriting, int timeoutMs) const;
    int ReadWaitMs() const;

    socket_t m_sock;
    int m_readTimeoutMs;
    int m_writeTimeoutMs;
    size_t m_budget = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::array<char, 4096> m_buffer{};
    size_t m_begin = 0;
    size_t m_end = 0;
};
