#include "regionlookup.h"

#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <string>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

struct RegionLookup::Geocoder {
    PhoneNumberOfflineGeocoder geocoder;
    const icu::Locale chinese{"zh"};
};

RegionLookup::RegionLookup()
    : m_geocoder(std::make_unique<Geocoder>()) {}

RegionLookup::~RegionLookup() = default;

Region RegionLookup::ForNumber(std::string_view digits) const {
    if (digits.size() != 11 || digits.front() != '1')
        return {};
    const PhoneNumberUtil *util = PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util->Parse(std::string(digits), "CN", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return {};
    if (util->GetNumberType(number) != PhoneNumberUtil::MOBILE)
        return {};
    // The geocoder writes "浙江省杭州市", or only "中国" for blocks it has no
    // data for.
    return SplitRegionDescription(
        m_geocoder->geocoder.GetDescriptionForNumber(number, m_geocoder->chinese));
}
