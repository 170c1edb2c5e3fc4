// segment-service figures:
// - loading a generated 500,000-row segment table (the size of the tables in
//   circulation), in UTF-8 and in GBK: the time, and the memory it costs at
//   its peak and once loaded (VmHWM and VmRSS against the RSS before);
// - throughput and latency on loopback: 2,000 lookups over 8 kept-alive
//   connections, the load a few desktop programs in batch runs would put on
//   it, once on the built-in data alone and once with the table loaded.
#include "gbktext.h"
#include "segmentserver.h"
#include "segmenttablefile.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConnections = 8;
constexpr int kRequestsPerConnection = 250;
constexpr uint32_t kTableRows = 500'000;
constexpr uint32_t kFirstTableBlock = 1'500'000; // 15x to 19x

const char *const kNumbers[] = {"13800138000", "13805710000", "13977100000", "13904710000",
                                "18616000000", "18901000000", "19200000000", "1380013800x"};

double Percentile(std::vector<double> sorted, double fraction) {
    if (sorted.empty())
        return 0;
    const size_t index = std::min(sorted.size() - 1, size_t(fraction * double(sorted.size())));
    return sorted[index];
}

// VmRSS or VmHWM of this process, in KiB.
long MemoryKiB(const char *field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    }
    return -1;
}

// Starts VmHWM again from the present RSS.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A table shaped like those in circulation: an id, the block, province,
// city, carrier, area code and post code, in a few hundred regions.
bool WriteTable(const std::string &path, bool gbk) {
    static constexpr std::array kProvinces{"广东", "北京", "浙江", "四川", "新疆", "内蒙古"};
    static constexpr std::array kCities{"广州", "深圳", "杭州", "成都", "喀什", "呼和浩特",
                                        "温州", "佛山", "绵阳", "包头", "伊犁", "东莞"};
    static constexpr std::array kCarriers{"中国移动", "联通", "电信虚拟运营商", "中国广电"};
    std::ofstream out(path, std::ios::binary);
    std::string chunk = "id,prefix,province,city,isp,code,zip\n";
    for (uint32_t i = 0; i < kTableRows; ++i) {
        chunk.append(std::to_string(i + 1))
            .append(",")
            .append(std::to_string(kFirstTableBlock + i))
            .append(",")
            .append(kProvinces[i / 7 % kProvinces.size()])
            .append(",\"")
            .append(kCities[i / 3 % kCities.size()])
            .append("\",")
            .append(kCarriers[i % kCarriers.size()])
            .append(",0")
            .append(std::to_string(100 + i % 900))
            .append(",")
            .append(std::to_string(100000 + i % 900000))
            .append("\n");
        if (chunk.size() > (1 << 20) || i + 1 == kTableRows) {
            const std::optional<std::string> bytes = gbk ? Utf8ToGbk(chunk) : chunk;
            if (!bytes)
                return false;
            out << *bytes;
            chunk.clear();
        }
    }
    return bool(out.flush());
}

bool MeasureLoad(const std::string &path, bool gbk) {
    if (!WriteTable(path, gbk)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    ResetPeak();
    const long rssBefore = MemoryKiB("VmRSS");
    const Clock::time_point start = Clock::now();
    SegmentTableLoad load = LoadSegmentTable(path);
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    const long peak = MemoryKiB("VmHWM");
    const long rssAfter = MemoryKiB("VmRSS");
    std::remove(path.c_str());
    std::printf("segment table, %u rows, %s: %s\n", kTableRows, gbk ? "GBK" : "UTF-8",
                load.error.empty() ? DescribeLoad(load).c_str() : load.error.c_str());
    std::printf("  load time:              %.0f ms\n", took.count());
    std::printf("  extra memory at peak:   %.1f MB (VmHWM - VmRSS before)\n",
                double(peak - rssBefore) / 1024);
    std::printf("  extra memory once held: %.1f MB (VmRSS after - before)\n",
                double(rssAfter - rssBefore) / 1024);
    return load.error.empty() && load.loaded == kTableRows;
}

bool MeasureAnswers(const char *what, SegmentTable table) {
    SegmentServer server({}, std::move(table));
    const int port = server.Bind(ListenAddress{"127.0.0.1", 0});
    if (port < 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return false;
    }
    std::thread serving([&server] { server.Run(); });

    // The geocoder loads its data on first use; that happens once per run
    // of the service and is timed apart from the steady state.
    {
        httplib::Client client("127.0.0.1", port);
        const Clock::time_point sent = Clock::now();
        for (const char *number : kNumbers)
            client.Get(std::string(SegmentServer::kAnswerPath) + "?tel=" + number);
        const std::chrono::duration<double, std::milli> took = Clock::now() - sent;
        std::printf("%s\n  first lookups (data loading): %.1f ms\n", what, took.count());
    }

    std::vector<std::vector<double>> latencies(kConnections);
    std::atomic<int> failures = 0;
    std::vector<std::thread> clients;
    const Clock::time_point start = Clock::now();
    for (int c = 0; c < kConnections; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(5, 0);
            latencies[size_t(c)].reserve(kRequestsPerConnection);
            for (int i = 0; i < kRequestsPerConnection; ++i) {
                const std::string target = std::string(SegmentServer::kAnswerPath) +
                                           "?tel=" + kNumbers[size_t(c + i) % std::size(kNumbers)];
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
    const int total = kConnections * kRequestsPerConnection;
    std::printf("  %d requests over %d kept-alive connections\n", total, kConnections);
    std::printf("  requests per second: %.0f\n", double(total) / elapsed.count());
    std::printf("  median latency:      %.3f ms\n", Percentile(all, 0.5));
    std::printf("  p99 latency:         %.3f ms\n", Percentile(all, 0.99));
    std::printf("  failed requests:     %d\n", failures.load());
    return failures == 0;
}

} // namespace

int main() {
    const char *tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_segments_" +
                             std::to_string(::getpid()) + ".csv";
    bool ok = MeasureLoad(path, false);
    ok = MeasureLoad(path, true) && ok;

    ok = MeasureAnswers("segment-service, built-in data", {}) && ok;
    if (!WriteTable(path, true))
        return 1;
    SegmentTableLoad load = LoadSegmentTable(path);
    std::remove(path.c_str());
    ok = MeasureAnswers("segment-service, with the 500,000-row table", std::move(load.table)) && ok;
    return ok ? 0 : 1;
}
