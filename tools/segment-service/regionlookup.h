#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Where a mainland mobile number is registered, in UTF-8.
struct Region {
    std::string province; // short name: "北京", "浙江", "内蒙古"
    std::string city;     // "杭州市"; a municipality is its own city: "北京"
};

// The short name of a province written in full ("广东省" → "广东",
// "广西壮族自治区" → "广西", "北京市" → "北京"), so that every answer names it
// alike. A name that is not a province's is returned as it is.
std::string_view ProvinceShortName(std::string_view name);

// Looks numbers up in libphonenumber's offline geocoder data (Chinese names).
// Safe to use from several threads at once.
//
// The geocoder's mainland mobile data go by the first seven digits, and one
// lookup through it costs tens of microseconds (parsing, validity patterns),
// so the answer for each seven-digit block is remembered: a 2 MB table of
// small indexes into the few hundred distinct regions.
class RegionLookup {
public:
    // Neither copied nor moved: the cache's mutex forbids both.
    RegionLookup();
    ~RegionLookup();

    // `digits` is an 11-digit number beginning with 1. An empty province
    // when the geocoder does not know the number or it is not a valid one.
    Region ForNumber(std::string_view digits) const;

private:
    Region AskGeocoder(std::string_view digits) const;

    struct Geocoder;
    std::unique_ptr<Geocoder> m_geocoder;

    // Per block 1000000..1999999: 0 not asked yet, 1 no region, n: region n - 2.
    mutable std::mutex m_cacheMutex;
    mutable std::vector<std::uint16_t> m_blockSlots;
    mutable std::vector<Region> m_regions;
};
