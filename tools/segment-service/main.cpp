// segment-service: answers number-segment lookups for the desktop program
// on 127.0.0.1:8080, or where --listen says, from its built-in data
// (builtin-segments.csv beside the binary) and a segment table on top: the
// one given with --segments, or segments.csv beside the binary.
#include "listenaddress.h"
#include "openfilelimit.h"
#include "programenvironment.h"
#include "segmentserver.h"
#include "segmenttablefile.h"
#include "stopsignals.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr const char *kBuiltinSegmentsName = "builtin-segments.csv";
constexpr const char *kDefaultSegmentsName = "segments.csv";

void PrintUsage(std::FILE *to) {
    std::fputs("Usage: segment-service [--listen HOST:PORT] [--segments FILE]\n"
               "Answers GET /cc/json/mobile_tel_segment.htm?tel=NUMBER for Chinese\n"
               "mobile numbers. Listens on 127.0.0.1:8080 unless told otherwise.\n"
               "Blocks in the segment table FILE (CSV; segments.csv beside this program\n"
               "when not given) are answered from it, others from builtin-segments.csv.\n",
               to);
}

// The built-in data, which must be there: without them nearly every number
// would be "unknown", and that is no way to serve.
std::optional<SegmentTable> LoadBuiltin(const std::filesystem::path &directory) {
    const std::filesystem::path path = directory / kBuiltinSegmentsName;
    SegmentTableLoad load = LoadSegmentTable(path);
    if (!load.error.empty() || load.table.Empty()) {
        std::fprintf(stderr, "segment-service: %s: %s; the built-in data are missing\n",
                     PathToUtf8(path).c_str(),
                     load.error.empty() ? "no blocks in it" : load.error.c_str());
        return std::nullopt;
    }
    if (load.skipped > 0)
        std::fprintf(stderr, "segment-service: warning: %s: %s\n", PathToUtf8(path).c_str(),
                     DescribeLoad(load).c_str());
    return std::move(load.table);
}

// The built-in data with the user's table on top. A table asked for by name
// must load; the default one only when it is there, and a fault in it is no
// reason not to serve from the built-in data.
std::optional<SegmentTable> LoadSegments(SegmentTable builtin,
                                         const std::optional<std::string> &given,
                                         const std::filesystem::path &directory) {
    const std::filesystem::path path =
        given ? PathFromUtf8(*given) : directory / kDefaultSegmentsName;
    std::error_code ignored;
    if (!given && !std::filesystem::exists(path, ignored))
        return builtin;
    SegmentTableLoad load = LoadSegmentTable(path, std::move(builtin));
    const std::string shown = PathToUtf8(path);
    if (!load.error.empty()) {
        if (given) {
            std::fprintf(stderr, "segment-service: %s: %s\n", shown.c_str(), load.error.c_str());
            return std::nullopt;
        }
        std::fprintf(stderr, "segment-service: warning: %s: %s; answering from built-in data\n",
                     shown.c_str(), load.error.c_str());
        return std::move(load.table);
    }
    std::fprintf(stderr, "segment-service: %s: %s\n", shown.c_str(), DescribeLoad(load).c_str());
    return std::move(load.table);
}

} // namespace

int main(int argc, char *argv[]) {
    HoldStopSignals();
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    ListenAddress address;
    std::optional<std::string> segmentsPath;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--listen" && i + 1 < arguments.size()) {
            const auto parsed = ParseListenAddress(arguments[++i]);
            if (!parsed) {
                std::fprintf(stderr, "segment-service: not a HOST:PORT address: %s\n",
                             arguments[i].c_str());
                return 2;
            }
            address = *parsed;
            continue;
        }
        if (arg == "--segments" && i + 1 < arguments.size()) {
            segmentsPath = arguments[++i];
            continue;
        }
        std::fprintf(stderr, "segment-service: unknown argument: %s\n", arguments[i].c_str());
        PrintUsage(stderr);
        return 2;
    }

    // Every idle connection is a descriptor; the hard limit is what the
    // system allows this process, the soft one often far less.
    RaiseOpenFileLimit();

    const std::filesystem::path directory = ProgramDirectory(argc > 0 ? argv[0] : nullptr);
    std::optional<SegmentTable> builtin = LoadBuiltin(directory);
    if (!builtin)
        return 1;
    std::optional<SegmentTable> segments =
        LoadSegments(std::move(*builtin), segmentsPath, directory);
    if (!segments)
        return 1;

    SegmentServer server({}, std::move(*segments));
    std::string error;
    const int port = server.Bind(address, &error);
    if (port < 0) {
        std::fprintf(stderr, "segment-service: cannot listen on %s:%d: %s\n", address.host.c_str(),
                     address.port, error.c_str());
        return 1;
    }
    // The desktop program that started us reads this line for the port.
    std::fprintf(stderr, "segment-service: listening on %s:%d\n", address.host.c_str(), port);
    std::fflush(stderr);

    ServeUntilStopped(server);
    return 0;
}
