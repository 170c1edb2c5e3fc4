#pragma once

#include <string>
#include <string_view>

// Where a mainland mobile number is registered, in UTF-8.
struct Region {
    std::string province; // short name: "北京", "浙江", "内蒙古"
    std::string city;     // "杭州市"; a municipality is its own city: "北京"
};

// The short name of a province written in full ("广东省" → "广东",
// "广西壮族自治区" → "广西", "北京市" → "北京"), so that every answer names it
// alike. A name that is not a province's is returned as it is.
std::string_view ProvinceShortName(std::string_view name);

// Splits a description that begins with a province ("浙江省杭州市",
// "广西南宁市", "北京市") into the province's short name and the city. An
// empty province when the description does not begin with one (such as
// "中国").
Region SplitRegionDescription(std::string_view description);
