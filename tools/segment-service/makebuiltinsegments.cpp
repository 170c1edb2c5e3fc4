// make-builtin-segments: writes the service's built-in data, in the phone.dat
// form, from the 2025-02 segment table and libphonenumber's geocoder by the
// rule of builtinmerge.h, and prints what the merge changed. It runs on the
// build host, so the service itself needs no libphonenumber, ICU or absl and
// builds for any system.
//
// With --libphonenumber-only it writes instead the CSV table the build made
// before the segment table came in (号段,省份,城市,运营商 from the geocoder
// and the carrier prefixes alone), which the benchmark compares with.
#include "builtinmerge.h"
#include "carrierprefixes.h"
#include "csvline.h"
#include "phonedatformat.h"
#include "regionlookup.h"
#include "segmenttable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

void PrintUsage() {
    std::fputs("Usage: make-builtin-segments --date YYYY-MM TABLE.csv OUTPUT.dat\n"
               "       make-builtin-segments --libphonenumber-only OUTPUT.csv\n",
               stderr);
}

// The segment table, UTF-8, its first row naming the columns 号段, 省份,
// 城市 and 运营商 among others. A row without a block is passed over.
std::optional<std::vector<SourceBlock>> ReadTable(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return std::nullopt;
    if (line.starts_with("\xEF\xBB\xBF"))
        line.erase(0, 3);
    CsvLine csv;
    const std::array<std::string_view, 4> names{"号段", "省份", "城市", "运营商"};
    std::array<size_t, 4> columns{};
    columns.fill(size_t(-1));
    if (!csv.Split(line))
        return std::nullopt;
    for (size_t i = 0; i < csv.Fields().size(); ++i) {
        for (size_t n = 0; n < names.size(); ++n) {
            if (csv.Fields()[i] == names[n])
                columns[n] = i;
        }
    }
    for (size_t column : columns) {
        if (column == size_t(-1))
            return std::nullopt;
    }
    std::vector<SourceBlock> rows;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!csv.Split(line))
            continue;
        const auto field = [&csv](size_t column) {
            return column < csv.Fields().size() ? std::string(csv.Fields()[column]) : std::string();
        };
        const std::optional<uint32_t> block = SegmentTable::ParseBlock(field(columns[0]));
        if (block)
            rows.push_back({*block, field(columns[1]), field(columns[2]), field(columns[3])});
    }
    return rows;
}

// The blocks as a phone.dat, each distinct region one record. The service
// answers neither post code nor area code, so those fields stay empty.
std::string EncodeBuiltin(std::string_view date, const std::vector<MergedBlock> &blocks) {
    std::vector<std::string> records;
    std::map<std::string, uint32_t> recordOf;
    std::vector<phonedat::Entry> entries;
    entries.reserve(blocks.size());
    for (const MergedBlock &b : blocks) {
        const std::string record = b.region.province + "|" + b.region.city + "||";
        auto known = recordOf.find(record);
        if (known == recordOf.end()) {
            records.push_back(record);
            known = recordOf.emplace(record, uint32_t(records.size() - 1)).first;
        }
        entries.push_back({b.block, known->second, phonedat::CardTypeOfCarrier(b.carrier)});
    }
    const std::string version = std::string(date.substr(2, 2)) + std::string(date.substr(5, 2));
    return phonedat::Encode(version, records, entries);
}

// The table as the build made it before the segment table came in: 320,047
// blocks with libphonenumber 8.12.
std::string LibphonenumberOnlyTable() {
    std::ostringstream out;
    out << "号段,省份,城市,运营商\n";
    const RegionLookup regions;
    for (unsigned block = 1'000'000; block < 2'000'000; ++block) {
        const std::string number = std::to_string(block) + "0000";
        const std::string_view carrier = CarrierForNumber(number);
        // 1349 was left out then, as satellite telephony.
        if (carrier.empty() || number.starts_with("1349"))
            continue;
        const Region region = regions.ForNumber(number);
        if (region.province.empty() ||
            (region.province + region.city).find_first_of("'\\\r\n\",") != std::string::npos)
            continue;
        out << block << ',' << region.province << ',' << region.city << ',' << carrier << '\n';
    }
    return std::move(out).str();
}

// Written beside and renamed into place, so that a build stopped midway
// leaves no half file where the service looks.
bool WriteWhole(const std::filesystem::path &output, const std::string &bytes) {
    std::filesystem::path partial = output;
    partial += ".partial";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    std::error_code error;
    if (!out || (std::filesystem::rename(partial, output, error), error)) {
        std::fprintf(stderr, "make-builtin-segments: cannot write %s\n", output.string().c_str());
        std::filesystem::remove(partial, error);
        return false;
    }
    return true;
}

bool IsDate(std::string_view date) {
    return date.size() == 7 && date[4] == '-' && std::all_of(date.begin(), date.end(), [](char c) {
               return c == '-' || std::isdigit(static_cast<unsigned char>(c));
           });
}

} // namespace

int main(int argc, char *argv[]) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--libphonenumber-only") {
        if (!WriteWhole(args[1], LibphonenumberOnlyTable()))
            return 1;
        std::printf("make-builtin-segments: libphonenumber's table written to %s\n",
                    std::string(args[1]).c_str());
        return 0;
    }
    if (args.size() != 4 || args[0] != "--date" || !IsDate(args[1])) {
        PrintUsage();
        return 2;
    }
    const std::filesystem::path tablePath = args[2], output = args[3];
    const std::optional<std::vector<SourceBlock>> table = ReadTable(tablePath);
    if (!table || table->empty()) {
        std::fprintf(stderr,
                     "make-builtin-segments: %s: cannot read it as a table with the columns "
                     "号段, 省份, 城市 and 运营商\n",
                     tablePath.string().c_str());
        return 1;
    }
    const RegionLookup regions;
    const BuiltinMerge merge = MergeBuiltinSegments(*table, [&regions](uint32_t block) {
        // The geocoder's mainland mobile data go by no more than the first
        // seven digits, so any number of the block stands for all of it.
        return regions.ForNumber(std::to_string(block) + "0000");
    });
    if (!WriteWhole(output, EncodeBuiltin(args[1], merge.blocks)))
        return 1;
    std::printf("make-builtin-segments: %zu blocks of %s written to %s; what the merge did, in "
                "blocks:\n%s",
                merge.blocks.size(), std::string(args[1]).c_str(), output.string().c_str(),
                DescribeMerge(merge).c_str());
    return 0;
}
