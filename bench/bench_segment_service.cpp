// segment-service figures:
// - loading a generated 500,000-row segment table (the size of the tables in
//   circulation), in UTF-8 and in GBK, and the built-in data: the time, and
//   the memory it costs at its peak and once loaded;
// - the service's start until its "listening on" line, and its memory then,
//   on its built-in data (builtin-segments.dat, the 2025-02 table merged with
//   libphonenumber, in the phone.dat form) beside the same binary on the
//   built-in table the build made before (libphonenumber alone, as CSV),
//   and nginx's start until it accepts a connection, as the floor;
// - allocations per answered request, in-process;
// - requests/s with `ab -k -c 32` against the service and against nginx
//   serving the same answer bytes as a static file, in the same run (nginx
//   is started here with a config of its own on a free loopback port);
// - how long a new client waits for its answer while 64 keep-alive clients
//   sit quiet, 1,000 connections send nothing, or 256 requests stay half
//   sent, each on a freshly started service;
// - the service's memory with 10,000 idle connections.
// `--service PATH` measures another build of the service (an older one, to
// compare); the table figures are always of this build.
#include "gbktext.h"
#include "loopbackload.h"
#include "openfilelimit.h"
#include "segmentserver.h"
#include "segmenttablefile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Every allocation through operator new in this process, for the
// allocations-per-request figure.
namespace {
std::atomic<size_t> g_allocations = 0;

// Out of line, so that the compiler does not pair malloc and free across
// the replaced operators and take them for a mismatch.
[[gnu::noinline]] void Release(void *p) noexcept {
    std::free(p);
}
} // namespace

