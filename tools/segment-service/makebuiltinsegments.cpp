// make-builtin-segments: writes the service's built-in data, a segment table
// (号段,省份,城市,运营商, UTF-8) with one row per seven-digit block that the
// carrier prefixes and libphonenumber's geocoder both know. It runs on the
// build host, so the service itself needs no libphonenumber, ICU or absl and
// builds for any system.
#include "carrierprefixes.h"
#include "regionlookup.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

// The names end up between single quotes in the service's answers.
bool FitsInQuotes(std::string_view value) {
    return value.find_first_of("'\\\r\n\",") == std::string_view::npos;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 2) {
        std::fputs("Usage: make-builtin-segments OUTPUT.csv\n", stderr);
        return 2;
    }
    const std::filesystem::path output = argv[1];
    std::filesystem::path partial = output;
    partial += ".partial";

    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << "号段,省份,城市,运营商\n";
    RegionLookup regions;
    size_t rows = 0;
    for (unsigned block = 1'000'000; block < 2'000'000; ++block) {
        // The geocoder's mainland mobile data and the carriers' allocations
        // both go by no more than the first seven digits, so any number of
        // the block stands for all of it.
        const std::string number = std::to_string(block) + "0000";
        const std::string_view carrier = CarrierForNumber(number);
        if (carrier.empty())
            continue;
        const Region region = regions.ForNumber(number);
        if (region.province.empty() || !FitsInQuotes(region.province) || !FitsInQuotes(region.city))
            continue;
        out << block << ',' << region.province << ',' << region.city << ',' << carrier << '\n';
        ++rows;
    }
    out.close();
    std::error_code error;
    if (!out || (std::filesystem::rename(partial, output, error), error)) {
        std::fprintf(stderr, "make-builtin-segments: cannot write %s\n", output.string().c_str());
        std::filesystem::remove(partial, error);
        return 1;
    }
    std::printf("make-builtin-segments: %zu blocks written to %s\n", rows, output.string().c_str());
    return 0;
}
