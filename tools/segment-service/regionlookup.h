#pragma once

#include "region.h"

#include <memory>
#include <string_view>

// Looks numbers up in libphonenumber's offline geocoder data (Chinese names).
// Only the build uses it, to write the service's built-in table; the service
// itself reads that table and links no part of libphonenumber.
class RegionLookup {
public:
    RegionLookup();
    ~RegionLookup();
    RegionLookup(const RegionLookup &) = delete;
    RegionLookup &operator=(const RegionLookup &) = delete;

    // `digits` is an 11-digit number beginning with 1. An empty province
    // when the geocoder does not know the number or it is not a valid
    // mobile number.
    Region ForNumber(std::string_view digits) const;

private:
    struct Geocoder;
    std::unique_ptr<Geocoder> m_geocoder;
};
