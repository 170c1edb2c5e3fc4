#include "region.h"

#include <array>

namespace {

// Province-level divisions by the short name the lookup services use. The
// geocoder writes provinces with "省" and the four municipalities with "市";
// autonomous regions come without a suffix ("广西南宁市"), but the longer
// official forms are accepted too.
using namespace std::string_view_literals;

constexpr std::array kProvinceNames{
    "北京"sv,   "天津"sv, "上海"sv, "重庆"sv, "河北"sv, "山西"sv, "辽宁"sv, "吉林"sv, "黑龙江"sv,
    "江苏"sv,   "浙江"sv, "安徽"sv, "福建"sv, "江西"sv, "山东"sv, "河南"sv, "湖北"sv, "湖南"sv,
    "广东"sv,   "海南"sv, "四川"sv, "贵州"sv, "云南"sv, "陕西"sv, "甘肃"sv, "青海"sv, "台湾"sv,
    "内蒙古"sv, "广西"sv, "西藏"sv, "宁夏"sv, "新疆"sv, "香港"sv, "澳门"sv,
};

constexpr std::array kMunicipalities{
    "北京"sv,
    "天津"sv,
    "上海"sv,
    "重庆"sv,
};

constexpr std::array kProvinceSuffixes{
    "壮族自治区"sv, "回族自治区"sv, "维吾尔自治区"sv, "自治区"sv, "特别行政区"sv, "省"sv, "市"sv,
};

bool IsMunicipality(std::string_view name) {
    for (std::string_view m : kMunicipalities) {
        if (m == name)
            return true;
    }
    return false;
}

} // namespace

Region SplitRegionDescription(std::string_view description) {
    Region region;
    // No name is the beginning of another, so the first match is the only one.
    for (std::string_view name : kProvinceNames) {
        if (description.starts_with(name)) {
            region.province = name;
            description.remove_prefix(name.size());
            break;
        }
    }
    if (region.province.empty())
        return {};
    for (std::string_view suffix : kProvinceSuffixes) {
        if (description.starts_with(suffix)) {
            description.remove_prefix(suffix.size());
            break;
        }
    }
    if (description.empty() || IsMunicipality(region.province))
        region.city = region.province;
    else
        region.city = description;
    return region;
}

std::string_view ProvinceShortName(std::string_view name) {
    for (std::string_view shortName : kProvinceNames) {
        if (!name.starts_with(shortName))
            continue;
        const std::string_view rest = name.substr(shortName.size());
        if (rest.empty())
            return shortName;
        for (std::string_view suffix : kProvinceSuffixes) {
            if (rest == suffix)
                return shortName;
        }
        return name;
    }
    return name;
}
