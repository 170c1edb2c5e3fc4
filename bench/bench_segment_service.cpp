// Throughput and latency of segment-service on loopback: 2,000 lookups over
// 8 kept-alive connections, the load a few desktop programs in batch runs
// would put on it. Prints requests per second and the median and p99
// latency of a single request.
#include "segmentserver.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Connections = 8;
constexpr int RequestsPerConnection = 250;

const char *const Numbers[] = {"13800138000", "13805710000", "13977100000", "13904710000",
                               "18616000000", "18901000000", "19200000000", "1380013800x"};

double Percentile(std::vector<double> sorted, double fraction) {
    if (sorted.empty())
        return 0;
    const size_t index = std::min(sorted.size() - 1, size_t(fraction * double(sorted.size())));
    return sorted[index];
}

} // namespace

int main() {
    SegmentServer server;
    const int port = server.Bind(ListenAddress{"127.0.0.1", 0});
    if (port < 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::thread serving([&server] { server.Run(); });

    // The geocoder loads its data on first use; that happens once per run
    // of the service and is timed apart from the steady state.
    {
        httplib::Client client("127.0.0.1", port);
        const Clock::time_point sent = Clock::now();
        for (const char *number : Numbers)
            client.Get(std::string(SegmentServer::AnswerPath) + "?tel=" + number);
        const std::chrono::duration<double, std::milli> took = Clock::now() - sent;
        std::printf("first lookups (data loading): %.1f ms\n", took.count());
    }

    std::vector<std::vector<double>> latencies(Connections);
    std::atomic<int> failures = 0;
    std::vector<std::thread> clients;
    const Clock::time_point start = Clock::now();
    for (int c = 0; c < Connections; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(5, 0);
            latencies[size_t(c)].reserve(RequestsPerConnection);
            for (int i = 0; i < RequestsPerConnection; ++i) {
                const std::string target = std::string(SegmentServer::AnswerPath) +
                                           "?tel=" + Numbers[size_t(c + i) % std::size(Numbers)];
                const Clock::time_point sent = Clock::now();
                const auto result = client.Get(target);
                const std::chrono::duration<double, std::milli> took = Clock::now() - sent;
                if (!result || result->status != 200)
                    ++failures;
                latencies[size_t(c)].push_back(took.count());
            }
        });
    }
    for (std::thread &t : clients)
        t.join();
    const std::chrono::duration<double> elapsed = Clock::now() - start;

    server.Stop();
    serving.join();

    std::vector<double> all;
    for (const auto &l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    const int total = Connections * RequestsPerConnection;
    std::printf("segment-service, %d requests over %d kept-alive connections\n", total,
                Connections);
    std::printf("  requests per second: %.0f\n", double(total) / elapsed.count());
    std::printf("  median latency:      %.3f ms\n", Percentile(all, 0.5));
    std::printf("  p99 latency:         %.3f ms\n", Percentile(all, 0.99));
    std::printf("  failed requests:     %d\n", failures.load());
    return failures == 0 ? 0 : 1;
}
