#pragma once

#include "region.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The rule that makes the service's built-in data from its two sources, the
// 2025-02 segment table and libphonenumber's geocoder:
//
// - only blocks whose prefix is allocated to a carrier are taken
//   (CarrierForNumber);
// - a block the table has is taken from the table: its province and city;
// - a block the table lacks is taken from the geocoder, when it knows it;
// - the carrier is always the one the prefix is allocated to, whatever the
//   table's label says;
// - the province is its short name (ProvinceShortName), the city in the one
//   style of CityShortName.
//
// A row whose block is given twice keeps the later one; a row whose names
// would not fit between the answer's quotes, or whose province is empty,
// counts as missing.

// A block as a source writes it, in UTF-8.
struct SourceBlock {
    uint32_t block = 0; // 1000000..1999999
    std::string province;
    std::string city;
    std::string carrier; // the table's label: "中国移动", "中国联通虚拟", "未知"
};

struct MergedBlock {
    uint32_t block = 0;
    Region region;
    std::string_view carrier; // "中国移动", "中国联通", "中国电信" or "中国广电"
};

// What the merge did with the blocks of one three-digit prefix.
struct PrefixChanges {
    size_t fromTable = 0;
    size_t fromGeocoder = 0;
    size_t carrierOverruled = 0; // table's label named another carrier, or none
    size_t cityRenamed = 0;      // table's city, written in the one style
    size_t notAllocated = 0;     // table rows of a prefix no carrier has
    size_t refused = 0;          // table rows that could not be used
};

struct BuiltinMerge {
    std::vector<MergedBlock> blocks; // by block, ascending
    std::map<std::string, PrefixChanges> byPrefix;
    // "1707: 中国移动虚拟 → 中国联通" and "湖南 吉首 → 湘西", with their
    // numbers of blocks.
    std::map<std::string, size_t> overruled;
    std::map<std::string, size_t> renamed;
};

// `geocoder` gives the region of a block as libphonenumber writes it (short
// province, full city), an empty province when it does not know it; it is
// asked only for blocks the table lacks.
BuiltinMerge MergeBuiltinSegments(const std::vector<SourceBlock> &table,
                                  const std::function<Region(uint32_t block)> &geocoder);

// The merge's account, one line per prefix and per kind of change.
std::string DescribeMerge(const BuiltinMerge &merge);
