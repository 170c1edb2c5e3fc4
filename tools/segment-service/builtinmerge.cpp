#include "builtinmerge.h"

#include "carriernames.h"
#include "carrierprefixes.h"
#include "cityname.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

constexpr uint32_t kFirstBlock = 1'000'000;
constexpr uint32_t kBlocks = 1'000'000;

// The names end up between single quotes in the service's answers, and in
// the '|'-separated records of the built-in file.
bool FitsInQuotes(std::string_view value) {
    return value.find_first_of("'\\\r\n\"|") == std::string_view::npos;
}

std::string Line(const char *format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

} // namespace

BuiltinMerge MergeBuiltinSegments(const std::vector<SourceBlock> &table,
                                  const std::function<Region(uint32_t block)> &geocoder) {
    BuiltinMerge merge;
    std::vector<const SourceBlock *> rows(kBlocks, nullptr);
    for (const SourceBlock &row : table) {
        if (row.block >= kFirstBlock && row.block < kFirstBlock + kBlocks)
            rows[row.block - kFirstBlock] = &row;
    }
    // Counted by three-digit prefix, 100 to 199.
    std::array<PrefixChanges, 100> counts{};
    for (uint32_t block = kFirstBlock; block < kFirstBlock + kBlocks; ++block) {
        char text[8];
        const std::string_view digits(text,
                                      size_t(std::to_chars(text, text + 7, block).ptr - text));
        PrefixChanges &changes = counts[block / 10'000 - 100];
        const SourceBlock *row = rows[block - kFirstBlock];
        const std::string_view carrier = CarrierForNumber(digits);
        if (carrier.empty()) {
            changes.notAllocated += row != nullptr;
            continue;
        }
        MergedBlock merged{block, {}, carrier};
        if (row != nullptr && !row->province.empty() && FitsInQuotes(row->province) &&
            FitsInQuotes(row->city)) {
            merged.region.province = ProvinceShortName(row->province);
            // A row without a city: the province stands for it.
            const std::string &city = row->city.empty() ? merged.region.province : row->city;
            merged.region.city = CityShortName(merged.region.province, city);
            ++changes.fromTable;
            if (CarrierFromName(row->carrier) != carrier) {
                ++changes.carrierOverruled;
                ++merge.overruled[std::string(digits.substr(0, 4)) + ": " + row->carrier + " → " +
                                  std::string(carrier)];
            }
            if (merged.region.city != city) {
                ++changes.cityRenamed;
                ++merge.renamed[merged.region.province + " " + row->city + " → " +
                                merged.region.city];
            }
        } else {
            changes.refused += row != nullptr;
            const Region region = geocoder(block);
            if (region.province.empty() || !FitsInQuotes(region.province) ||
                !FitsInQuotes(region.city))
                continue;
            merged.region.province = region.province;
            merged.region.city = CityShortName(region.province, region.city);
            ++changes.fromGeocoder;
        }
        merge.blocks.push_back(std::move(merged));
    }
    for (size_t i = 0; i < counts.size(); ++i) {
        const PrefixChanges &c = counts[i];
        if (c.fromTable + c.fromGeocoder + c.notAllocated + c.refused > 0)
            merge.byPrefix[std::to_string(100 + i)] = c;
    }
    return merge;
}

std::string DescribeMerge(const BuiltinMerge &merge) {
    std::string text = "prefix  2025-02  libphonenumber  carrier overruled  city renamed  "
                       "left out\n";
    PrefixChanges total;
    for (const auto &[prefix, c] : merge.byPrefix) {
        text += Line("%-6s %8zu %15zu %18zu %13zu %9zu\n", prefix.c_str(), c.fromTable,
                     c.fromGeocoder, c.carrierOverruled, c.cityRenamed, c.notAllocated + c.refused);
        total.fromTable += c.fromTable;
        total.fromGeocoder += c.fromGeocoder;
        total.carrierOverruled += c.carrierOverruled;
        total.cityRenamed += c.cityRenamed;
        total.notAllocated += c.notAllocated + c.refused;
    }
    text += Line("%-6s %8zu %15zu %18zu %13zu %9zu\n", "all", total.fromTable, total.fromGeocoder,
                 total.carrierOverruled, total.cityRenamed, total.notAllocated);
    text += "carriers overruled:\n";
    for (const auto &[what, count] : merge.overruled)
        text += "  " + what + ": " + std::to_string(count) + "\n";
    text += "cities renamed:\n";
    for (const auto &[what, count] : merge.renamed)
        text += "  " + what + ": " + std::to_string(count) + "\n";
    return text;
}
