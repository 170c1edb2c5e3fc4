#pragma once

#include <memory>
#include <string>
#include <string_view>

// Where a mainland mobile number is registered, in UTF-8.
struct Region {
    std::string province; // short name: "北京", "浙江", "内蒙古"
    std::string city;     // "杭州市"; a municipality is its own city: "北京"
};

// Splits a geocoder description ("浙江省杭州市", "广西南宁市", "北京市") into
// province short name and city. Empty province when the description does not
// begin with a province we know (the geocoder says only "中国" for blocks it
// has no data for).
Region SplitRegionDescription(std::string_view description);

// Looks numbers up in libphonenumber's offline geocoder data (Chinese names).
// Safe to use from several threads at once.
class RegionLookup {
public:
    RegionLookup();
    ~RegionLookup();
    RegionLookup(const RegionLookup &) = delete;
    RegionLookup &operator=(const RegionLookup &) = delete;

    // `digits` is an 11-digit number beginning with 1. An empty province
    // when the geocoder does not know the number or it is not a valid one.
    Region ForNumber(std::string_view digits) const;

private:
    struct Geocoder;
    std::unique_ptr<Geocoder> m_geocoder;
};
