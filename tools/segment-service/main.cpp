// segment-service: answers number-segment lookups for the desktop program
// on 127.0.0.1:8080, or where --listen says, from its built-in data
// (builtin-segments.dat beside the binary) with the user's tables on top:
// the one given with --segments, or else phone.dat and then segments.csv
// beside the binary.
#include "listenaddress.h"
#include "openfilelimit.h"
#include "programenvironment.h"
#include "segmentserver.h"
#include "segmenttablefile.h"
#include "stopsignals.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr const char *kBuiltinSegmentsName = "builtin-segments.dat";
// Laid over the built-in data in this order, so that a hand-made CSV of a
// few corrections wins over an updated phone.dat, which wins over the
// built-in data.
constexpr std::array kBesideNames{"phone.dat", "segments.csv"};

void PrintUsage(std::FILE *to) {
    std::fputs("Usage: segment-service [--listen HOST:PORT] [--segments FILE] [--version]\n"
               "Answers GET /cc/json/mobile_tel_segment.htm?tel=NUMBER for Chinese\n"
               "mobile numbers. Listens on 127.0.0.1:8080 unless told otherwise.\n"
               "Blocks in the segment table FILE (a phone.dat or a CSV table; when not\n"
               "given, phone.dat and segments.csv beside this program) are answered from\n"
               "it, others from builtin-segments.dat.\n",
               to);
}

// The built-in data, which must be there: without them nearly every number
// would be "unknown", and that is no way to serve.
std::optional<SegmentTableLoad> LoadBuiltin(const std::filesystem::path &directory) {
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
    return load;
}

// The table at `path` over `table`. A table asked for by name must load; one
// found beside the binary only warns when it does not, and the service
// serves from what it had.
std::optional<SegmentTable> LayOver(SegmentTable table, const std::filesystem::path &path,
                                    bool given) {
    SegmentTableLoad load = LoadSegmentTable(path, std::move(table));
    const std::string shown = PathToUtf8(path);
    if (!load.error.empty()) {
        if (given) {
            std::fprintf(stderr, "segment-service: %s: %s\n", shown.c_str(), load.error.c_str());
            return std::nullopt;
        }
        std::fprintf(stderr, "segment-service: warning: %s: %s; not used\n", shown.c_str(),
                     load.error.c_str());
        return std::move(load.table);
    }
    std::fprintf(stderr, "segment-service: %s: %s\n", shown.c_str(), DescribeLoad(load).c_str());
    return std::move(load.table);
}

// The built-in data with the user's tables on top: the one given, or else
// those beside the binary that are there.
std::optional<SegmentTable> LoadSegments(SegmentTable builtin,
                                         const std::optional<std::string> &given,
                                         const std::filesystem::path &directory) {
    if (given)
        return LayOver(std::move(builtin), PathFromUtf8(*given), true);
    std::optional<SegmentTable> table = std::move(builtin);
    for (const char *name : kBesideNames) {
        const std::filesystem::path path = directory / name;
        std::error_code ignored;
        if (std::filesystem::exists(path, ignored))
            table = LayOver(std::move(*table), path, false);
    }
    return table;
}

} // namespace

int main(int argc, char *argv[]) {
    HoldStopSignals();
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    ListenAddress address;
    std::optional<std::string> segmentsPath;
    bool showVersion = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--version") {
            showVersion = true;
            continue;
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

    const std::filesystem::path directory = ProgramDirectory(argc > 0 ? argv[0] : nullptr);
    std::optional<SegmentTableLoad> builtin = LoadBuiltin(directory);
    if (!builtin)
        return 1;
    if (showVersion) {
        std::printf("segment-service: built-in data of %s, %zu blocks\n",
                    builtin->dataDate.empty() ? "unknown date" : builtin->dataDate.c_str(),
                    builtin->table.BlockCount());
        return 0;
    }

    // Every idle connection is a descriptor; the hard limit is what the
    // system allows this process, the soft one often far less.
    RaiseOpenFileLimit();

    std::optional<SegmentTable> segments =
        LoadSegments(std::move(builtin->table), segmentsPath, directory);
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
