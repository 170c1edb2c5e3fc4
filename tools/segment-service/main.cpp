// segment-service: answers number-segment lookups for the desktop program
// on 127.0.0.1:8080, or where --listen says.
#include "listenaddress.h"
#include "segmentserver.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <string_view>
#include <thread>

namespace {

void PrintUsage(std::FILE *to) {
    std::fputs("Usage: segment-service [--listen HOST:PORT]\n"
               "Answers GET /cc/json/mobile_tel_segment.htm?tel=NUMBER for Chinese\n"
               "mobile numbers. Listens on 127.0.0.1:8080 unless told otherwise.\n",
               to);
}

} // namespace

int main(int argc, char *argv[]) {
    ListenAddress address;
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

    SegmentServer server;
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
