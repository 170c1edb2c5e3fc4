#include "carrierprefixes.h"

#include <array>

namespace {

constexpr std::string_view kMobile = "中国移动";
constexpr std::string_view kUnicom = "中国联通";
constexpr std::string_view kTelecom = "中国电信";
constexpr std::string_view kBroadnet = "中国广电";

struct Prefix {
    std::string_view digits;
    std::string_view carrier;
};

// The public allocation of prefixes to the networks, as the Ministry of
// Industry and Information Technology gave them out. Four-digit blocks come
// first: they split a three-digit block among carriers (the 170 block of the
// virtual operators, who run on the three networks' numbers) or set apart a
// block of another service (1349, satellite telephony, run by China Telecom).
// Virtual operators' prefixes (162, 165, 167, 170, 171) are named by the
// network they run on; 141, 144, 146 and 148 are the networks' data-only
// numbers. Prefixes not given out for eleven-digit numbers (140, 142, 143,
// 154, 160, 161, 163, 164, 168, 169, 179, 194) are not here.
constexpr std::array kFourDigitPrefixes{
    Prefix{"1349", kTelecom}, Prefix{"1700", kTelecom}, Prefix{"1701", kTelecom},
    Prefix{"1702", kTelecom}, Prefix{"1703", kMobile},  Prefix{"1705", kMobile},
    Prefix{"1706", kMobile},  Prefix{"1704", kUnicom},  Prefix{"1707", kUnicom},
    Prefix{"1708", kUnicom},  Prefix{"1709", kUnicom},
};

constexpr std::array kThreeDigitPrefixes{
    // China Mobile
    Prefix{"134", kMobile},
    Prefix{"135", kMobile},
    Prefix{"136", kMobile},
    Prefix{"137", kMobile},
    Prefix{"138", kMobile},
    Prefix{"139", kMobile},
    Prefix{"144", kMobile},
    Prefix{"147", kMobile},
    Prefix{"148", kMobile},
    Prefix{"150", kMobile},
    Prefix{"151", kMobile},
    Prefix{"152", kMobile},
    Prefix{"157", kMobile},
    Prefix{"158", kMobile},
    Prefix{"159", kMobile},
    Prefix{"165", kMobile},
    Prefix{"172", kMobile},
    Prefix{"178", kMobile},
    Prefix{"182", kMobile},
    Prefix{"183", kMobile},
    Prefix{"184", kMobile},
    Prefix{"187", kMobile},
    Prefix{"188", kMobile},
    Prefix{"195", kMobile},
    Prefix{"197", kMobile},
    Prefix{"198", kMobile},
    // China Unicom
    Prefix{"130", kUnicom},
    Prefix{"131", kUnicom},
    Prefix{"132", kUnicom},
    Prefix{"145", kUnicom},
    Prefix{"146", kUnicom},
    Prefix{"155", kUnicom},
    Prefix{"156", kUnicom},
    Prefix{"166", kUnicom},
    Prefix{"167", kUnicom},
    Prefix{"171", kUnicom},
    Prefix{"175", kUnicom},
    Prefix{"176", kUnicom},
    Prefix{"185", kUnicom},
    Prefix{"186", kUnicom},
    Prefix{"196", kUnicom},
    // China Telecom; 174 is satellite telephony too (Tiantong), run by it
    Prefix{"133", kTelecom},
    Prefix{"141", kTelecom},
    Prefix{"149", kTelecom},
    Prefix{"153", kTelecom},
    Prefix{"162", kTelecom},
    Prefix{"173", kTelecom},
    Prefix{"174", kTelecom},
    Prefix{"177", kTelecom},
    Prefix{"180", kTelecom},
    Prefix{"181", kTelecom},
    Prefix{"189", kTelecom},
    Prefix{"190", kTelecom},
    Prefix{"191", kTelecom},
    Prefix{"193", kTelecom},
    Prefix{"199", kTelecom},
    // China Broadnet
    Prefix{"192", kBroadnet},
};

} // namespace

std::string_view CarrierForNumber(std::string_view digits) {
    // The lists as one table of the four-digit prefixes 1000 to 1999, made
    // once: the build asks for every block, a million times.
    static const std::array<std::string_view, 1000> kByFourDigits = [] {
        std::array<std::string_view, 1000> table{};
        const auto number = [](std::string_view prefix) {
            size_t n = 0;
            for (char c : prefix)
                n = n * 10 + size_t(c - '0');
            return n;
        };
        for (const Prefix &p : kThreeDigitPrefixes) {
            for (size_t last = 0; last < 10; ++last)
                table[number(p.digits) * 10 + last - 1000] = p.carrier;
        }
        for (const Prefix &p : kFourDigitPrefixes)
            table[number(p.digits) - 1000] = p.carrier;
        return table;
    }();
    if (digits.size() < 4 || digits[0] != '1')
        return {};
    size_t prefix = 0;
    for (char c : digits.substr(0, 4)) {
        if (c < '0' || c > '9')
            return {};
        prefix = prefix * 10 + size_t(c - '0');
    }
    return kByFourDigits[prefix - 1000];
}
