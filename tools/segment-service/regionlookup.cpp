#include "regionlookup.h"

#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <array>

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

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

// Splits a geocoder description ("浙江省杭州市", "广西南宁市", "北京市") into
// province short name and city. Empty province when the description does not
// begin with a province we know (the geocoder says only "中国" for blocks it
// has no data for).
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
} // namespace

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

struct RegionLookup::Geocoder {
    PhoneNumberOfflineGeocoder geocoder;
    const icu::Locale chinese{"zh"};
};

namespace {

constexpr size_t kBlockDigits = 7;
constexpr uint32_t kFirstBlock = 1'000'000;
constexpr uint32_t kBlockCount = 1'000'000;
constexpr std::uint16_t kNotAsked = 0;
constexpr std::uint16_t kNoRegion = 1;
constexpr size_t kMaxRegions = 0xffff - 2;

} // namespace

RegionLookup::RegionLookup()
    : m_geocoder(std::make_unique<Geocoder>())
    , m_blockSlots(kBlockCount, kNotAsked) {}

RegionLookup::~RegionLookup() = default;

Region RegionLookup::ForNumber(std::string_view digits) const {
    if (digits.size() != 11 || digits.front() != '1')
        return {};
    uint32_t block = 0;
    for (char c : digits.substr(0, kBlockDigits)) {
        if (c < '0' || c > '9')
            return {};
        block = block * 10 + uint32_t(c - '0');
    }
    const size_t index = block - kFirstBlock;
    {
        std::lock_guard lock(m_cacheMutex);
        const std::uint16_t slot = m_blockSlots[index];
        if (slot == kNoRegion)
            return {};
        if (slot != kNotAsked)
            return m_regions[slot - 2];
    }
    // Asked outside the lock; two threads that miss the same block at once
    // both ask and store the same answer.
    Region region = AskGeocoder(digits);
    std::lock_guard lock(m_cacheMutex);
    if (region.province.empty()) {
        m_blockSlots[index] = kNoRegion;
        return region;
    }
    auto known = std::find_if(m_regions.begin(), m_regions.end(), [&](const Region &r) {
        return r.province == region.province && r.city == region.city;
    });
    if (known == m_regions.end()) {
        if (m_regions.size() >= kMaxRegions)
            return region; // not remembered, still right
        known = m_regions.insert(m_regions.end(), region);
    }
    m_blockSlots[index] = std::uint16_t(known - m_regions.begin() + 2);
    return region;
}

Region RegionLookup::AskGeocoder(std::string_view digits) const {
    const PhoneNumberUtil *util = PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util->Parse(std::string(digits), "CN", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return {};
    if (util->GetNumberType(number) != PhoneNumberUtil::MOBILE)
        return {};
    // GetDescriptionForNumber checks validity itself and is guarded by the
    // geocoder's own lock, so one instance serves every worker thread.
    return SplitRegionDescription(
        m_geocoder->geocoder.GetDescriptionForNumber(number, m_geocoder->chinese));
}