void *operator new(size_t size) {
    ++g_allocations;
    if (void *p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    Release(p);
}
void operator delete(void *p, size_t) noexcept {
    Release(p);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAbRequests = 40'000;
constexpr int kAbConcurrency = 32;
constexpr auto kNewClientLimit = std::chrono::milliseconds(5'000);
constexpr int kNewClients = 20;
const std::string kTarget = "/cc/json/mobile_tel_segment.htm?tel=13800138000";
constexpr uint32_t kTableRows = 500'000;
constexpr uint32_t kFirstTableBlock = 1'500'000; // 15x to 19x

double Percentile(std::vector<double> sorted, double fraction) {
    if (sorted.empty())
        return 0;
    const size_t index = std::min(sorted.size() - 1, size_t(fraction * double(sorted.size())));
    return sorted[index];
}

// VmRSS or VmHWM of a process (this one by default), in KiB.
long MemoryKiB(const char *field, const std::string &process = "self") {
    std::ifstream status("/proc/" + process + "/status");
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

bool MeasureBuiltinLoad(const std::filesystem::path &path) {
    ResetPeak();
    const long rssBefore = MemoryKiB("VmRSS");
    const Clock::time_point start = Clock::now();
    SegmentTableLoad load = LoadSegmentTable(path);
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    const long peak = MemoryKiB("VmHWM");
    std::printf("built-in data %s: %s\n", path.string().c_str(),
                load.error.empty() ? DescribeLoad(load).c_str() : load.error.c_str());
    std::printf("  load time (part of the service's start): %.1f ms, extra memory at peak "
                "%.1f MB\n",
                took.count(), double(peak - rssBefore) / 1024);
    return load.error.empty();
}

// Requests on one kept-alive connection to the service in this process;
// the client's side allocates nothing in the loop.
bool MeasureAllocations(SegmentTable table) {
    SegmentServer server({}, std::move(table));
    const int port = server.Bind(ListenAddress{"127.0.0.1", 0});
    if (port < 0)
        return false;
    std::thread serving([&server] { server.Run(); });
    const std::string request = "GET " + kTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    std::vector<int> fds = OpenConnections(std::uint16_t(port), 1, kNewClientLimit);
    bool ok = fds.size() == 1;
    constexpr int kWarmUp = 100, kCounted = 20'000;
    for (int i = 0; ok && i < kWarmUp; ++i)
        ok = SendAll(fds[0], request) && ReadAnswer(fds[0], kNewClientLimit);
    const size_t before = g_allocations;
    for (int i = 0; ok && i < kCounted; ++i)
        ok = SendAll(fds[0], request) && ReadAnswer(fds[0], kNewClientLimit);
    const size_t allocations = g_allocations - before;
    CloseAll(fds);
    server.Stop();
    serving.join();
    std::printf("allocations per answered request (in-process, after %d to warm up): %.4f\n",
                kWarmUp, ok ? double(allocations) / kCounted : -1.0);
    return ok;
}

// The service binary on a free port; 0 when it did not come up.
std::uint16_t StartService(ChildProcess &service) {
    for (int i = 0; i < 3; ++i) {
        const std::optional<std::string> line = service.ReadLine(std::chrono::seconds(30));
        if (!line)
            return 0;
        const size_t at = line->find("listening on 127.0.0.1:");
        if (at != std::string::npos)
            return std::uint16_t(std::atoi(line->c_str() + at + 23));
    }
    return 0;
}

bool OnPath(const char *program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

struct AbResult {
    double requestsPerSecond = 0;
    long failed = -1;
    long non2xx = 0;
};

AbResult RunAb(std::uint16_t port, const std::string &target) {
    const std::string command = "ab -k -q -c " + std::to_string(kAbConcurrency) + " -n " +
                                std::to_string(kAbRequests) +
                                " http://127.0.0.1:" + std::to_string(port) + target + " 2>&1";
    AbResult result;
    std::FILE *ab = ::popen(command.c_str(), "r");
    if (ab == nullptr)
        return result;
    char line[512];
    while (std::fgets(line, sizeof line, ab) != nullptr) {
        const std::string_view text(line);
        if (text.starts_with("Requests per second:"))
            result.requestsPerSecond = std::atof(line + 20);
        else if (text.starts_with("Failed requests:"))
            result.failed = std::atol(line + 16);
        else if (text.starts_with("Non-2xx responses:"))
            result.non2xx = std::atol(line + 18);
    }
    ::pclose(ab);
    return result;
}

// nginx with a config of its own: its own temporary folder, pid file and
// logs, one static file holding the answer's bytes. Stopped when this goes.
class Nginx {
public:
    explicit Nginx(const std::string &answer) {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_nginx_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        m_dir = pattern;
        // Its workers may run as another user: they must be able to read.
        std::filesystem::create_directories(m_dir / "www");
        std::ofstream(m_dir / "www" / "answer.js", std::ios::binary) << answer;
        ::chmod(m_dir.c_str(), 0755);
        ::chmod((m_dir / "www").c_str(), 0755);
        ::chmod((m_dir / "www" / "answer.js").c_str(), 0644);
        port = FreeLoopbackPort();
        const std::string dir = m_dir.string();
        std::ofstream(m_dir / "nginx.conf")
            << "worker_processes auto;\npid " << dir << "/nginx.pid;\nerror_log " << dir
            << "/error.log;\nevents { worker_connections 4096; }\nhttp {\n  access_log off;\n"
            << "  client_body_temp_path " << dir << "/body;\n  proxy_temp_path " << dir
            << "/proxy;\n  fastcgi_temp_path " << dir << "/fastcgi;\n  uwsgi_temp_path " << dir
            << "/uwsgi;\n  scgi_temp_path " << dir << "/scgi;\n"
            << "  keepalive_requests 1000000;\n  server {\n    listen 127.0.0.1:" << port
            << ";\n    root " << dir << "/www;\n"
            << "    location / { default_type \"text/javascript; charset=GBK\"; }\n  }\n}\n";
        const std::string binary = OnPath("nginx") ? "nginx" : "/usr/sbin/nginx";
        const Clock::time_point start = Clock::now();
        m_process = std::make_unique<ChildProcess>(
            std::vector<std::string>{binary, "-p", dir, "-e", dir + "/error.log", "-c",
                                     dir + "/nginx.conf", "-g", "daemon off;"},
            false);
        // Asked every 200 µs, so that the time it took to come up is measured
        // to well under a millisecond.
        const Clock::time_point deadline = start + std::chrono::seconds(10);
        int fd = -1;
        while ((fd = ConnectLoopback(port)) < 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (fd < 0) {
            port = 0;
            return;
        }
        ::close(fd);
        startedInMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    ~Nginx() {
        m_process.reset();
        std::error_code ignored;
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ignored);
    }
    std::uint16_t port = 0;
    double startedInMs = 0; // from its start until it accepted a connection

private:
    std::filesystem::path m_dir;
    std::unique_ptr<ChildProcess> m_process;
};

struct StartFigures {
    std::vector<double> readyMs;
    long rssKiB = -1;  // once ready, the last start
    long peakKiB = -1; // VmHWM by then
};

constexpr int kStarts = 9;

// The binary started from a folder of its own with `data` as its built-in
// data, again and again: the time from the start to its "listening on" line.
StartFigures MeasureStarts(const std::string &binary, const std::filesystem::path &data,
                           const std::filesystem::path &folder) {
    StartFigures figures;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::filesystem::path copy = folder / "segment-service";
    std::filesystem::copy_file(binary, copy, std::filesystem::copy_options::overwrite_existing,
                               ignored);
    std::filesystem::copy_file(data, folder / "builtin-segments.dat",
                               std::filesystem::copy_options::overwrite_existing, ignored);
    for (int i = 0; i < kStarts; ++i) {
        const Clock::time_point start = Clock::now();
        ChildProcess service({copy.string(), "--listen", "127.0.0.1:0"}, true);
        if (StartService(service) == 0)
            return {};
        figures.readyMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        figures.rssKiB = MemoryKiB("VmRSS", std::to_string(service.Pid()));
        figures.peakKiB = MemoryKiB("VmHWM", std::to_string(service.Pid()));
    }
    std::filesystem::remove_all(folder, ignored);
    std::sort(figures.readyMs.begin(), figures.readyMs.end());
    return figures;
}

// nginx serving a file, started as often, until it accepts a connection.
std::vector<double> MeasureNginxStarts() {
    if (!OnPath("nginx") && !std::filesystem::exists("/usr/sbin/nginx"))
        return {};
    std::vector<double> starts;
    for (int i = 0; i < kStarts; ++i) {
        Nginx nginx("zone = {}");
        if (nginx.port == 0)
            return {};
        starts.push_back(nginx.startedInMs);
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

bool MeasureReady(const std::string &binary, const std::filesystem::path &dataDir,
                  const std::filesystem::path &scratch) {
    const std::filesystem::path builtin = dataDir / "builtin-segments.dat";
    const std::filesystem::path before = TARVIO_LIBPHONENUMBER_SEGMENTS;
    std::printf("start until ready (the \"listening on\" line), %d starts each, the page cache "
                "warm (goal: at most 150 ms and 40 MB):\n",
                kStarts);
    const StartFigures now = MeasureStarts(binary, builtin, scratch / "now");
    const StartFigures then = MeasureStarts(binary, before, scratch / "before");
    const std::vector<double> nginx = MeasureNginxStarts();
    const auto print = [](const char *what, const StartFigures &f) {
        if (f.readyMs.empty()) {
            std::printf("  %-52s did not start\n", what);
            return;
        }
        std::printf("  %-52s median %6.1f ms, best %6.1f ms; memory once ready %5.1f MB "
                    "(peak %5.1f MB)\n",
                    what, Percentile(f.readyMs, 0.5), f.readyMs.front(), double(f.rssKiB) / 1024,
                    double(f.peakKiB) / 1024);
    };
    print("built-in data now (builtin-segments.dat):", now);
    print("the built-in table before (libphonenumber, CSV):", then);
    if (!nginx.empty())
        std::printf("  %-52s median %6.1f ms, best %6.1f ms\n",
                    "nginx, until it accepts a connection:", Percentile(nginx, 0.5), nginx.front());
    else
        std::printf("  nginx: not measured\n");
    if (now.readyMs.empty() || then.readyMs.empty())
        return false;
    std::printf("  ratio now / before: %.2fx the time, %.2fx the memory",
                Percentile(now.readyMs, 0.5) / Percentile(then.readyMs, 0.5),
                double(now.rssKiB) / double(then.rssKiB));
    if (!nginx.empty())
        std::printf("; now / nginx: %.2fx the time",
                    Percentile(now.readyMs, 0.5) / Percentile(nginx, 0.5));
    std::printf("\n");
    return Percentile(now.readyMs, 0.5) <= 150 && now.peakKiB <= 40 * 1024;
}

bool MeasureThroughput(const std::string &binary) {
    if (!OnPath("ab")) {
        std::printf("throughput: not measured, ab is missing (Debian: apache2-utils)\n");
        return true;
    }
    ChildProcess service({binary, "--listen", "127.0.0.1:0"}, true);
    const std::uint16_t port = StartService(service);
    if (port == 0) {
        std::printf("throughput: the service did not start\n");
        return false;
    }
    std::string answer;
    {
        std::vector<int> fds = OpenConnections(port, 1, kNewClientLimit);
        char buffer[1024];
        ssize_t got = 0;
        if (fds.size() == 1 &&
            SendAll(fds[0], "GET " + kTarget + " HTTP/1.1\r\nConnection: close\r\n\r\n"))
            while ((got = ::recv(fds[0], buffer, sizeof buffer, 0)) > 0)
                answer.append(buffer, size_t(got));
        CloseAll(fds);
        const size_t body = answer.find("\r\n\r\n");
        answer = body == std::string::npos ? std::string() : answer.substr(body + 4);
    }
    const bool haveNginx = OnPath("nginx") || std::filesystem::exists("/usr/sbin/nginx");
    std::unique_ptr<Nginx> nginx;
    if (haveNginx)
        nginx = std::make_unique<Nginx>(answer);
    std::printf("throughput: ab -k -c %d -n %d, the same %zu answer bytes; best of two runs\n",
                kAbConcurrency, kAbRequests, answer.size());
    AbResult best, bestNginx;
    for (int run = 0; run < 2; ++run) {
        const AbResult ours = RunAb(port, kTarget);
        std::printf("  segment-service: %9.0f requests/s, %ld failed, %ld non-2xx\n",
                    ours.requestsPerSecond, ours.failed, ours.non2xx);
        if (ours.requestsPerSecond > best.requestsPerSecond || run == 0)
            best = ours;
        if (nginx && nginx->port != 0) {
            const AbResult theirs = RunAb(nginx->port, "/answer.js");
            std::printf("  nginx (static):  %9.0f requests/s, %ld failed, %ld non-2xx\n",
                        theirs.requestsPerSecond, theirs.failed, theirs.non2xx);
            if (theirs.requestsPerSecond > bestNginx.requestsPerSecond || run == 0)
                bestNginx = theirs;
        }
    }
    if (!haveNginx)
        std::printf("  nginx: not measured, nginx is missing (Debian: nginx-light)\n");
    else if (nginx->port == 0)
        std::printf("  nginx: did not start\n");
    else
        std::printf("  ratio segment-service / nginx: %.2fx (goal: at least 0.50x, 0 failed)\n",
                    best.requestsPerSecond / bestNginx.requestsPerSecond);
    return best.failed == 0;
}

// A new client's wait, a few times over, on a fresh service under `load`.
bool MeasureWaitUnder(const std::string &binary, const char *what,
                      const std::function<std::vector<int>(std::uint16_t)> &load) {
    ChildProcess service({binary, "--listen", "127.0.0.1:0"}, true);
    const std::uint16_t port = StartService(service);
    if (port == 0) {
        std::printf("%s: the service did not start\n", what);
        return false;
    }
    std::vector<int> held = load(port);
    std::vector<double> waits;
    bool answered = true;
    for (int i = 0; i < kNewClients && answered; ++i) {
        const auto took = TimeNewClient(port, kTarget, kNewClientLimit);
        answered = took.has_value();
        if (took)
            waits.push_back(took->count());
    }
    std::sort(waits.begin(), waits.end());
    if (!answered)
        std::printf("  %-40s not answered within %lld ms\n", what,
                    static_cast<long long>(kNewClientLimit.count()));
    else
        std::printf("  %-40s median %7.2f ms, worst %7.2f ms (%zu held open)\n", what,
                    Percentile(waits, 0.5), waits.back(), held.size());
    CloseAll(held);
    return answered && waits.back() < 50;
}

std::vector<int> QuietKeepAlive(std::uint16_t port) {
    std::vector<int> fds = OpenConnections(port, 64, kNewClientLimit);
    const std::string request = "GET " + kTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    for (int fd : fds)
        SendAll(fd, request);
    for (int fd : fds)
        ReadAnswer(fd, std::chrono::milliseconds(200));
    return fds;
}

std::vector<int> Silent(std::uint16_t port) {
    return OpenConnections(port, 1000, kNewClientLimit);
}

std::vector<int> HalfSent(std::uint16_t port) {
    std::vector<int> fds = OpenConnections(port, 256, kNewClientLimit);
    for (int fd : fds)
        SendAll(fd, "GET /cc/json/mobile_tel_segment.htm?tel=138");
    return fds;
}

bool MeasureIdleMemory(const std::string &binary) {
    constexpr size_t kIdle = 10'000;
    ChildProcess service({binary, "--listen", "127.0.0.1:0"}, true);
    const std::uint16_t port = StartService(service);
    if (port == 0)
        return false;
    const size_t baseFiles = ProcessOpenFiles(service.Pid());
    const long before = ProcessRssKiB(service.Pid());
    // In batches, each accepted before the next is opened: ten thousand
    // connections at once would overflow the listen backlog and wait for
    // the system's retries, while the first ones reach their idle time.
    std::vector<int> fds;
    size_t accepted = 0;
    while (fds.size() < kIdle) {
        std::vector<int> batch = OpenConnections(port, 1000, std::chrono::seconds(5));
        if (batch.empty())
            break;
        fds.insert(fds.end(), batch.begin(), batch.end());
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        const auto acceptedNow = [&] {
            const size_t open = ProcessOpenFiles(service.Pid());
            return open > baseFiles ? open - baseFiles : 0;
        };
        while ((accepted = acceptedNow()) < fds.size() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const long after = ProcessRssKiB(service.Pid());
    const auto took = TimeNewClient(port, kTarget, kNewClientLimit);
    std::printf("memory with %zu idle connections (%zu accepted): %.1f MB (%.1f MB before them, "
                "%.2f KB each; goal: under 100 MB)\n",
                fds.size(), accepted, double(after) / 1024, double(before) / 1024,
                accepted > 0 ? double(after - before) / double(accepted) : 0.0);
    if (took)
        std::printf("  a new client meanwhile: %.2f ms\n", took->count());
    else
        std::printf("  a new client meanwhile: not answered within %lld ms\n",
                    static_cast<long long>(kNewClientLimit.count()));
    CloseAll(fds);
    return accepted >= kIdle && after > 0 && after < 100 * 1024;
}

} // namespace

int main(int argc, char *argv[]) {
    std::string binary = TARVIO_SEGMENT_SERVICE;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--service" && i + 1 < argc) {
            binary = argv[++i];
            continue;
        }
        std::fprintf(stderr, "Usage: bench_segment_service [--service PATH]\n");
        return 2;
    }
    // 10,000 connections of our own, beside the service's.
    RaiseOpenFileLimit();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const char *tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_segments_" +
                             std::to_string(::getpid()) + ".csv";
    bool ok = MeasureLoad(path, false);
    ok = MeasureLoad(path, true) && ok;
    const std::filesystem::path dataDir =
        std::filesystem::path(TARVIO_SEGMENT_SERVICE).parent_path();
    const std::filesystem::path builtin = dataDir / "builtin-segments.dat";
    ok = MeasureBuiltinLoad(builtin) && ok;
    ok = MeasureBuiltinLoad(TARVIO_LIBPHONENUMBER_SEGMENTS) && ok;
    ok = MeasureAllocations(LoadSegmentTable(builtin).table) && ok;

    std::printf("service measured: %s\n", binary.c_str());
    ok = MeasureReady(binary, dataDir,
                      std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_ready_" +
                          std::to_string(::getpid())) &&
         ok;
    ok = MeasureThroughput(binary) && ok;
    std::printf("a new client's wait for its answer (goal: under 50 ms), %d clients one after "
                "another, each load on a fresh service:\n",
                kNewClients);
    ok = MeasureWaitUnder(binary, "64 quiet keep-alive clients", QuietKeepAlive) && ok;
    ok = MeasureWaitUnder(binary, "1,000 connections sending nothing", Silent) && ok;
    ok = MeasureWaitUnder(binary, "256 half-sent requests", HalfSent) && ok;
    ok = MeasureIdleMemory(binary) && ok;
    return ok ? 0 : 1;
}
