// segment-service: answers number-segment lookups for the desktop program
// on 127.0.0.1:8080, or where --listen says, from its built-in data and a
// segment table: the one given with --segments, or segments.csv beside the
// binary.
#include "listenaddress.h"
#include "segmentserver.h"
#include "segmenttablefile.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char *kDefaultSegmentsName = "segments.csv";

void PrintUsage(std::FILE *to) {
    std::fputs("Usage: segment-service [--listen HOST:PORT] [--segments FILE]\n"
               "Answers GET /cc/json/mobile_tel_segment.htm?tel=NUMBER for Chinese\n"
               "mobile numbers. Listens on 127.0.0.1:8080 unless told otherwise.\n"
               "Blocks in the segment table FILE (CSV; segments.csv beside this program\n"
               "when not given) are answered from it.\n",
               to);
}

// segments.csv in the directory of this program's binary: where the
// kernel says the binary is, or else where argv[0] says.
std::string DefaultSegmentsPath(const char *argv0) {
    std::string binary;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0 && size_t(n) < sizeof buffer)
        binary.assign(buffer, size_t(n));
    else if (argv0 != nullptr)
        binary = argv0;
    const size_t slash = binary.rfind('/');
    if (slash == std::string::npos)
        return kDefaultSegmentsName; // started through PATH lookup with no /proc
    return binary.substr(0, slash + 1) + kDefaultSegmentsName;
}

// The table to answer from. A table asked for by name must load; the
// default one only when it is there, and a fault in it is no reason not to
// serve from the built-in data.
std::optional<SegmentTable> LoadSegments(const std::optional<std::string> &given,
                                         const char *argv0) {
    const std::string path = given ? *given : DefaultSegmentsPath(argv0);
    struct stat info {};
    if (!given && ::stat(path.c_str(), &info) != 0)
        return SegmentTable{};
    SegmentTableLoad load = LoadSegmentTable(path);
    if (!load.error.empty()) {
        if (given) {
            std::fprintf(stderr, "segment-service: %s: %s\n", path.c_str(), load.error.c_str());
            return std::nullopt;
        }
        std::fprintf(stderr, "segment-service: warning: %s: %s; answering from built-in data\n",
                     path.c_str(), load.error.c_str());
        return SegmentTable{};
    }
    std::fprintf(stderr, "segment-service: %s: %s\n", path.c_str(), DescribeLoad(load).c_str());
    return std::move(load.table);
}

} // namespace

int main(int argc, char *argv[]) {
    ListenAddress address;
    std::optional<std::string> segmentsPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--listen" && i + 1 < argc) {
            const auto parsed = ParseListenAddress(argv[++i]);
            if (!parsed) {
                std::fprintf(stderr, "segment-service: not a HOST:PORT address: %s\n", argv[i]);
                return 2;
            }
            address = *parsed;
            continue;
        }
        if (arg == "--segments" && i + 1 < argc) {
            segmentsPath = argv[++i];
            continue;
        }
        std::fprintf(stderr, "segment-service: unknown argument: %s\n", argv[i]);
        PrintUsage(stderr);
        return 2;
    }

    // Termination signals are taken by this thread with sigwait, so the
    // server stops cleanly instead of being cut off; every thread started
    // from here on inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::optional<SegmentTable> segments = LoadSegments(segmentsPath, argv[0]);
    if (!segments)
        return 1;

    SegmentServer server({}, std::move(*segments));
    const int port = server.Bind(address);
    if (port < 0) {
        std::fprintf(stderr, "segment-service: cannot listen on %s:%d: %s\n", address.host.c_str(),
                     address.port, std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "segment-service: listening on %s:%d\n", address.host.c_str(), port);

    std::thread serving([&server] { server.Run(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    serving.join();
    return 0;
}
