#include "carrierprefixes.h"

#include <array>

namespace {

constexpr std::string_view Mobile = "中国移动";
constexpr std::string_view Unicom = "中国联通";
constexpr std::string_view Telecom = "中国电信";
constexpr std::string_view Broadnet = "中国广电";

struct Prefix {
    std::string_view digits;
    std::string_view carrier;
};

// Four-digit blocks come first: they split a three-digit block among
// carriers (the 170 block of the virtual operators, who run on the three
// networks' numbers) or take a block out of the table (1349 was given to
// satellite telephony, not to a mobile network).
constexpr std::array FourDigitPrefixes{
    Prefix{"1349", {}},      Prefix{"1700", Telecom}, Prefix{"1701", Telecom},
    Prefix{"1702", Telecom}, Prefix{"1703", Mobile},  Prefix{"1705", Mobile},
    Prefix{"1706", Mobile},  Prefix{"1704", Unicom},  Prefix{"1707", Unicom},
    Prefix{"1708", Unicom},  Prefix{"1709", Unicom},
};

constexpr std::array ThreeDigitPrefixes{
    // China Mobile
    Prefix{"134", Mobile},
    Prefix{"135", Mobile},
    Prefix{"136", Mobile},
    Prefix{"137", Mobile},
    Prefix{"138", Mobile},
    Prefix{"139", Mobile},
    Prefix{"147", Mobile},
    Prefix{"150", Mobile},
    Prefix{"151", Mobile},
    Prefix{"152", Mobile},
    Prefix{"157", Mobile},
    Prefix{"158", Mobile},
    Prefix{"159", Mobile},
    Prefix{"165", Mobile},
    Prefix{"172", Mobile},
    Prefix{"178", Mobile},
    Prefix{"182", Mobile},
    Prefix{"183", Mobile},
    Prefix{"184", Mobile},
    Prefix{"187", Mobile},
    Prefix{"188", Mobile},
    Prefix{"195", Mobile},
    Prefix{"197", Mobile},
    Prefix{"198", Mobile},
    // China Unicom
    Prefix{"130", Unicom},
    Prefix{"131", Unicom},
    Prefix{"132", Unicom},
    Prefix{"145", Unicom},
    Prefix{"155", Unicom},
    Prefix{"156", Unicom},
    Prefix{"166", Unicom},
    Prefix{"167", Unicom},
    Prefix{"171", Unicom},
    Prefix{"175", Unicom},
    Prefix{"176", Unicom},
    Prefix{"185", Unicom},
    Prefix{"186", Unicom},
    Prefix{"196", Unicom},
    // China Telecom
    Prefix{"133", Telecom},
    Prefix{"149", Telecom},
    Prefix{"153", Telecom},
    Prefix{"162", Telecom},
    Prefix{"173", Telecom},
    Prefix{"177", Telecom},
    Prefix{"180", Telecom},
    Prefix{"181", Telecom},
    Prefix{"189", Telecom},
    Prefix{"190", Telecom},
    Prefix{"191", Telecom},
    Prefix{"193", Telecom},
    Prefix{"199", Telecom},
    // China Broadnet
    Prefix{"192", Broadnet},
};

} // namespace

std::string_view CarrierForNumber(std::string_view digits) {
    if (digits.size() >= 4) {
        for (const Prefix &p : FourDigitPrefixes) {
            if (digits.starts_with(p.digits))
                return p.carrier;
        }
    }
    for (const Prefix &p : ThreeDigitPrefixes) {
        if (digits.starts_with(p.digits))
            return p.carrier;
    }
    return {};
}
